#include "config/form_settings.h"

#include <memory>
#include <new>

namespace vantrel {
namespace {

// Only the dialog's thread touches it, so no lock.
std::unique_ptr<Settings>& Instance() {
  static auto* instance = new std::unique_ptr<Settings>;  // never destroyed, like the record
  return *instance;
}

}  // namespace

Settings* GetFormSettings(ConfigPorts& ports) {
  std::unique_ptr<Settings>& instance = Instance();
  if (!instance) {
    try {
      instance = std::make_unique<Settings>(ports.registry);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return instance.get();
}

void ResetFormSettingsForTesting() { Instance().reset(); }

}  // namespace vantrel
