#include "platform/win32/spooler_win32.h"

#include <windows.h>
#include <winspool.h>

#include <new>
#include <utility>
#include <vector>

#include "platform/win32/scoped_handle_spooler.h"

namespace vantrel {
namespace {

class Win32PrinterHandle : public PrinterHandle {
 public:
  explicit Win32PrinterHandle(win32::unique_hprinter printer) : printer_(std::move(printer)) {}

  int32_t DeletePrinter(uint32_t* lastError) override {
    const BOOL deleted = ::DeletePrinter(printer_.get());
    const DWORD error = ::GetLastError();
    if (lastError) *lastError = error;
    return deleted;
  }

  bool ReadInfo(PrinterInfo* info, uint32_t* lastError) override {
    DWORD needed = 0;
    ::GetPrinterW(printer_.get(), 2, nullptr, 0, &needed);
    DWORD error = ::GetLastError();
    if (error == ERROR_INSUFFICIENT_BUFFER && needed >= sizeof(PRINTER_INFO_2W)) {
      try {
        // The strings follow the structure in the same buffer; 8-byte
        // alignment suits the structure's pointers.
        std::vector<uint64_t> buffer((needed + sizeof(uint64_t) - 1) / sizeof(uint64_t));
        auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
        if (::GetPrinterW(printer_.get(), 2, bytes, needed, &needed)) {
          const auto* level2 = reinterpret_cast<const PRINTER_INFO_2W*>(bytes);
          info->portName = level2->pPortName ? level2->pPortName : L"";
          info->attributes = level2->Attributes;
          return true;
        }
        error = ::GetLastError();
      } catch (const std::bad_alloc&) {
        error = ERROR_OUTOFMEMORY;
      }
    }
    if (lastError) *lastError = error ? error : ERROR_INVALID_DATA;
    return false;
  }

 private:
  win32::unique_hprinter printer_;
};

}  // namespace

std::unique_ptr<PrinterHandle> Win32Spooler::OpenByName(const std::wstring& name,
                                                        uint32_t desiredAccess) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, desiredAccess};
  win32::unique_hprinter printer;
  if (!::OpenPrinterW(const_cast<LPWSTR>(name.c_str()), printer.put(), &defaults)) return nullptr;
  try {
    return std::make_unique<Win32PrinterHandle>(std::move(printer));
  } catch (const std::bad_alloc&) {
    return nullptr;  // the handle closes with `printer`
  }
}

}  // namespace vantrel
