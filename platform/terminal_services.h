// Remote Desktop Services session queries, and the shell's decimal parser
// that the name composition uses on digit runs. Adapter:
// platform/win32/terminal_services_win32.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

enum class WtsInfoClass : int32_t { kUserName = 5, kConnectState = 8, kClientName = 10 };

struct WtsQueryResult {
  bool ok = false;
  // The buffer's text up to its first NUL; empty when the buffer was absent
  // or its size was zero.
  std::wstring text;
  uint32_t bytesReturned = 0;
  // GetLastError() right after a failed query (0 when it set none).
  uint32_t lastError = 0;
};

class TerminalServices {
 public:
  virtual ~TerminalServices() = default;
  // WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, cls, ...)
  // followed by WTSFreeMemory of any buffer it returned.
  virtual WtsQueryResult QuerySessionInformation(uint32_t sessionId, WtsInfoClass infoClass) = 0;
  // StrToIntExW(text, STIF_DEFAULT, &value).
  virtual bool StrToIntEx(const std::wstring& text, int32_t* value) = 0;
};

}  // namespace vantrel
