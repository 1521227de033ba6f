// The one configuration record both programs share, stored under
// HKEY_LOCAL_MACHINE\Software\Orlenk Technologies\Vantrel, one value per
// field, each field named as its value. Group Policy may set any of the
// same values under the policy key; such a value wins while it is there and
// is never copied into the settings key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "settings/setting_values.h"

namespace vantrel {

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Orlenk Technologies\\Vantrel";
inline constexpr wchar_t kPolicyKeyPath[] = L"Software\\Policies\\Orlenk Technologies\\Vantrel";

enum class SettingsAccess {
  kReadWrite,  // the service and the dialog: the settings key is created when missing
  kReadOnly,   // the preview: the settings key is only opened for reading
};

class Settings {
 public:
  // Sets the defaults and loads from `registry`, which must outlive the
  // record (the process-wide instances keep it for the process's life).
  explicit Settings(Registry& registry, SettingsAccess access = SettingsAccess::kReadWrite);
  virtual ~Settings() = default;

  // Reads the stored values over the fields: a value that is missing, of
  // another type or too large keeps its field, except that
  // AppendToDuplicates falls back to " - Duplicate" and the lists to empty.
  // A key that cannot be opened, or that did not exist (read-write: it is
  // created empty), leaves the record as it is. Then each value present in
  // the policy key with its own type replaces its field; one of another
  // type (or too large) is ignored. A field that policy set in the previous
  // load starts again from its default, so a removed policy leaves nothing
  // behind.
  void Load();
  // Writes every field back (creating the key), except those policy sets.
  // Failures are not reported.
  void Save();

  // How the latest load found the settings key: ok when it was read,
  // kFileNotFound when it did not exist (the record kept its values),
  // another code when it could not be opened.
  Status KeyStatus() const { return keyStatus_; }
  // The same for the policy key, which is read-only always; kFileNotFound
  // is its usual answer (no policy).
  Status PolicyKeyStatus() const { return policyKeyStatus_; }
  // The values (SettingValue::bit) the policy key set in the latest load,
  // and those it held with another type or too large, which were ignored.
  uint32_t PolicyValues() const { return policyValues_; }
  uint32_t IgnoredPolicyValues() const { return ignoredPolicyValues_; }
  bool FromPolicy(const SettingValue& value) const { return (policyValues_ & value.bit) != 0; }

  std::wstring NamingFormat;
  std::wstring RenameRegex = L"in [Ss]ession [0-9]+";
  std::vector<std::wstring> DoNotRenList;
  std::vector<std::wstring> NamingFormatList;
  std::wstring AppendToDuplicates;
  bool OnlyRenTS = false;
  bool DeleteDuplicates = false;
  bool OnlyUseRegex = false;
  bool StripParens = true;

 private:
  void LoadStoredValues();
  void LoadPolicyValues();

  Registry& registry_;
  SettingsAccess access_;
  Status keyStatus_{win32_error::kFileNotFound};
  Status policyKeyStatus_{win32_error::kFileNotFound};
  uint32_t policyValues_ = 0;
  uint32_t ignoredPolicyValues_ = 0;
};

// The process-wide instance, created and loaded on first use over the
// registry installed with SetSettingsRegistry (before that first use), and
// never freed. GetSettings is safe to call from several threads; without an
// installed registry the instance keeps its defaults.
Settings& GetSettings();
void SetSettingsRegistry(Registry* registry, SettingsAccess access = SettingsAccess::kReadWrite);

// A copy of the process-wide instance that a concurrent reload cannot tear:
// a rename pass works on one, so a reload takes effect at the next pass.
Settings CopySettings();
// Loads the process-wide instance from the registry again, under the lock
// that CopySettings takes, and returns a copy of what it loaded.
Settings ReloadSettingsInstance();

// Tests only: forgets the process-wide instance (freeing it) so the next
// GetSettings builds and loads a new one.
void ResetSettingsForTesting();

}  // namespace vantrel
