// Prints the policy key and the store's table of values ("name type", one
// a line) for check_policy_template.py, so that the template is checked
// against the code's own key, names and types.
#include <cstdio>

#include "settings/setting_values.h"
#include "settings/settings.h"

int main() {
  std::printf("%ls\n", vantrel::kPolicyKeyPath);
  for (const auto& value : vantrel::kSettingValues)
    std::printf("%ls %u\n", value.name, static_cast<unsigned>(value.type));
}
