#include "platform/win32/terminal_services_win32.h"

#include <windows.h>
// The headers below build on <windows.h>.
#include <shlwapi.h>
#include <wtsapi32.h>

#include <cwchar>
#include <new>

#include "platform/win32/scoped_handle_wts.h"

namespace vantrel {

WtsQueryResult Win32TerminalServices::QuerySessionInformation(uint32_t sessionId,
                                                              WtsInfoClass infoClass) {
  WtsQueryResult result;
  win32::unique_wtsmem_ptr<wchar_t> buffer;
  DWORD bytes = 0;
  // Some implementations (Wine's among them) fail without setting an error;
  // clearing it first keeps a stale code from being reported as the cause.
  ::SetLastError(ERROR_SUCCESS);
  const BOOL ok =
      ::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, sessionId,
                                    static_cast<WTS_INFO_CLASS>(infoClass), buffer.put(), &bytes);
  if (!ok) {
    result.lastError = ::GetLastError();
    return result;
  }
  result.ok = true;
  result.bytesReturned = bytes;
  if (buffer && bytes != 0) {
    // Never read past the bytes the call reported, even without a NUL.
    const size_t units = bytes / sizeof(wchar_t);
    try {
      result.text.assign(buffer.get(), ::wcsnlen(buffer.get(), units));
    } catch (const std::bad_alloc&) {
      result = WtsQueryResult{};
      result.lastError = ERROR_NOT_ENOUGH_MEMORY;
    }
  }
  return result;
}

bool Win32TerminalServices::ParseDecimal(const std::wstring& text, int32_t* value) {
  int parsed = 0;
  if (!::StrToIntExW(text.c_str(), STIF_DEFAULT, &parsed)) return false;
  *value = parsed;
  return true;
}

}  // namespace vantrel
