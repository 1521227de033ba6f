// String values of the running program's own version resource.
#pragma once

#include "platform/version_info.h"

namespace vantrel {

class Win32VersionInfo : public VersionInfo {
 public:
  Win32VersionInfo() = default;
  Status QueryOwnStringValue(const std::wstring& subBlock, std::wstring* value) override;
};

}  // namespace vantrel
