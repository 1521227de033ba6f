#include "tests/wine/adapters/wine_test_support.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>

#if VANTREL_TEST_ENGINE
#include "service/log.h"
#endif

namespace vantrel::testing {
namespace {

// The programs initialise COM for the multithreaded apartment with default
// process-wide security before touching WMI; the tests do the same once.
class ComEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ASSERT_HRESULT_SUCCEEDED(
        ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr));
  }
  void TearDown() override { ::CoUninitialize(); }
};

[[maybe_unused]] ::testing::Environment* const comEnvironment =
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);

#if VANTREL_TEST_ENGINE
class RecordingSink : public LogSink {
 public:
  explicit RecordingSink(std::shared_ptr<std::vector<std::wstring>> lines)
      : lines_(std::move(lines)) {}
  bool Open() override { return true; }
  void WriteAndFlush(const std::wstring& text) override { lines_->push_back(text); }

 private:
  std::shared_ptr<std::vector<std::wstring>> lines_;
};
#endif

}  // namespace

bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring CurrentUserName() {
  wchar_t name[256] = {};
  DWORD size = 256;
  if (!::GetUserNameW(name, &size)) return std::wstring();
  return name;
}

#if VANTREL_TEST_ENGINE
RecordedLog::RecordedLog() : lines_(std::make_shared<std::vector<std::wstring>>()) {
  SetLogSink(std::make_unique<RecordingSink>(lines_));
  logEnabled = true;
}

RecordedLog::~RecordedLog() {
  logEnabled = false;
  SetLogSink(nullptr);
}

const std::vector<std::wstring>& RecordedLog::lines() const { return *lines_; }

bool RecordedLog::Contains(const std::wstring& line) const {
  return std::find(lines_->begin(), lines_->end(), line) != lines_->end();
}
#endif

}  // namespace vantrel::testing
