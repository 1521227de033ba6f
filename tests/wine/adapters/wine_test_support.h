// Shared helpers of the Windows-side tests: where they run, who runs them,
// and a scratch registry in place of the real one.
#pragma once

#include <windows.h>

#include <string>

namespace vantrel::testing {

// True under Wine (ntdll exports wine_get_version there). Tests that meet a
// Wine limitation assert what Wine does and say so, and keep the Windows
// expectation for a real system.
inline bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// GetUserNameW: under Wine, the Linux user running the prefix.
inline std::wstring CurrentUserName() {
  wchar_t name[256] = {};
  DWORD size = 256;
  return ::GetUserNameW(name, &size) ? name : L"";
}

// A REG_SZ value; the key is created when missing.
inline LSTATUS PutRegString(HKEY root, const std::wstring& path, const wchar_t* name,
                            const std::wstring& value) {
  return ::RegSetKeyValueW(root, path.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// While it lives, the process sees `predefined` (HKEY_LOCAL_MACHINE or
// HKEY_USERS) as an empty scratch key under HKEY_CURRENT_USER
// (RegOverridePredefKey), so a test never reads or writes the product's
// real keys; the scratch key is deleted at the end. One scratch key per
// predefined key, so both may be mapped at once.
class ScratchRegistryRoot {
 public:
  explicit ScratchRegistryRoot(HKEY predefined)
      : predefined_(predefined),
        path_(std::wstring(L"Software\\Vantrel test scratch\\") +
              (predefined == HKEY_USERS ? L"users" : L"machine")) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    HKEY scratch = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &scratch, nullptr) == ERROR_SUCCESS) {
      overridden_ = ::RegOverridePredefKey(predefined_, scratch) == ERROR_SUCCESS;
      ::RegCloseKey(scratch);
    }
  }
  ~ScratchRegistryRoot() {
    ::RegOverridePredefKey(predefined_, nullptr);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());  // the key itself too
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Vantrel test scratch");
  }
  ScratchRegistryRoot(const ScratchRegistryRoot&) = delete;
  ScratchRegistryRoot& operator=(const ScratchRegistryRoot&) = delete;

  bool ok() const { return overridden_; }

 private:
  HKEY predefined_;
  std::wstring path_;
  bool overridden_ = false;
};

}  // namespace vantrel::testing
