// A printer opened from the spooler, in the one scoped-handle template.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "platform/win32/scoped_handle.h"

namespace vantrel::win32 {

namespace traits {
struct SpoolerPrinter {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::ClosePrinter(h); }
};
}  // namespace traits

using unique_hprinter = GenericScopedHandle<traits::SpoolerPrinter>;

}  // namespace vantrel::win32
