#include <gtest/gtest.h>

#include <string>

#include "platform/win32/version_info_win32.h"

namespace vantrel {
namespace {

TEST(Win32VersionInfoTest, ReadsStringsOfTheProgramsOwnResource) {
  struct Case {
    const wchar_t* subBlock;
    bool ok;
    const wchar_t* value;
  };
  const Case cases[] = {
      {L"\\StringFileInfo\\040904b0\\ProductVersion", true, L"3.1.0.0"},
      {L"\\StringFileInfo\\040904b0\\ProductName", true, L"Vantrel"},
      {L"\\StringFileInfo\\040904b0\\NoSuchValue", false, L"untouched"},
      {L"\\StringFileInfo\\040704b0\\ProductVersion", false, L"untouched"},  // no German table
  };
  Win32VersionInfo versionInfo;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.subBlock);
    std::wstring value = L"untouched";
    EXPECT_EQ(versionInfo.QueryOwnStringValue(c.subBlock, &value), c.ok);
    EXPECT_EQ(value, c.value);
  }
}

}  // namespace
}  // namespace vantrel
