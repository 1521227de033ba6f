// The one configuration record both programs share, stored under
// HKEY_LOCAL_MACHINE\Software\Orlenk Technologies\Vantrel, one value per
// field, each field named as its value.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace vantrel {

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Orlenk Technologies\\Vantrel";

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
  // created empty), leaves the record as it is.
  void Load();
  // Writes every field back (creating the key). Failures are not reported.
  void Save();

  // How the latest load found the settings key: ok when it was read,
  // kFileNotFound when it did not exist (the record kept its values),
  // another code when it could not be opened.
  Status KeyStatus() const { return keyStatus_; }

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

  Registry& registry_;
  SettingsAccess access_;
  Status keyStatus_{win32_error::kFileNotFound};
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
// that CopySettings takes.
void ReloadSettingsInstance();

// Tests only: forgets the process-wide instance (freeing it) so the next
// GetSettings builds and loads a new one.
void ResetSettingsForTesting();

}  // namespace vantrel
