// A printer opened from the spooler, in the one scoped-handle template.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "platform/win32/scoped_handle.h"

namespace vantrel::win32 {

using unique_hprinter = GenericScopedHandle<traits::NullIsNone<HANDLE, &::ClosePrinter>>;

}  // namespace vantrel::win32
