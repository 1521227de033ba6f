#include "config/driver_list.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "platform/text.h"

namespace vantrel {
namespace {

// Adds the driver of every installed printer, unchecked. Any WMI failure
// ends the enumeration with what was found so far.
void AddInstalledDrivers(ConfigPorts& ports, FormState& form) {
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
      SetDriverEntry(form, driver, false);
  }
}

}  // namespace

void SetDriverEntry(FormState& form, const std::wstring& driverName, bool checked) {
  const auto it = std::ranges::find_if(form.drivers, [&driverName](const DriverEntry& entry) {
    return EqualsIgnoringAsciiCase(entry.name, driverName);
  });
  if (it != form.drivers.end())
    it->checked = checked;
  else
    form.drivers.push_back({driverName, checked});
}

void PopulateDriverList(ConfigPorts& ports, FormState& form, bool preCheckEasyPrint) {
  try {
    AddInstalledDrivers(ports, form);
  } catch (const std::exception&) {
    // Out of memory while enumerating: keep what was listed.
  }
  // Added even when WMI cannot be reached, so that Restore Defaults and
  // Apply never store an empty exclusion list by accident.
  SetDriverEntry(form, kTsEasyPrintDriver, preCheckEasyPrint);
  SetDriverEntry(form, kRdEasyPrintDriver, preCheckEasyPrint);
}

std::vector<std::wstring> CheckedDrivers(const FormState& form) {
  std::vector<std::wstring> drivers;
  for (const DriverEntry& entry : form.drivers)
    if (entry.checked) drivers.push_back(entry.name.substr(0, kTextCapacity - 1));
  return drivers;
}

}  // namespace vantrel
