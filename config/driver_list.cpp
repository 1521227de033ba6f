#include "config/driver_list.h"

#include <exception>
#include <memory>

#include "config/dialog_ids.h"

namespace vantrel {
namespace {

constexpr int kList = IDC_DRIVER_LIST;

// Adds the driver of every installed printer, unchecked. Any WMI failure
// ends the enumeration with what was found so far.
void AddInstalledDrivers(ConfigPorts& ports) {
  std::unique_ptr<PrinterInventory> inventory;
  std::unique_ptr<PrinterListing> listing;
  if (!ports.wmi.Connect(&inventory).ok() || !inventory ||
      !inventory->ListPrinters(L"SELECT * FROM Win32_Printer", /*toRename=*/false, &listing).ok() ||
      !listing)
    return;
  std::unique_ptr<ListedPrinter> printer;
  while (listing->Next(&printer).ok() && printer) {
    std::wstring driver;
    if (printer->ReadText(ListedPrinter::kDriverName, &driver).ok())
      SetDriverEntry(ports, driver, false);
  }
}

}  // namespace

void SetUpDriverListColumn(ConfigPorts& ports) {
  const uint32_t styles = dialog_value::kLvsExCheckBoxes | dialog_value::kLvsExDoubleBuffer;
  ports.controls.ListSetExtendedStyle(kList, styles, styles);
  ports.controls.ListInsertFullWidthColumn(kList);
}

void SetDriverEntry(ConfigPorts& ports, const std::wstring& driverName, bool checked) {
  DialogControls& controls = ports.controls;
  int index = controls.ListFindItem(kList, -1, driverName);
  if (index < 0) index = controls.ListInsertItem(kList, dialog_value::kListAppendIndex, driverName);
  if (index < 0) return;
  controls.ListSetItemState(
      kList, index, checked ? dialog_value::kStateImageChecked : dialog_value::kStateImageUnchecked,
      dialog_value::kLvisStateImageMask);
}

void PopulateDriverList(ConfigPorts& ports, bool preCheckEasyPrint) {
  try {
    AddInstalledDrivers(ports);
  } catch (const std::exception&) {
    // Out of memory while enumerating: keep what was listed.
  }
  // Added even when WMI cannot be reached, so that Restore Defaults and
  // Apply never store an empty exclusion list by accident.
  SetDriverEntry(ports, kTsEasyPrintDriver, preCheckEasyPrint);
  SetDriverEntry(ports, kRdEasyPrintDriver, preCheckEasyPrint);
}

std::vector<std::wstring> ReadCheckedDrivers(DialogControls& controls) {
  std::vector<std::wstring> drivers;
  const int count = controls.ListGetItemCount(kList);
  for (int i = 0; i < count; ++i) {
    std::wstring text;
    uint32_t state = 0;
    if (controls.ListGetItem(kList, i, kTextCapacity, dialog_value::kLvisStateImageMask, &text,
                             &state) &&
        (state & dialog_value::kStateImageChecked) != 0) {
      drivers.push_back(text);
    }
  }
  return drivers;
}

}  // namespace vantrel
