#include "tests/fakes/fake_version_info.h"

namespace vantrel::testing {

bool FakeVersionInfo::QueryOwnStringValue(const std::wstring& subBlock, std::wstring* value) {
  queries.push_back(subBlock);
  auto found = values.find(subBlock);
  if (found == values.end()) return false;
  *value = found->second;
  return true;
}

}  // namespace vantrel::testing
