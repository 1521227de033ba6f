// The print spooler, for deleting the printer that holds a wanted name.
// Adapter: platform/win32/spooler_win32.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vantrel {

inline constexpr uint32_t kPrinterAllAccess = 0x000F000C;

// An open printer; ClosePrinter when destroyed.
class PrinterHandle {
 public:
  virtual ~PrinterHandle() = default;
  // DeletePrinter(handle): its BOOL result, and GetLastError() read after
  // the call whatever its outcome.
  virtual int32_t DeletePrinter(uint32_t* lastError) = 0;
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
