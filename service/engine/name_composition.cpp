#include "service/engine/name_composition.h"

#include <algorithm>
#include <cwctype>

#include "service/log.h"

namespace vantrel {
namespace {

constexpr size_t kUnset = static_cast<size_t>(-1);

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Only a-z fold: names are matched the same way whatever the locale says
// about other letters.
wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

struct DigitRun {
  size_t first = kUnset;
  size_t last = kUnset;
  bool found() const { return last != kUnset; }
};

// The rightmost run of digits in name[begin, end), scanning from the right.
DigitRun FindLastDigitRun(const std::wstring& name, size_t begin, size_t end) {
  DigitRun run;
  for (size_t i = end; i > begin; --i) {
    if (IsAsciiDigit(name[i - 1])) {
      if (!run.found()) run.last = i - 1;
      run.first = i - 1;
    } else if (run.found()) {
      break;
    }
  }
  return run;
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

bool ConvertSessionId(TerminalServices& wts, const std::wstring& digits, int32_t* sessionId) {
  int32_t value = 0;
  if (!wts.StrToIntEx(digits, &value) || value < 0 || !FitsSessionId(digits)) return false;
  *sessionId = value;
  return true;
}

std::wstring RunText(const std::wstring& name, size_t first, size_t last) {
  return name.substr(first, last - first + 1);
}

}  // namespace

ComposedName ComposeNewName(TerminalServices& wts, const Settings& settings,
                            const std::wstring& currentName) {
  const ComposedName failed{false, currentName, -1, {}, {}};

  const size_t open = currentName.rfind(L'(');
  const size_t close = currentName.rfind(L')');
  if (open == std::wstring::npos || close == std::wstring::npos || open > close) {
    LogPrintfW(L"There was no paren in the current name (\"%s\"), so we're bailing\n", currentName);
    return failed;
  }

  std::wstring baseName = currentName.substr(0, open);
  TrimWhitespace(baseName);

  // Windows writes the session either after the parentheses ("(from CLIENT)
  // in session 3") or inside them ("(redirected 3)"). In the first form the
  // parentheses hold the client computer's name, which the remote user
  // chooses and which often ends in digits: those must never pick the
  // session, so digits after the ")" decide alone, and the digits inside
  // count only when nothing but white space follows the ")".
  DigitRun run = FindLastDigitRun(currentName, close + 1, currentName.size());
  bool taken = run.found();
  const bool onlySpaceAfter = std::all_of(currentName.begin() + static_cast<ptrdiff_t>(close) + 1,
                                          currentName.end(), [](wchar_t c) {
                                            return std::iswspace(static_cast<wint_t>(c)) != 0;
                                          });
  if (!taken && onlySpaceAfter) {
    run = FindLastDigitRun(currentName, open + 1, close);
    if (run.found()) {
      taken = IsSessionValid(wts, currentName, run.first, run.last);
      LogPrintfW(L"Checked whether the session id was valid, and it %s\n",
                 taken ? L"was" : L"was not");
    }
  }
  if (!taken) {
    LogPrintfW(
        L"We were entirely unable to find the session start or end location.  Start: 0x%X, End: "
        L"0x%X\n",
        static_cast<uint32_t>(kUnset), static_cast<uint32_t>(kUnset));
    return failed;
  }

  const std::wstring digits = RunText(currentName, run.first, run.last);
  int32_t sessionId = -1;
  if (!ConvertSessionId(wts, digits, &sessionId)) {
    LogPrintfW(
        L"Were not able to convert what we thought was the session ID into a number.  We got %s "
        L"as the session ID\n",
        digits);
    return failed;
  }

  std::wstring newName = settings.NamingFormat;
  ReplaceFirstNoCase(newName, L"%printername%", baseName);
  std::wstring userName;
  std::wstring clientName;
  if (GetSessionNames(wts, static_cast<uint32_t>(sessionId), &userName, &clientName)) {
    ReplaceFirstNoCase(newName, L"%username%", userName);
    ReplaceFirstNoCase(newName, L"%hostname%", clientName);
    ReplaceFirstNoCase(newName, L"%clientname%", clientName);
  }
  if (settings.StripParens)
    std::erase_if(newName, [](wchar_t c) { return c == L'(' || c == L')'; });

  LogPrintfW(L"The printer named %s should be renamed %s for session %d\n", currentName, newName,
             sessionId);
  return ComposedName{true, std::move(newName), sessionId, std::move(userName),
                      std::move(clientName)};
}

const wchar_t* WhyNotAPrinterName(const std::wstring& name) {
  if (name.empty()) return L"it is empty";
  if (name.size() > kMaxPrinterNameChars) return L"it is longer than 220 characters";
  if (name.find(L',') != std::wstring::npos) return L"it contains a comma";
  if (name.find(L'\\') != std::wstring::npos) return L"it contains a backslash";
  return nullptr;
}

bool IsSessionValid(TerminalServices& wts, const std::wstring& currentName, size_t first,
                    size_t last) {
  if (first > last || last >= currentName.size()) return false;
  int32_t sessionId = -1;
  if (!ConvertSessionId(wts, RunText(currentName, first, last), &sessionId)) return false;
  // Any state counts: the query succeeding means the session exists.
  return wts.QuerySessionInformation(static_cast<uint32_t>(sessionId), WtsInfoClass::kConnectState)
      .ok;
}

bool GetSessionNames(TerminalServices& wts, uint32_t sessionId, std::wstring* userName,
                     std::wstring* clientName) {
  userName->clear();
  clientName->clear();
  WtsQueryResult user = wts.QuerySessionInformation(sessionId, WtsInfoClass::kUserName);
  if (user.ok) {
    *userName = std::move(user.text);
  } else {
    LogPrintfW(L"Could not get the WTSUserName, %d\n", static_cast<int32_t>(user.lastError));
  }
  WtsQueryResult client = wts.QuerySessionInformation(sessionId, WtsInfoClass::kClientName);
  if (client.ok) {
    *clientName = std::move(client.text);
  } else {
    LogPrintfW(L"Could not get the WTSClientName, %d\n", static_cast<int32_t>(client.lastError));
  }
  return !userName->empty() || !clientName->empty();
}

void ReplaceFirstNoCase(std::wstring& text, const std::wstring& token, const std::wstring& value) {
  auto at = std::search(text.begin(), text.end(), token.begin(), token.end(),
                        [](wchar_t a, wchar_t b) { return AsciiUpper(a) == AsciiUpper(b); });
  if (at == text.end()) return;
  const auto offset = static_cast<size_t>(at - text.begin());
  text.replace(offset, token.size(), value);
}

void TrimWhitespace(std::wstring& text) {
  auto isSpace = [](wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; };
  while (!text.empty() && isSpace(text.back())) text.pop_back();
  auto start = std::find_if_not(text.begin(), text.end(), isSpace);
  text.erase(text.begin(), start);
}

}  // namespace vantrel
