#include "settings/settings.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>

#include "settings/registry_codec.h"

namespace vantrel {
namespace {

// The text of a REG_SZ value read into the 2048-byte buffer; nothing when
// the value is missing, of another type or larger than the buffer.
bool ReadString(RegistryKey& key, const wchar_t* name, std::wstring* out) {
  uint32_t type = reg_type::kNone;
  std::vector<uint8_t> data;
  if (key.QueryValue(name, kStringValueCapacity, &type, &data) != win32_error::kSuccess ||
      type != reg_type::kSz)
    return false;
  *out = DecodeRegSz(data);
  return true;
}

bool ReadBool(RegistryKey& key, const wchar_t* name, bool* out) {
  uint32_t type = reg_type::kNone;
  std::vector<uint8_t> data;
  if (key.QueryValue(name, 4, &type, &data) != win32_error::kSuccess || type != reg_type::kDword)
    return false;
  *out = DecodeDword(data) != 0;
  return true;
}

// Empties `list`, then fills it from a REG_MULTI_SZ value of any size.
void ReadList(RegistryKey& key, const wchar_t* name, std::vector<std::wstring>* list) {
  list->clear();
  uint32_t type = reg_type::kNone;
  uint32_t size = 0;
  if (key.QueryValueInfo(name, &type, &size) != win32_error::kSuccess || type != reg_type::kMultiSz)
    return;
  // Two spare bytes so a last string stored without its NUL still ends.
  std::vector<uint8_t> data;
  if (key.QueryValue(name, size + 2, &type, &data) != win32_error::kSuccess ||
      type != reg_type::kMultiSz)
    return;
  *list = DecodeMultiSz(data, std::min<size_t>(size, data.size()));
}

void WriteString(RegistryKey& key, const wchar_t* name, const std::wstring& text) {
  std::vector<uint8_t> bytes = EncodeRegSz(text);
  key.SetValue(name, reg_type::kSz, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void WriteBool(RegistryKey& key, const wchar_t* name, bool value) {
  std::vector<uint8_t> bytes = EncodeDword(value ? 1 : 0);
  key.SetValue(name, reg_type::kDword, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace

Settings::Settings(Registry& registry) : registry_(registry) { Load(); }

void Settings::Load() {
  try {
    std::unique_ptr<RegistryKey> key;
    bool openedExisting = false;
    if (registry_.CreateKey(RegistryRoot::kLocalMachine, kSettingsKeyPath, &key, &openedExisting) !=
            win32_error::kSuccess ||
        !key)
      return;
    // A key created just now holds nothing to read.
    if (!openedExisting) return;

    ReadString(*key, L"NamingFormat", &NamingFormat);
    if (!ReadString(*key, L"AppendToDuplicates", &AppendToDuplicates))
      AppendToDuplicates = L" - Duplicate";
    ReadBool(*key, L"OnlyRenTS", &OnlyRenTS);
    ReadBool(*key, L"OnlyUseRegex", &OnlyUseRegex);
    ReadBool(*key, L"StripParens", &StripParens);
    ReadString(*key, L"RenameRegex", &RenameRegex);
    ReadBool(*key, L"DeleteDuplicates", &DeleteDuplicates);
    ReadList(*key, L"DoNotRenList", &DoNotRenList);
    ReadList(*key, L"NamingFormatList", &NamingFormatList);
  } catch (const std::bad_alloc&) {
    // Out of memory in the middle of a load: the fields read so far keep
    // their new values, as with any other failed read.
  }
}

void Settings::Save() {
  std::unique_ptr<RegistryKey> key;
  bool openedExisting = false;
  try {
    if (registry_.CreateKey(RegistryRoot::kLocalMachine, kSettingsKeyPath, &key, &openedExisting) !=
            win32_error::kSuccess ||
        !key)
      return;
    WriteString(*key, L"NamingFormat", NamingFormat);
    WriteString(*key, L"AppendToDuplicates", AppendToDuplicates);
    WriteString(*key, L"RenameRegex", RenameRegex);
    WriteBool(*key, L"OnlyRenTS", OnlyRenTS);
    WriteBool(*key, L"OnlyUseRegex", OnlyUseRegex);
    WriteBool(*key, L"DeleteDuplicates", DeleteDuplicates);
    WriteBool(*key, L"StripParens", StripParens);
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
  key->SetValue(L"DoNotRenList", reg_type::kMultiSz, doNotRen.data(),
                static_cast<uint32_t>(doNotRen.size()));
  key->SetValue(L"NamingFormatList", reg_type::kMultiSz, namingFormats.data(),
                static_cast<uint32_t>(namingFormats.size()));
}

namespace {

// Stands in when no registry was installed: every call fails, so the
// record keeps its defaults instead of the process crashing.
class NoRegistry : public Registry {
 public:
  int32_t CreateKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*,
                    bool*) override {
    return win32_error::kCallNotImplemented;
  }
  int32_t OpenKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*) override {
    return win32_error::kCallNotImplemented;
  }
};

std::mutex& InstanceMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}
Registry* installedRegistry = nullptr;
Settings* instance = nullptr;

Settings& InstanceLocked() {
  if (!instance) {
    static NoRegistry* none = new NoRegistry;
    instance = new Settings(installedRegistry ? *installedRegistry : *none);
  }
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

void SetSettingsRegistry(Registry* registry) {
  std::lock_guard<std::mutex> lock(InstanceMutex());
  installedRegistry = registry;
}

void ResetSettingsForTesting() {
  std::lock_guard<std::mutex> lock(InstanceMutex());
  delete instance;
  instance = nullptr;
}

}  // namespace vantrel
