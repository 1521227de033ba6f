#include "tests/fakes/fake_terminal_services.h"

namespace vantrel::testing {

void FakeTerminalServices::AddSession(uint32_t sessionId, std::wstring userName,
                                      std::wstring clientName) {
  sessions_[sessionId] = Session{std::move(userName), std::move(clientName)};
}

void FakeTerminalServices::FailQuery(uint32_t sessionId, WtsInfoClass infoClass,
                                     uint32_t lastError) {
  failures_[{sessionId, infoClass}] = lastError;
}

WtsQueryResult FakeTerminalServices::QuerySessionInformation(uint32_t sessionId,
                                                             WtsInfoClass infoClass) {
  queries.emplace_back(sessionId, infoClass);
  WtsQueryResult result;
  if (auto failure = failures_.find({sessionId, infoClass}); failure != failures_.end()) {
    result.lastError = failure->second;
    return result;
  }
  auto session = sessions_.find(sessionId);
  if (session == sessions_.end()) {
    result.lastError = kSessionNotFound;
    return result;
  }
  result.ok = true;
  switch (infoClass) {
    case WtsInfoClass::kUserName:
      result.text = session->second.userName;
      break;
    case WtsInfoClass::kClientName:
      result.text = session->second.clientName;
      break;
    case WtsInfoClass::kConnectState:
      result.bytesReturned = 4;  // a WTS_CONNECTSTATE_CLASS
      return result;
  }
  // The real buffers are NUL-terminated UTF-16; an empty name is a size-0 one
  // here so both "absent" shapes get exercised.
  result.bytesReturned =
      result.text.empty() ? 0 : static_cast<uint32_t>((result.text.size() + 1) * 2);
  return result;
}

bool FakeTerminalServices::StrToIntEx(const std::wstring& text, int32_t* value) {
  conversions.push_back(text);
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  if (i >= text.size() || text[i] < L'0' || text[i] > L'9') return false;
  uint32_t magnitude = 0;  // unsigned so the wrap is defined
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
    magnitude = magnitude * 10u + static_cast<uint32_t>(text[i] - L'0');
  if (negative) magnitude = 0u - magnitude;
  *value = static_cast<int32_t>(magnitude);
  return true;
}

}  // namespace vantrel::testing
