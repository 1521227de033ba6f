// Shared helpers of the adapter tests: where they run, who runs them, and
// registry values written with the plain API.
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

}  // namespace vantrel::testing
