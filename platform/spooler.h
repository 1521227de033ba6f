// The print spooler, for deleting the printer that holds a wanted name once
// it is known to be a redirected printer itself.
// Adapter: platform/win32/spooler_win32.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vantrel {

inline constexpr uint32_t kPrinterAllAccess = 0x000F000C;
// PRINTER_ATTRIBUTE_TS: the spooler's own mark of a printer that Remote
// Desktop redirected.
inline constexpr uint32_t kPrinterAttributeTs = 0x00008000;

// What GetPrinterW level 2 tells of a printer that decides whether it may be
// deleted.
struct PrinterInfo {
  std::wstring portName;
  uint32_t attributes = 0;
};

// An open printer; ClosePrinter when destroyed.
class PrinterHandle {
 public:
  virtual ~PrinterHandle() = default;
  // DeletePrinter(handle): its BOOL result, and GetLastError() read after
  // the call whatever its outcome.
  virtual int32_t DeletePrinter(uint32_t* lastError) = 0;
  // GetPrinterW(handle, 2, ...): false, with the error, when it fails.
  virtual bool ReadInfo(PrinterInfo* info, uint32_t* lastError) = 0;
};

class Spooler {
 public:
  virtual ~Spooler() = default;
  // OpenPrinterW(name, &handle, {pDatatype null, pDevMode null, access}).
  // Null when the open fails.
  virtual std::unique_ptr<PrinterHandle> OpenPrinter(const std::wstring& name,
                                                     uint32_t desiredAccess) = 0;
};

}  // namespace vantrel
