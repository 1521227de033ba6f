// WinHTTP's handles (session, connection, request) in the one scoped-handle
// template.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "platform/win32/scoped_handle.h"

namespace vantrel::win32 {

namespace traits {
struct WinHttpHandle {
  using Handle = HINTERNET;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::WinHttpCloseHandle(h); }
};
}  // namespace traits

using unique_winhttp_hinternet = GenericScopedHandle<traits::WinHttpHandle>;

}  // namespace vantrel::win32
