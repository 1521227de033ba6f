// The links at the top right of the dialog, and its caption.
#pragma once

#include <string>

#include "config/config_ports.h"

namespace vantrel {

// NM_CLICK on the link `id`: the contact page, the FAQ, or the update check.
// False when no link has that id.
bool OnLinkClicked(ConfigPorts& ports, int id);

// "Vantrel Configuration - v3.1 (<product version>)".
std::wstring DialogCaption(VersionInfo& versionInfo);

}  // namespace vantrel
