// The update check behind the link "Get the latest version", and the
// program's own product version.
#pragma once

#include <cstdint>
#include <string>

#include "config/config_ports.h"

namespace vantrel {

inline constexpr wchar_t kProductVersionPath[] = L"\\StringFileInfo\\040904b0\\ProductVersion";
inline constexpr wchar_t kUpdateUserAgent[] = L"Orlenk Rodo/1.0";
inline constexpr wchar_t kVersionObjectName[] = L"products/vantrel/3/version";
// A version reply is a line of text; anything beyond this is not read.
inline constexpr uint32_t kMaxReplyBytes = 4096;

// The version at the start of a reply body: digits in dot-separated groups
// ("3.1.0.0"), ended by the body's end, a NUL or white space. Empty when the
// body does not start that way (an error page, garbage).
std::string LeadingVersion(const std::string& body);

// The version resource's US-English ProductVersion as narrow text (at most
// 1,023 bytes); empty without one.
std::string GetProductVersion(VersionInfo& versionInfo);

// Asks the vendor's server for the current version; when a whole 200 reply
// names another one, offers the download, and on Yes opens its page and
// ends the dialog.
void CheckForUpdate(ConfigPorts& ports);

}  // namespace vantrel
