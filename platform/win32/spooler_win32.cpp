#include "platform/win32/spooler_win32.h"

#include <windows.h>
#include <winspool.h>

#include <new>
#include <utility>

#include "platform/win32/scoped_handle.h"

namespace vantrel {
namespace {

class Win32PrinterHandle : public PrinterHandle {
 public:
  explicit Win32PrinterHandle(win32::unique_printer printer) : printer_(std::move(printer)) {}

  int32_t DeletePrinter(uint32_t* lastError) override {
    const BOOL deleted = ::DeletePrinter(printer_.get());
    const DWORD error = ::GetLastError();
    if (lastError) *lastError = error;
    return deleted;
  }

 private:
  win32::unique_printer printer_;
};

}  // namespace

std::unique_ptr<PrinterHandle> Win32Spooler::OpenByName(const std::wstring& name,
                                                        uint32_t desiredAccess) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, desiredAccess};
  win32::unique_printer printer;
  if (!::OpenPrinterW(const_cast<LPWSTR>(name.c_str()), printer.put(), &defaults)) return nullptr;
  try {
    return std::make_unique<Win32PrinterHandle>(std::move(printer));
  } catch (const std::bad_alloc&) {
    return nullptr;  // the handle closes with `printer`
  }
}

}  // namespace vantrel
