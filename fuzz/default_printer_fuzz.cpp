// Default-printer repointing over any hive: the user's Device value of any
// type and bytes, any session keys (some that cannot be opened) and any
// one registry call failing. Only this user's session defaults change, and
// only to the user's own Device value.
#include <algorithm>

#include "fuzz/fuzz_input.h"
#include "platform/text.h"
#include "service/engine/default_printer.h"
#include "service/log.h"
#include "settings/registry_codec.h"
#include "tests/fakes/fake_terminal_server.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {
constexpr auto kUsers = RegistryRoot::kUsers;
const std::wstring kWindows = kUserWindowsKey;
const std::wstring kSessions = kWindows + L"\\SessionDefaultDevices\\";
const std::wstring kUser = L"S-1-5-21-7-1001", kOther = L"S-1-5-21-7-1002";
}  // namespace

// Field 0: the renamed printer (UTF-8). Field 1: the Device value (first
// byte the type, mod 8; empty: absent). Field 2: the registry call that
// fails (first byte). Further fields: session key names ('!' first: denied).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> fields = Fields(data, size);
  fields.resize(std::max<size_t>(fields.size(), 3));
  FakeRegistry registry;
  FakeSettingChangeBroadcaster broadcaster;
  std::vector<std::wstring> sessions;
  for (size_t i = 3; i < fields.size(); ++i) {
    sessions.push_back(Utf8ToWide(fields[i]));
    std::ranges::replace(sessions.back(), L'\\', L'/');  // key names hold no backslash
    registry.AddKey(kUsers, kUser + kSessions + sessions.back());
    if (fields[i][0] == '!') registry.DenyOpen(kUsers, kUser + kSessions + sessions.back());
  }
  const std::vector<uint8_t> device = Bytes(fields[1].empty() ? "" : fields[1].substr(1));
  registry.AddKey(kUsers, kUser + kWindows);
  for (const std::wstring& sid : {kUser, kOther})
    if (!fields[1].empty())
      registry.SetRaw(kUsers, sid + kWindows, L"Device", fields[1][0] % 8, device);
  registry.AddKey(kUsers, kOther + kSessions + L"1");
  const int failAt = fields[2].empty() ? -1 : static_cast<uint8_t>(fields[2][0]);
  registry.failHook = [&, calls = 0](const std::string&, const std::wstring&) mutable {
    return calls++ == failAt ? win32_error::kAccessDenied : 0;
  };

  RegisterDefaultPrinter(registry, broadcaster, kUser, Utf8ToWide(fields[0]));
  FUZZ_CHECK(!registry.GetRaw(kUsers, kOther + kSessions + L"1", L"Device"));
  bool written = false;
  for (const std::wstring& session : sessions) {
    auto value = registry.GetRaw(kUsers, kUser + kSessions + session, L"Device");
    FUZZ_CHECK(!value || (value->type == reg_type::kSz && value->data == device));
    written = written || value;
  }
  // Only a Device value that names the renamed printer (ASCII case aside) is copied.
  const std::wstring named = DecodeRegSz(device);
  if (written)
    FUZZ_CHECK(EqualsIgnoringAsciiCase(named.substr(0, named.find(L',')), Utf8ToWide(fields[0])));
  FUZZ_CHECK(broadcaster.areas.size() == (written ? 1u : 0u) || (!written && failAt >= 0));
  return 0;
}
