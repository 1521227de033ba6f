#include "settings/settings.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>

#include "settings/registry_codec.h"
#include "settings/setting_values.h"

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
    LoadStoredValues();
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

void Settings::Save() {
  std::unique_ptr<RegistryKey> key;
  bool openedExisting = false;
  try {
    if (!registry_.CreateKey(RegistryRoot::kLocalMachine, kSettingsKeyPath, &key, &openedExisting)
             .ok() ||
        !key)
      return;
    WriteString(*key, kNamingFormatValue, NamingFormat);
    WriteString(*key, kAppendToDuplicatesValue, AppendToDuplicates);
    WriteString(*key, kRenameRegexValue, RenameRegex);
    WriteBool(*key, kOnlyRenTSValue, OnlyRenTS);
    WriteBool(*key, kOnlyUseRegexValue, OnlyUseRegex);
    WriteBool(*key, kDeleteDuplicatesValue, DeleteDuplicates);
    WriteBool(*key, kStripParensValue, StripParens);
  } catch (const std::bad_alloc&) {
    return;
  }
  // A list that cannot be built leaves both stored lists as they were.
  std::vector<uint8_t> doNotRen, namingFormats;
  try {
    doNotRen = EncodeMultiSz(DoNotRenList);
    namingFormats = EncodeMultiSz(NamingFormatList);
  } catch (const std::bad_alloc&) {
    return;
  }
  (void)key->SetValue(kDoNotRenListValue.name, kDoNotRenListValue.type, doNotRen.data(),
                      static_cast<uint32_t>(doNotRen.size()));
  (void)key->SetValue(kNamingFormatListValue.name, kNamingFormatListValue.type,
                      namingFormats.data(), static_cast<uint32_t>(namingFormats.size()));
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

void ReloadSettingsInstance() {
  std::lock_guard<std::mutex> lock(InstanceMutex());
  InstanceLocked().Load();
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
