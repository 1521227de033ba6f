// A printer (or the print server) opened from the spooler, and a change
// notification asked on one, in the one scoped-handle template.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "platform/win32/scoped_handle.h"

namespace vantrel::win32 {

using unique_hprinter = GenericScopedHandle<traits::NullIsNone<HANDLE, &::ClosePrinter>>;

namespace traits {
// FindFirstPrinterChangeNotification reports failure as INVALID_HANDLE_VALUE.
struct PrinterChangeNotification {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClosePrinterChangeNotification(h); }
};
}  // namespace traits

// Close it before the printer handle it was asked on.
using unique_hprinter_change = GenericScopedHandle<traits::PrinterChangeNotification>;

}  // namespace vantrel::win32
