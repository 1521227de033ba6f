// WinHTTP's handles (session, connection, request) in the one scoped-handle
// template.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "platform/win32/scoped_handle.h"

namespace vantrel::win32 {

using unique_winhttp_hinternet =
    GenericScopedHandle<traits::NullIsNone<HINTERNET, &::WinHttpCloseHandle>>;

}  // namespace vantrel::win32
