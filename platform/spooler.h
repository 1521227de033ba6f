// The print spooler, for deleting the printer that holds a wanted name once
// it is known to be a redirected printer itself. Statuses are Win32 error
// codes. Adapter: platform/win32/spooler_win32.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/status.h"

namespace vantrel {

inline constexpr uint32_t kPrinterAllAccess = 0x000F000C;
// PRINTER_ACCESS_USE: enough to read a printer, not to delete it.
inline constexpr uint32_t kPrinterAccessUse = 0x00000008;
// PRINTER_ATTRIBUTE_TS: the spooler's own mark of a printer that Remote
// Desktop redirected.
inline constexpr uint32_t kPrinterAttributeTs = 0x00008000;

// What GetPrinterW level 2 tells of a printer that decides whether it may be
// deleted.
struct PrinterInfo {
  std::wstring portName;
  uint32_t attributes = 0;
};

// An open printer; closed when destroyed.
class PrinterHandle {
 public:
  virtual ~PrinterHandle() = default;
  // DeletePrinter: the printer goes once the last handle to it closes.
  virtual Status Delete() = 0;
  // GetPrinterW level 2.
  virtual Status ReadInfo(PrinterInfo* info) = 0;
};

class Spooler {
 public:
  virtual ~Spooler() = default;
  // OpenPrinterW(name, &handle, {no data type, no DEVMODE, desiredAccess}).
  virtual Status Open(const std::wstring& name, uint32_t desiredAccess,
                      std::unique_ptr<PrinterHandle>* printer) = 0;
};

}  // namespace vantrel
