#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/accounts_win32.h"
#include "tests/wine/adapters/wine_test_support.h"

#if VANTREL_TEST_ENGINE
#include "platform/win32/registry_win32.h"
#include "service/engine/default_printer.h"
#endif

namespace vantrel {
namespace {

using testing::CurrentUserName;

constexpr uint32_t kNoneMapped = 1332;  // ERROR_NONE_MAPPED

TEST(Win32AccountsTest, LookupReportsTheSizesItNeedsThenResolves) {
  Win32Accounts accounts;
  const std::wstring user = CurrentUserName();
  ASSERT_FALSE(user.empty());

  // Buffers too small on purpose: the call says how much it needs.
  std::vector<uint8_t> sid(1);
  std::vector<wchar_t> domain(1);
  uint32_t sidSize = 1, domainChars = 1, lastError = 0;
  ASSERT_FALSE(accounts.LookupAccountName(user, sid.data(), &sidSize, domain.data(), &domainChars,
                                          &lastError));
  EXPECT_EQ(lastError, static_cast<uint32_t>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(sidSize, 1u);
  ASSERT_GT(domainChars, 1u);

  sid.assign(sidSize, 0);
  domain.assign(domainChars, 0);
  ASSERT_TRUE(accounts.LookupAccountName(user, sid.data(), &sidSize, domain.data(), &domainChars,
                                         &lastError))
      << lastError;
  sid.resize(sidSize);

  std::wstring text;
  ASSERT_TRUE(accounts.ConvertSidToStringSid(sid, &text));
  EXPECT_EQ(text.rfind(L"S-1-5-21-", 0), 0u) << text;
}

TEST(Win32AccountsTest, UnknownNameIsNoneMapped) {
  Win32Accounts accounts;
  std::vector<uint8_t> sid(64);
  std::vector<wchar_t> domain(64);
  uint32_t sidSize = 64, domainChars = 64, lastError = 0;
  EXPECT_FALSE(accounts.LookupAccountName(L"vantrel-no-such-user", sid.data(), &sidSize,
                                          domain.data(), &domainChars, &lastError));
  EXPECT_EQ(lastError, kNoneMapped);
}

TEST(Win32AccountsTest, SidToStringChecksTheBufferAgainstTheSid) {
  // S-1-5-18 (LocalSystem): revision 1, one sub-authority, authority 5, 18.
  const std::vector<uint8_t> localSystem = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
  struct Case {
    const char* what;
    std::vector<uint8_t> sid;
    bool ok;
    std::wstring text;
  };
  const Case cases[] = {
      {"well-formed", localSystem, true, L"S-1-5-18"},
      {"empty", {}, false, L""},
      {"header only", {1, 1, 0, 0, 0, 0, 0, 5}, false, L""},
      // Claims 15 sub-authorities but carries one: must not be read past.
      {"count beyond buffer", {1, 15, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, false, L""},
      {"bad revision", {9, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, false, L""},
  };
  Win32Accounts accounts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring text = L"untouched";
    EXPECT_EQ(accounts.ConvertSidToStringSid(c.sid, &text), c.ok);
    EXPECT_EQ(text, c.ok ? c.text : L"untouched");
  }
}

// A top-level window on a thread of its own that records the areas of the
// WM_SETTINGCHANGE messages it receives.
class SettingChangeListener {
 public:
  SettingChangeListener() {
    thread_ = std::thread([this] { Run(); });
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(5), [this] { return ready_; });
  }
  ~SettingChangeListener() {
    if (window_) ::PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  bool HasWindow() const { return window_ != nullptr; }
  bool WaitFor(const std::wstring& area, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [&] {
      return std::find(areas_.begin(), areas_.end(), area) != areas_.end();
    });
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<SettingChangeListener*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_SETTINGCHANGE && self && lParam) {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->areas_.push_back(reinterpret_cast<const wchar_t*>(lParam));
      self->changed_.notify_all();
    }
    if (msg == WM_CLOSE) {
      ::DestroyWindow(hwnd);
      ::PostQuitMessage(0);
      return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  void Run() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantrelSettingChangeListener";
    ::RegisterClassW(&wc);
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    if (hwnd) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      window_ = hwnd;
      ready_ = true;
      changed_.notify_all();
    }
    MSG msg;
    while (hwnd && ::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool ready_ = false;
  HWND window_ = nullptr;
  std::vector<std::wstring> areas_;
  std::thread thread_;
};

// SendNotifyMessageW refuses WM_SETTINGCHANGE (its lParam is a pointer) on
// Windows and Wine alike, so the adapter falls back to a synchronous send
// from a thread of its own; a window must still hear it, and the caller must
// not wait.
TEST(Win32SettingChangeBroadcasterTest, ReachesTopLevelWindowsWithoutWaitingForThem) {
  SettingChangeListener listener;
  if (!listener.HasWindow()) GTEST_SKIP() << "no display to create a window on (DISPLAY unset)";
  const DWORD start = ::GetTickCount();
  Win32SettingChangeBroadcaster().BroadcastSettingChange(L"windows");
  EXPECT_LT(::GetTickCount() - start, 1000u);
  EXPECT_TRUE(listener.WaitFor(L"windows", std::chrono::seconds(5)));
}

#if VANTREL_TEST_ENGINE
TEST(GetUserSidStringOverWin32, ResolvesTheWineUserAndRefusesUnknownNames) {
  Win32Accounts accounts;
  testing::RecordedLog log;
  std::wstring sid;
  ASSERT_TRUE(GetUserSidString(accounts, CurrentUserName(), &sid));
  EXPECT_EQ(sid.rfind(L"S-1-5-21-", 0), 0u) << sid;
  EXPECT_TRUE(log.Contains(L"The username " + CurrentUserName() + L" corresponds to the SID " +
                           sid + L"\n"));

  std::wstring none = L"untouched";
  EXPECT_FALSE(GetUserSidString(accounts, L"vantrel-no-such-user", &none));
  EXPECT_TRUE(log.Contains(
      L"Could not convert the username vantrel-no-such-user to a SID.  Error: 1332\n"));
}
#endif

}  // namespace
}  // namespace vantrel
