// Settings loading over a registry whose values have any type, size and
// length, one of which may change between the size query and the read.
// Whatever loads must save and load back unchanged.
#include <tuple>

#include "fuzz/fuzz_input.h"
#include "platform/text.h"
#include "settings/registry_codec.h"
#include "settings/settings.h"
#include "tests/fakes/fake_registry.h"

using namespace vantrel;

namespace {
const wchar_t* const kNames[] = {L"NamingFormat",     L"AppendToDuplicates", L"RenameRegex",
                                 L"OnlyRenTS",        L"OnlyUseRegex",       L"StripParens",
                                 L"DeleteDuplicates", L"DoNotRenList",       L"NamingFormatList"};
constexpr auto kMachine = RegistryRoot::kLocalMachine;

// A string field comes back only when its value fits the read buffer.
bool SameString(const std::wstring& loaded, const std::wstring& reloaded) {
  return loaded == reloaded || (WideToUtf16(loaded).size() + 1) * 2 > kStringValueCapacity;
}
}  // namespace

// Fields 0-8: a value each (first byte the type, mod 8; empty: absent).
// Field 9: the QueryValue call (first byte) before which that value becomes
// the rest (type byte, then data).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> fields = Fields(data, size);
  testing::FakeRegistry registry;
  registry.AddKey(kMachine, kSettingsKeyPath);
  for (size_t i = 0; i < std::size(kNames) && i < fields.size(); ++i)
    if (!fields[i].empty())
      registry.SetRaw(kMachine, kSettingsKeyPath, kNames[i], fields[i][0] % 8,
                      Bytes(fields[i].substr(1)));
  const std::string grow = fields.size() > std::size(kNames) ? fields[9] : "";
  if (grow.size() >= 2) {
    registry.failHook = [&, calls = 0](const std::string& call, const std::wstring& name) mutable {
      if (call == "QueryValue" && calls++ == static_cast<uint8_t>(grow[0]))
        registry.SetRaw(kMachine, kSettingsKeyPath, name, grow[1] % 8, Bytes(grow.substr(2)));
      return 0;
    };
  }
  Settings loaded(registry);
  registry.failHook = nullptr;
  loaded.Save();
  Settings reloaded(registry);
  for (auto text : {&Settings::NamingFormat, &Settings::AppendToDuplicates, &Settings::RenameRegex})
    FUZZ_CHECK(SameString(loaded.*text, reloaded.*text));
  const auto rest = [](const Settings& s) {
    return std::tie(s.DoNotRenList, s.NamingFormatList, s.OnlyRenTS, s.OnlyUseRegex, s.StripParens,
                    s.DeleteDuplicates);
  };
  FUZZ_CHECK(rest(loaded) == rest(reloaded));
  return 0;
}
