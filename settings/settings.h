// The one configuration record both programs share, stored under
// HKEY_LOCAL_MACHINE\Software\Orlenk Technologies\Vantrel, one value per
// field, each field named as its value.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace vantrel {

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Orlenk Technologies\\Vantrel";

class Settings {
 public:
  // Sets the defaults and loads from `registry`, which must outlive the
  // record (the process-wide instances keep it for the process's life).
  explicit Settings(Registry& registry);
  virtual ~Settings() = default;

  // Reads the stored values over the fields: a value that is missing, of
  // another type or too large keeps its field, except that
  // AppendToDuplicates falls back to " - Duplicate" and the lists to empty.
  // A key that cannot be opened, or that did not exist (it is created
  // empty), leaves the record as it is.
  void Load();
  // Writes every field back (creating the key). Failures are not reported.
  void Save();

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
  Registry& registry_;
};

// The process-wide instance, created and loaded on first use over the
// registry installed with SetSettingsRegistry, and never freed.
// GetSettings is safe to call from several threads; without an installed
// registry the instance keeps its defaults.
Settings& GetSettings();
void SetSettingsRegistry(Registry* registry);

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
