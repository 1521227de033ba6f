#include "tests/fakes/fake_terminal_services.h"

namespace vantrel::testing {

WtsQueryResult FakeTerminalServices::QuerySessionInformation(uint32_t sessionId,
                                                             WtsInfoClass infoClass) {
  queries.emplace_back(sessionId, infoClass);
  WtsQueryResult result;
  auto session = sessions_.find(sessionId);
  const Failure fault = Consult(faultPlan, "wts QuerySessionInformation");
  if (fault != Failure::kNone)  // ERROR_NOT_ENOUGH_MEMORY, ERROR_ACCESS_DENIED; empty succeeds
    result.lastError = fault == Failure::kOutOfMemory ? 8 : fault == Failure::kError ? 5 : 0;
  else if (auto failure = failures_.find({sessionId, infoClass}); failure != failures_.end())
    result.lastError = failure->second;
  else if (session == sessions_.end())
    result.lastError = 7022;  // ERROR_CTX_WINSTATION_NOT_FOUND
  else if (infoClass == WtsInfoClass::kUserName)
    result.text = session->second.first;
  else if (infoClass == WtsInfoClass::kClientName)
    result.text = session->second.second;
  result.ok = result.lastError == 0;
  return result;
}

bool FakeTerminalServices::StrToIntEx(const std::wstring& text, int32_t* value) {
  if (Consult(faultPlan, "wts StrToIntEx") != Failure::kNone) return false;
  uint32_t magnitude = 0;  // unsigned so the wrap is defined
  size_t i = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
    magnitude = magnitude * 10u + static_cast<uint32_t>(text[i] - L'0');
  *value = static_cast<int32_t>(magnitude);
  return i > 0;
}

}  // namespace vantrel::testing
