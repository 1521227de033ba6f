// Names and sizes both programs share with the service they drive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel {

// The service's name with the Service Control Manager.
inline constexpr wchar_t kServiceName[] = L"Vantrel";
// The user-defined control that makes the running service read its settings
// again.
inline constexpr uint32_t kReloadSettingsControl = 200;
// The text buffer the programs hand a Win32 call that fills one (dialog
// text, a key name, a module path): 1,023 characters and the NUL.
inline constexpr size_t kTextCapacity = 1024;
// Where the update check and the vendor's pages live.
inline constexpr wchar_t kVendorHost[] = L"www.orlenk-technologies.com";

// A page of the vendor's web site, `path` beginning with "/".
inline std::wstring VendorPageUrl(const wchar_t* path) {
  return std::wstring(L"http://") + kVendorHost + path;
}

}  // namespace vantrel
