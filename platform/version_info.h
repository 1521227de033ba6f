// The program's own version resource. Adapter:
// platform/win32/version_info_win32.cpp.
#pragma once

#include <string>

#include "platform/status.h"

namespace vantrel {

class VersionInfo {
 public:
  virtual ~VersionInfo() = default;
  // GetModuleFileNameW (1024 units) → GetFileVersionInfoSizeW →
  // GetFileVersionInfoW → VerQueryValueW(subBlock). The Win32 error of the
  // step that failed; on success `*value` is the wide string found, and on
  // failure it is left as it was.
  virtual Status QueryOwnStringValue(const std::wstring& subBlock, std::wstring* value) = 0;
};

}  // namespace vantrel
