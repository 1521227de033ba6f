#include "platform/win32/terminal_services_win32.h"

#include <windows.h>

#include "platform/win32/last_error.h"
// The headers below build on <windows.h>.
#include <shlwapi.h>
#include <wtsapi32.h>

#include <cwchar>

#include "platform/win32/scoped_handle_wts.h"

namespace vantrel {

Status Win32TerminalServices::QuerySessionInformation(uint32_t sessionId, WtsInfoClass infoClass,
                                                      std::wstring* text) {
  win32::unique_wtsmem_ptr<wchar_t> buffer;
  DWORD bytes = 0;
  // Some implementations (Wine's among them) fail without setting an error;
  // clearing it first keeps a stale code from being reported as the cause.
  ::SetLastError(ERROR_SUCCESS);
  if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, sessionId,
                                     static_cast<WTS_INFO_CLASS>(infoClass), buffer.put(),
                                     &bytes)) {
    return LastErrorStatus();
  }
  return CatchToStatus(kWin32NoMemory, [&] {
    // Never read past the bytes the call reported, even without a NUL.
    const size_t units = bytes / sizeof(wchar_t);
    if (buffer && units != 0) {
      text->assign(buffer.get(), ::wcsnlen(buffer.get(), units));
    } else {
      text->clear();
    }
    return Status::Ok();
  });
}

Status Win32TerminalServices::ParseInteger(const std::wstring& text, int32_t* value) {
  int parsed = 0;
  if (!::StrToIntExW(text.c_str(), STIF_DEFAULT, &parsed))
    return Status(win32_error::kInvalidParameter);
  *value = parsed;
  return Status::Ok();
}

}  // namespace vantrel
