// In-memory Remote Desktop Services: a table of sessions and the shell's
// decimal parser, with per-query failures that carry a last-error code.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/terminal_services.h"
#include "tests/fakes/fault_plan.h"

namespace vantrel::testing {

class FakeTerminalServices : public TerminalServices {
 public:
  // A known session: every query of it succeeds (an unknown one fails with
  // ERROR_CTX_WINSTATION_NOT_FOUND).
  void AddSession(uint32_t sessionId, std::wstring userName, std::wstring clientName) {
    sessions_[sessionId] = {std::move(userName), std::move(clientName)};
  }
  // Makes every query of that class for that session fail with `lastError`.
  void FailQuery(uint32_t sessionId, WtsInfoClass infoClass, uint32_t lastError) {
    failures_[{sessionId, infoClass}] = lastError;
  }

  WtsQueryResult QuerySessionInformation(uint32_t sessionId, WtsInfoClass infoClass) override;
  // Like StrToIntExW with STIF_DEFAULT on the unsigned digit runs the
  // system passes: digits up to the first other character, false when
  // there is none, the value wrapping at 32 bits as the shell's does.
  bool StrToIntEx(const std::wstring& text, int32_t* value) override;

  std::vector<std::pair<uint32_t, WtsInfoClass>> queries;  // every query made
  FaultPlan* faultPlan = nullptr;

 private:
  std::map<uint32_t, std::pair<std::wstring, std::wstring>> sessions_;  // user, client
  std::map<std::pair<uint32_t, WtsInfoClass>, uint32_t> failures_;
};

}  // namespace vantrel::testing
