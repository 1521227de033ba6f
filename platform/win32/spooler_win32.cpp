#include "platform/win32/spooler_win32.h"

#include <windows.h>
#include <winspool.h>

#include <utility>
#include <vector>

#include "platform/win32/scoped_handle_spooler.h"

namespace vantrel {
namespace {

const Status kOutOfMemory(ERROR_OUTOFMEMORY);

Status LastError() { return Win32Failure(::GetLastError()); }

// A printer whose level-2 information cannot be had reads as
// ERROR_INVALID_DATA when the spooler gave no reason.
Status InfoError() {
  const DWORD error = ::GetLastError();
  return Status(static_cast<int32_t>(error ? error : ERROR_INVALID_DATA));
}

class Win32PrinterHandle : public PrinterHandle {
 public:
  explicit Win32PrinterHandle(win32::unique_hprinter printer) : printer_(std::move(printer)) {}

  Status Delete() override {
    return ::DeletePrinter(printer_.get()) ? Status::Ok() : LastError();
  }

  Status ReadInfo(PrinterInfo* info) override {
    return CatchToStatus(kOutOfMemory, [&]() -> Status {
      DWORD needed = 0;
      ::GetPrinterW(printer_.get(), 2, nullptr, 0, &needed);
      if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(PRINTER_INFO_2W))
        return InfoError();
      // The strings follow the structure in the same buffer; 8-byte
      // alignment suits the structure's pointers.
      std::vector<uint64_t> buffer((needed + sizeof(uint64_t) - 1) / sizeof(uint64_t));
      auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
      if (!::GetPrinterW(printer_.get(), 2, bytes, needed, &needed)) return InfoError();
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
    return LastError();
  // On a failed allocation the handle closes with `opened`.
  return CatchToStatus(kOutOfMemory, [&]() -> Status {
    *printer = std::make_unique<Win32PrinterHandle>(std::move(opened));
    return Status::Ok();
  });
}

}  // namespace vantrel
