// The program's version resource as a table of string values by sub-block
// path, holding the product version the real resource carries; an empty
// table is a program without a version resource.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/version_info.h"

namespace vantrel::testing {

class FakeVersionInfo : public VersionInfo {
 public:
  bool QueryOwnStringValue(const std::wstring& subBlock, std::wstring* value) override {
    queries.push_back(subBlock);
    auto found = values.find(subBlock);
    if (found != values.end()) *value = found->second;
    return found != values.end();
  }

  std::map<std::wstring, std::wstring> values{
      {L"\\StringFileInfo\\040904b0\\ProductVersion", L"3.1.0.0"}};
  std::vector<std::wstring> queries;
};

}  // namespace vantrel::testing
