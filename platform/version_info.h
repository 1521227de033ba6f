// The program's own version resource. Adapter:
// platform/win32/version_info_win32.cpp.
#pragma once

#include <string>

namespace vantrel {

class VersionInfo {
 public:
  virtual ~VersionInfo() = default;
  // GetModuleFileNameW (1024 units) → GetFileVersionInfoSizeW →
  // GetFileVersionInfoW → VerQueryValueW(subBlock). False when any step
  // fails; `*value` is the wide string found.
  virtual bool QueryOwnStringValue(const std::wstring& subBlock, std::wstring* value) = 0;
};

}  // namespace vantrel
