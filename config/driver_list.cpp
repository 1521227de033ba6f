#include "config/driver_list.h"

#include <exception>
#include <memory>
#include <variant>

#include "config/dialog_ids.h"

namespace vantrel {
namespace {

constexpr int kList = IDC_DRIVER_LIST;
constexpr uint32_t kBatchSize = 10;

// Adds the driver of every installed printer, unchecked. Any WMI failure
// ends the enumeration with what was found so far.
void AddInstalledDrivers(ConfigPorts& ports) {
  std::unique_ptr<WmiLocator> locator;
  if (hresult::Failed(ports.wmi.CreateLocator(&locator)) || !locator) return;
  std::unique_ptr<WmiServices> services;
  if (hresult::Failed(locator->ConnectServer(L"ROOT\\CIMV2", &services)) || !services) return;
  std::unique_ptr<WmiEnumerator> enumerator;
  if (hresult::Failed(services->ExecQuery(L"WQL", L"SELECT * FROM Win32_Printer",
                                          wbem::kFlagForwardOnly, &enumerator)) ||
      !enumerator)
    return;

  std::vector<std::unique_ptr<WmiObject>> batch;
  for (;;) {
    batch.clear();
    const HResult hr = enumerator->Next(wbem::kInfinite, kBatchSize, &batch);
    if (hresult::Failed(hr)) break;
    for (const std::unique_ptr<WmiObject>& printer : batch) {
      if (!printer) continue;
      WmiValue driver;
      if (!hresult::Failed(printer->Get(L"DriverName", &driver)) &&
          std::holds_alternative<std::wstring>(driver)) {
        SetDriverEntry(ports, std::get<std::wstring>(driver), false);
      }
    }
    // WBEM_S_FALSE marks the last batch; an empty "full" batch would
    // otherwise spin here for ever.
    if (hr != hresult::kOk || batch.empty()) break;
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
