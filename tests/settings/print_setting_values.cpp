// Prints the settings key and the store's table of values ("name type", one
// a line) for check_policy_template.py, so that the template is checked
// against the code's own names and types.
#include <cstdio>

#include "settings/setting_values.h"
#include "settings/settings.h"

int main() {
  std::printf("%ls\n", vantrel::kSettingsKeyPath);
  for (const auto& value : vantrel::kSettingValues)
    std::printf("%ls %u\n", value.name, static_cast<unsigned>(value.type));
}
