#include "service/engine/name_composition.h"

#include <algorithm>
#include <cwctype>
#include <optional>
#include <utility>

#include "platform/text.h"
#include "service/log.h"

namespace vantrel {
namespace {

constexpr size_t kUnset = static_cast<size_t>(-1);

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsSpace(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; }

// The rightmost run of digits in name[begin, end) as [first, last); first ==
// last when there is none.
std::pair<size_t, size_t> LastDigitRun(const std::wstring& name, size_t begin, size_t end) {
  size_t last = end;
  while (last > begin && !IsAsciiDigit(name[last - 1])) --last;
  size_t first = last;
  while (first > begin && IsAsciiDigit(name[first - 1])) --first;
  return {first, last};
}

// Whether a digit run's value fits a non-negative 32-bit id. StrToIntExW
// wraps silently, so "4294967299" would otherwise come back as session 3
// and the printer would be named for somebody else.
bool FitsSessionId(const std::wstring& digits) {
  constexpr std::wstring_view kMax = L"2147483647";
  size_t start = digits.find_first_not_of(L'0');
  if (start == std::wstring::npos) return true;
  std::wstring_view significant(digits.data() + start, digits.size() - start);
  return significant.size() < kMax.size() ||
         (significant.size() == kMax.size() && significant <= kMax);
}

std::optional<int32_t> ConvertSessionId(TerminalServices& wts, const std::wstring& digits) {
  int32_t value = 0;
  if (!wts.ParseInteger(digits, &value).ok() || value < 0 || !FitsSessionId(digits))
    return std::nullopt;
  return value;
}

// Any state counts: the query succeeding means the session exists.
bool IsSessionValid(TerminalServices& wts, const std::wstring& digits) {
  const std::optional<int32_t> id = ConvertSessionId(wts, digits);
  std::wstring state;
  return id && wts.QuerySessionInformation(static_cast<uint32_t>(*id), WtsInfoClass::kConnectState,
                                           &state)
                   .ok();
}

// Where a redirected printer's name holds its session number, read from the
// text alone.
struct SessionNumber {
  bool parens = false;  // a "(" before the last ")"
  size_t open = 0;      // the last "(" when `parens`
  std::wstring digits;  // empty when no run qualifies
  bool inside = false;  // the run stands inside the parentheses
};

// Windows writes the session either after the parentheses ("(from CLIENT)
// in session 3", also in other languages and with a word after the number)
// or inside them ("(redirected 3)"). In the first form the parentheses hold
// the client computer's name, which the remote user chooses and which often
// ends in digits: those must never pick the session, so the last digit run
// after the ")" decides alone, and only as a word of its own; a name such as
// "HP (Color) On student42", which this service may have given itself, has
// no session. The digits inside count only when nothing but white space
// follows the ")".
SessionNumber FindSessionNumber(const std::wstring& name) {
  SessionNumber number;
  const size_t open = name.rfind(L'(');
  const size_t close = name.rfind(L')');
  if (open == std::wstring::npos || close == std::wstring::npos || open > close) return number;
  number.parens = true;
  number.open = open;
  const auto [first, last] = LastDigitRun(name, close + 1, name.size());
  if (first != last) {
    const bool word = (first == close + 1 || IsSpace(name[first - 1])) &&
                      (last == name.size() || IsSpace(name[last]));
    if (word) number.digits = name.substr(first, last - first);
    return number;
  }
  if (std::all_of(name.begin() + static_cast<ptrdiff_t>(close) + 1, name.end(), IsSpace)) {
    const auto [in, out] = LastDigitRun(name, open + 1, close);
    number.digits = name.substr(in, out - in);
    number.inside = true;
  }
  return number;
}

struct RedirectedName {
  std::wstring baseName;  // the name before the last "(", trimmed
  int32_t sessionId = -1;
};

// The session that Windows wrote into a redirected printer's name, logging
// why when there is none.
std::optional<RedirectedName> FindSession(TerminalServices& wts, const std::wstring& currentName) {
  const SessionNumber number = FindSessionNumber(currentName);
  if (!number.parens) {
    LogPrintfW(L"There was no paren in the current name (\"%s\"), so we're bailing\n", currentName);
    return std::nullopt;
  }
  bool taken = !number.digits.empty();
  if (taken && number.inside) {
    taken = IsSessionValid(wts, number.digits);
    LogPrintfW(L"Checked whether the session id was valid, and it %s\n",
               taken ? L"was" : L"was not");
  }
  if (!taken) {
    LogPrintfW(
        L"We were entirely unable to find the session start or end location.  Start: 0x%X, End: "
        L"0x%X\n",
        static_cast<uint32_t>(kUnset), static_cast<uint32_t>(kUnset));
    return std::nullopt;
  }

  const std::optional<int32_t> sessionId = ConvertSessionId(wts, number.digits);
  if (!sessionId) {
    LogPrintfW(
        L"Were not able to convert what we thought was the session ID into a number.  We got %s "
        L"as the session ID\n",
        number.digits);
    return std::nullopt;
  }
  std::wstring baseName = currentName.substr(0, number.open);
  TrimWhitespace(baseName);
  return RedirectedName{std::move(baseName), *sessionId};
}

struct SessionNames {
  std::wstring user, client;
};

// Each name that cannot be had is logged and left empty.
SessionNames GetSessionNames(TerminalServices& wts, uint32_t sessionId) {
  SessionNames names;
  if (const Status status =
          wts.QuerySessionInformation(sessionId, WtsInfoClass::kUserName, &names.user);
      !status.ok()) {
    LogPrintfW(L"Could not get the WTSUserName, %d\n", status.code());
  }
  if (const Status status =
          wts.QuerySessionInformation(sessionId, WtsInfoClass::kClientName, &names.client);
      !status.ok()) {
    LogPrintfW(L"Could not get the WTSClientName, %d\n", status.code());
  }
  return names;
}

// The NamingFormat with the names put in, in one pass from the left: a
// name put in is never searched for tokens, so a printer or user named
// "%username%" stays as it is. Each token is replaced at its first
// occurrence only (ASCII letters folded). When the session has neither
// name, its tokens stay as they are.
std::wstring ApplyFormat(const Settings& settings, const std::wstring& baseName,
                         const SessionNames& names) {
  struct Token {
    std::wstring_view text;
    const std::wstring& value;
    bool pending;
  };
  const bool named = !names.user.empty() || !names.client.empty();
  Token tokens[] = {{L"%printername%", baseName, true},
                    {L"%username%", names.user, named},
                    {L"%hostname%", names.client, named},
                    {L"%clientname%", names.client, named}};
  const std::wstring& format = settings.NamingFormat;
  std::wstring newName;
  for (size_t at = 0; at < format.size();) {
    Token* found = nullptr;
    for (Token& token : tokens) {
      if (token.pending && format.size() - at >= token.text.size() &&
          std::equal(token.text.begin(), token.text.end(),
                     format.begin() + static_cast<ptrdiff_t>(at),
                     [](wchar_t a, wchar_t b) { return AsciiUpper(a) == AsciiUpper(b); })) {
        found = &token;
        break;
      }
    }
    if (!found) {
      newName += format[at++];
      continue;
    }
    newName += found->value;
    at += found->text.size();
    found->pending = false;
  }
  if (settings.StripParens)
    std::erase_if(newName, [](wchar_t c) { return c == L'(' || c == L')'; });
  return newName;
}

}  // namespace

ComposedName ComposeNewName(TerminalServices& wts, const Settings& settings,
                            const std::wstring& currentName) {
  const std::optional<RedirectedName> found = FindSession(wts, currentName);
  if (!found) return ComposedName{false, currentName, -1, {}, {}};
  SessionNames names = GetSessionNames(wts, static_cast<uint32_t>(found->sessionId));
  std::wstring newName = ApplyFormat(settings, found->baseName, names);
  LogPrintfW(L"The printer named %s should be renamed %s for session %d\n", currentName, newName,
             found->sessionId);
  return ComposedName{true, std::move(newName), found->sessionId, std::move(names.user),
                      std::move(names.client)};
}

std::wstring WhyNotToGiveName(const std::wstring& name) {
  if (name.empty()) return L"it is empty";
  if (name.size() > kMaxPrinterNameChars) return L"it is longer than 220 characters";
  if (name.find(L',') != std::wstring::npos) return L"it contains a comma";
  if (name.find(L'\\') != std::wstring::npos) return L"it contains a backslash";
  // Listed again once its session's cache entry is gone (a log-off or a
  // restart), such a name would be taken for that session's printer and
  // renamed again, for whoever holds that session then.
  const SessionNumber number = FindSessionNumber(name);
  if (!number.digits.empty() && FitsSessionId(number.digits))
    return L"it would read as session " + std::to_wstring(std::stoi(number.digits)) + L"'s printer";
  return {};
}

void TrimWhitespace(std::wstring& text) {
  while (!text.empty() && IsSpace(text.back())) text.pop_back();
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), IsSpace));
}

}  // namespace vantrel
