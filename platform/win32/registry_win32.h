// The registry port over the real Win32 registry (advapi32). Only the API
// calls live here; the byte rules of the values are the callers'.
#pragma once

#include "platform/registry.h"

namespace vantrel {

class Win32Registry : public Registry {
 public:
  Win32Registry() = default;

  Status CreateKey(RegistryRoot root, const std::wstring& path, std::unique_ptr<RegistryKey>* key,
                   bool* openedExisting) override;
  Status OpenKey(RegistryRoot root, const std::wstring& path,
                 std::unique_ptr<RegistryKey>* key) override;
  Status OpenKeyForReading(RegistryRoot root, const std::wstring& path,
                           std::unique_ptr<RegistryKey>* key) override;
};

}  // namespace vantrel
