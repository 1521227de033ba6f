// In-memory Remote Desktop Services: a table of sessions and the shell's
// decimal parser, with per-call failures that carry a last-error code.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/terminal_services.h"

namespace vantrel::testing {

class FakeTerminalServices : public TerminalServices {
 public:
  // ERROR_CTX_WINSTATION_NOT_FOUND, what Windows reports for an unknown id.
  static constexpr uint32_t kSessionNotFound = 7022;

  struct Session {
    std::wstring userName;
    std::wstring clientName;
  };

  // A known session: WTSConnectState succeeds for it, and the two names are
  // returned as they stand (an empty name comes back as a zero-size buffer).
  void AddSession(uint32_t sessionId, std::wstring userName, std::wstring clientName);
  // Makes every query of that class for that session fail with `lastError`.
  void FailQuery(uint32_t sessionId, WtsInfoClass infoClass, uint32_t lastError);

  WtsQueryResult QuerySessionInformation(uint32_t sessionId, WtsInfoClass infoClass) override;
  // Like StrToIntExW with STIF_DEFAULT: leading blanks, an optional sign,
  // decimal digits up to the first non-digit; false when no digit is found;
  // the value wraps at 32 bits as the shell's does.
  bool StrToIntEx(const std::wstring& text, int32_t* value) override;

  // Every query made, in order, and every text handed to StrToIntEx.
  std::vector<std::pair<uint32_t, WtsInfoClass>> queries;
  std::vector<std::wstring> conversions;

 private:
  std::map<uint32_t, Session> sessions_;
  std::map<std::pair<uint32_t, WtsInfoClass>, uint32_t> failures_;
};

}  // namespace vantrel::testing
