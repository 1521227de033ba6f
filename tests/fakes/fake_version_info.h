// The program's version resource as a table of string values by sub-block
// path; an empty table is a program without a version resource.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/version_info.h"

namespace vantrel::testing {

class FakeVersionInfo : public VersionInfo {
 public:
  static constexpr wchar_t kProductVersionPath[] = L"\\StringFileInfo\\040904b0\\ProductVersion";

  // With the product version the real resource carries.
  FakeVersionInfo() { values[kProductVersionPath] = L"3.1.0.0"; }

  bool QueryOwnStringValue(const std::wstring& subBlock, std::wstring* value) override;

  std::map<std::wstring, std::wstring> values;
  std::vector<std::wstring> queries;
};

}  // namespace vantrel::testing
