#include "settings/settings.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>

#include "settings/registry_codec.h"

namespace vantrel {
namespace {

// The text of a REG_SZ value read into the 2048-byte buffer; nothing when
// the value is missing, of another type or larger than the buffer.
bool ReadString(RegistryKey& key, const SettingValue& value, std::wstring* out) {
  uint32_t type = reg_type::kNone;
  std::vector<uint8_t> data;
  if (!key.QueryValue(value.name, kStringValueCapacity, &type, &data).ok() || type != value.type)
    return false;
  *out = DecodeRegSz(data);
  return true;
}

bool ReadBool(RegistryKey& key, const SettingValue& value, bool* out) {
  uint32_t type = reg_type::kNone;
  std::vector<uint8_t> data;
  if (!key.QueryValue(value.name, 4, &type, &data).ok() || type != value.type) return false;
  *out = DecodeDword(data) != 0;
  return true;
}

// Empties `list`, then fills it from a REG_MULTI_SZ value of any size;
// false when the value could not be taken.
bool ReadList(RegistryKey& key, const SettingValue& value, std::vector<std::wstring>* list) {
  list->clear();
  uint32_t type = reg_type::kNone;
  uint32_t size = 0;
  if (!key.QueryValueInfo(value.name, &type, &size).ok() || type != value.type) return false;
  // Two spare bytes so a last string stored without its NUL still ends.
  std::vector<uint8_t> data;
  if (!key.QueryValue(value.name, size + 2, &type, &data).ok() || type != value.type) return false;
  *list = DecodeMultiSz(data, std::min<size_t>(size, data.size()));
  return true;
}

// Each value's field in the record, by kind.
const std::pair<const SettingValue*, std::wstring Settings::*> kTextFields[] = {
    {&kNamingFormatValue, &Settings::NamingFormat},
    {&kRenameRegexValue, &Settings::RenameRegex},
    {&kAppendToDuplicatesValue, &Settings::AppendToDuplicates}};
const std::pair<const SettingValue*, bool Settings::*> kFlagFields[] = {
    {&kOnlyRenTSValue, &Settings::OnlyRenTS},
    {&kDeleteDuplicatesValue, &Settings::DeleteDuplicates},
    {&kOnlyUseRegexValue, &Settings::OnlyUseRegex},
    {&kStripParensValue, &Settings::StripParens}};
const std::pair<const SettingValue*, std::vector<std::wstring> Settings::*> kListFields[] = {
    {&kDoNotRenListValue, &Settings::DoNotRenList},
    {&kNamingFormatListValue, &Settings::NamingFormatList}};

// Stands in when no registry was installed: there is no key to open, so
// the record keeps its defaults instead of the process crashing.
class NoRegistry : public Registry {
 public:
  Status CreateKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*,
                   bool*) override {
    return Status(win32_error::kFileNotFound);
  }
  Status OpenKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*) override {
    return Status(win32_error::kFileNotFound);
  }
  Status OpenKeyForReading(RegistryRoot, const std::wstring&,
                           std::unique_ptr<RegistryKey>*) override {
    return Status(win32_error::kFileNotFound);
  }
};

NoRegistry& NoRegistryInstance() {
  static NoRegistry* none = new NoRegistry;
  return *none;
}

// A record with nothing but the defaults.
const Settings& Defaults() {
  static const Settings* defaults = new Settings(NoRegistryInstance());
  return *defaults;
}

void WriteString(RegistryKey& key, const SettingValue& value, const std::wstring& text) {
  std::vector<uint8_t> bytes = EncodeRegSz(text);
  (void)key.SetValue(value.name, value.type, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void WriteBool(RegistryKey& key, const SettingValue& value, bool on) {
  std::vector<uint8_t> bytes = EncodeDword(on ? 1 : 0);
  (void)key.SetValue(value.name, value.type, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace

Settings::Settings(Registry& registry, SettingsAccess access)
    : registry_(registry), access_(access) {
  Load();
}

void Settings::Load() {
  try {
    // What policy set last time is not the stored value: start it again
    // from the default, so the stored value (or the default) applies now.
    if (policyValues_) {
      const Settings& defaults = Defaults();
      for (const auto& [value, field] : kTextFields)
        if (FromPolicy(*value)) this->*field = defaults.*field;
      for (const auto& [value, field] : kFlagFields)
        if (FromPolicy(*value)) this->*field = defaults.*field;
      for (const auto& [value, field] : kListFields)
        if (FromPolicy(*value)) this->*field = defaults.*field;
    }
    policyValues_ = 0;
    ignoredPolicyValues_ = 0;
    LoadStoredValues();
    LoadPolicyValues();
  } catch (const std::bad_alloc&) {
    // Out of memory in the middle of a load: the fields read so far keep
    // their new values, as with any other failed read.
  }
}

void Settings::LoadStoredValues() {
  std::unique_ptr<RegistryKey> key;
  bool openedExisting = false;
  keyStatus_ =
      access_ == SettingsAccess::kReadOnly
          ? registry_.OpenKeyForReading(RegistryRoot::kLocalMachine, kSettingsKeyPath, &key)
          : registry_.CreateKey(RegistryRoot::kLocalMachine, kSettingsKeyPath, &key,
                                &openedExisting);
  if (keyStatus_.ok() && !key) keyStatus_ = Status(win32_error::kFileNotFound);
  if (!keyStatus_.ok()) return;
  // A key created just now holds nothing to read.
  if (access_ == SettingsAccess::kReadWrite && !openedExisting) {
    keyStatus_ = Status(win32_error::kFileNotFound);
    return;
  }

  ReadString(*key, kNamingFormatValue, &NamingFormat);
  if (!ReadString(*key, kAppendToDuplicatesValue, &AppendToDuplicates))
    AppendToDuplicates = L" - Duplicate";
  ReadBool(*key, kOnlyRenTSValue, &OnlyRenTS);
  ReadBool(*key, kOnlyUseRegexValue, &OnlyUseRegex);
  ReadBool(*key, kStripParensValue, &StripParens);
  ReadString(*key, kRenameRegexValue, &RenameRegex);
  ReadBool(*key, kDeleteDuplicatesValue, &DeleteDuplicates);
  ReadList(*key, kDoNotRenListValue, &DoNotRenList);
  ReadList(*key, kNamingFormatListValue, &NamingFormatList);
}

void Settings::LoadPolicyValues() {
  // Group Policy owns this key; nobody here ever needs to write it.
  std::unique_ptr<RegistryKey> key;
  policyKeyStatus_ = registry_.OpenKeyForReading(RegistryRoot::kLocalMachine, kPolicyKeyPath, &key);
  if (policyKeyStatus_.ok() && !key) policyKeyStatus_ = Status(win32_error::kFileNotFound);
  if (!policyKeyStatus_.ok()) return;

  // Read into a scratch field first: an absent or unusable policy value
  // must leave the stored one in place.
  auto take = [&](const SettingValue& value, auto read, auto& field) {
    uint32_t type = reg_type::kNone;
    if (!key->QueryValueInfo(value.name, &type, nullptr).ok()) return;  // absent
    std::remove_reference_t<decltype(field)> scratch{};
    if (read(*key, value, &scratch)) {
      field = std::move(scratch);
      policyValues_ |= value.bit;
    } else {
      ignoredPolicyValues_ |= value.bit;
    }
  };
  for (const auto& [value, field] : kTextFields) take(*value, ReadString, this->*field);
  for (const auto& [value, field] : kFlagFields) take(*value, ReadBool, this->*field);
  for (const auto& [value, field] : kListFields) take(*value, ReadList, this->*field);
}

void Settings::Save() {
  std::unique_ptr<RegistryKey> key;
  bool openedExisting = false;
  try {
    if (!registry_.CreateKey(RegistryRoot::kLocalMachine, kSettingsKeyPath, &key, &openedExisting)
             .ok() ||
        !key)
      return;
    // A field policy sets holds the policy's value: writing it would
    // leave that value behind once the policy is gone.
    for (const auto& [value, field] : kTextFields)
      if (!FromPolicy(*value)) WriteString(*key, *value, this->*field);
    for (const auto& [value, field] : kFlagFields)
      if (!FromPolicy(*value)) WriteBool(*key, *value, this->*field);
  } catch (const std::bad_alloc&) {
    return;
  }
  // A list that cannot be built leaves both stored lists as they were.
  std::vector<uint8_t> lists[std::size(kListFields)];
  try {
    for (size_t i = 0; i < std::size(kListFields); ++i)
      lists[i] = EncodeMultiSz(this->*kListFields[i].second);
  } catch (const std::bad_alloc&) {
    return;
  }
  for (size_t i = 0; i < std::size(kListFields); ++i) {
    const SettingValue& value = *kListFields[i].first;
    if (FromPolicy(value)) continue;
    (void)key->SetValue(value.name, value.type, lists[i].data(),
                        static_cast<uint32_t>(lists[i].size()));
  }
}

namespace {

std::mutex& InstanceMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}
Registry* installedRegistry = nullptr;
SettingsAccess installedAccess = SettingsAccess::kReadWrite;
Settings* instance = nullptr;

Settings& InstanceLocked() {
  if (!instance)
    instance = new Settings(installedRegistry ? *installedRegistry : NoRegistryInstance(),
                            installedAccess);
  return *instance;
}

}  // namespace

Settings& GetSettings() {
  std::lock_guard<std::mutex> lock(InstanceMutex());
  return InstanceLocked();
}

Settings CopySettings() {
  std::lock_guard<std::mutex> lock(InstanceMutex());
  return InstanceLocked();
}

Settings ReloadSettingsInstance() {
  std::lock_guard<std::mutex> lock(InstanceMutex());
  InstanceLocked().Load();
  return *instance;
}

void SetSettingsRegistry(Registry* registry, SettingsAccess access) {
  std::lock_guard<std::mutex> lock(InstanceMutex());
  installedRegistry = registry;
  installedAccess = access;
}

void ResetSettingsForTesting() {
  std::lock_guard<std::mutex> lock(InstanceMutex());
  delete instance;
  instance = nullptr;
}

}  // namespace vantrel
