// Remote Desktop Services session queries, and the shell's decimal parser
// that the name composition uses on digit runs. Adapter:
// platform/win32/terminal_services_win32.cpp. Status codes are Win32 error
// codes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"

namespace vantrel {

enum class WtsInfoClass : int32_t {
  kUserName = 5,
  kDomainName = 7,
  kConnectState = 8,
  kClientName = 10
};

class TerminalServices {
 public:
  virtual ~TerminalServices() = default;
  // WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, cls, ...)
  // followed by WTSFreeMemory of any buffer it returned. `*text` gets the
  // buffer's text up to its first NUL (empty when there was no buffer), and
  // is untouched on failure. A failure that sets no error code is
  // ERROR_ASSERTION_FAILURE.
  virtual Status QuerySessionInformation(uint32_t sessionId, WtsInfoClass infoClass,
                                         std::wstring* text) = 0;
  // StrToIntExW(text, STIF_DEFAULT, &value); ERROR_INVALID_PARAMETER when it
  // finds no number, with `*value` untouched.
  virtual Status ParseInteger(const std::wstring& text, int32_t* value) = 0;
};

}  // namespace vantrel
