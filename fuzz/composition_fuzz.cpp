// Name composition over a fuzzed printer name, naming format and session
// table. The session of a name is never chosen by the client's computer
// name: when digits follow the last ")", the chosen session is that run, and
// only when it stands as a word of its own. A name the engine may give,
// listed again, is given to no session at all.
#include "fuzz/fuzz_input.h"
#include "service/engine/name_composition.h"
#include "service/log.h"
#include "tests/fakes/fake_terminal_server.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

const wchar_t kDigits[] = L"0123456789";

// The value of the rightmost digit run in name[begin, end), -1 when there is
// none or it does not fit a session id (a run too long saturates).
int64_t LastRun(const std::wstring& name, size_t begin, size_t end) {
  const std::wstring part = name.substr(begin, end - begin);
  const size_t last = part.find_last_of(kDigits);
  if (last == std::wstring::npos) return -1;
  const uint64_t value =
      std::wcstoull(&part[part.find_last_not_of(kDigits, last) + 1], nullptr, 10);
  return value > INT32_MAX ? -1 : static_cast<int64_t>(value);
}

}  // namespace

// Field 0: the printer name (UTF-8). Field 1: the naming format. Field 2:
// StripParens when not empty. Further fields: sessions as "id,user,client".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> fields = Fields(data, size);
  fields.resize(std::max<size_t>(fields.size(), 3));
  FakeTerminalServer wts;
  Settings settings(wts.registry);
  settings.NamingFormat = Utf8ToWide(fields[1]);
  settings.StripParens = !fields[2].empty();
  for (size_t i = 3; i < fields.size(); ++i) {
    const std::string& spec = fields[i];
    const size_t a = spec.find(','), b = spec.find(',', a == std::string::npos ? a : a + 1);
    const uint32_t id = static_cast<uint32_t>(std::strtoul(spec.substr(0, a).c_str(), nullptr, 10));
    const std::string user = a == std::string::npos ? "" : spec.substr(a + 1, b - a - 1);
    const std::string client = b == std::string::npos ? "" : spec.substr(b + 1);
    wts.AddUser(id, Utf8ToWide(user), Utf8ToWide(client), L"");
  }

  const std::wstring name = Utf8ToWide(fields[0]);
  const ComposedName composed = ComposeNewName(wts, settings, name);
  // Any name the pass would accept, composed or suffixed (the input stands
  // for the latter), reads as no session's.
  for (const std::wstring* given : {&composed.newName, &name})
    if (WhyNotToGiveName(*given).empty()) FUZZ_CHECK(!ComposeNewName(wts, settings, *given).ok);
  if (!composed.ok) {
    FUZZ_CHECK(composed.sessionId == -1 && composed.newName == name);
    return 0;
  }
  FUZZ_CHECK(composed.sessionId >= 0);
  const size_t open = name.rfind(L'('), close = name.rfind(L')');
  FUZZ_CHECK(open != std::wstring::npos && close != std::wstring::npos && open < close);
  if (const size_t last = name.find_last_of(kDigits); last != std::wstring::npos && last > close) {
    const size_t first = name.find_last_not_of(kDigits, last) + 1;
    FUZZ_CHECK(first == close + 1 || std::iswspace(name[first - 1]));
    FUZZ_CHECK(last + 1 == name.size() || std::iswspace(name[last + 1]));
    FUZZ_CHECK(composed.sessionId == LastRun(name, close + 1, name.size()));
  } else {
    // Only the "(redirected N)" form is left: white space alone after the
    // ")", and the run inside names a session the server knows.
    for (size_t i = close + 1; i < name.size(); ++i) FUZZ_CHECK(std::iswspace(name[i]));
    FUZZ_CHECK(composed.sessionId == LastRun(name, open + 1, close));
    std::wstring state;
    FUZZ_CHECK(wts.QuerySessionInformation(static_cast<uint32_t>(composed.sessionId),
                                           WtsInfoClass::kConnectState, &state)
                   .ok());
  }
  if (settings.StripParens) FUZZ_CHECK(composed.newName.find_first_of(L"()") == std::wstring::npos);
  return 0;
}
