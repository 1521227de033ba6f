#include "platform/win32/spooler_win32.h"

#include <windows.h>
#include <winspool.h>

#include <utility>
#include <vector>

#include "platform/win32/last_error.h"
#include "platform/win32/scoped_handle_spooler.h"

namespace vantrel {
namespace {

class Win32PrinterHandle : public PrinterHandle {
 public:
  explicit Win32PrinterHandle(win32::unique_hprinter printer) : printer_(std::move(printer)) {}

  Status Delete() override { return StatusFromBool(::DeletePrinter(printer_.get())); }

  Status ReadInfo(PrinterInfo* info) override {
    return CatchToStatus(kWin32NoMemory, [&]() -> Status {
      DWORD needed = 0;
      ::GetPrinterW(printer_.get(), 2, nullptr, 0, &needed);
      if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(PRINTER_INFO_2W))
        return LastErrorStatus();
      // The strings follow the structure in the same buffer; 8-byte
      // alignment suits the structure's pointers.
      std::vector<uint64_t> buffer((needed + sizeof(uint64_t) - 1) / sizeof(uint64_t));
      auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
      if (!::GetPrinterW(printer_.get(), 2, bytes, needed, &needed)) return LastErrorStatus();
      const auto* level2 = reinterpret_cast<const PRINTER_INFO_2W*>(bytes);
      info->portName = level2->pPortName ? level2->pPortName : L"";
      info->attributes = level2->Attributes;
      return Status::Ok();
    });
  }

 private:
  win32::unique_hprinter printer_;
};

}  // namespace

Status Win32Spooler::Open(const std::wstring& name, uint32_t desiredAccess,
                          std::unique_ptr<PrinterHandle>* printer) {
  printer->reset();
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, desiredAccess};
  win32::unique_hprinter opened;
  if (!::OpenPrinterW(const_cast<LPWSTR>(name.c_str()), opened.put(), &defaults))
    return LastErrorStatus();
  // On a failed allocation the handle closes with `opened`.
  return CatchToStatus(kWin32NoMemory, [&]() -> Status {
    *printer = std::make_unique<Win32PrinterHandle>(std::move(opened));
    return Status::Ok();
  });
}

}  // namespace vantrel
