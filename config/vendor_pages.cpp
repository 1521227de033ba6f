#include "config/vendor_pages.h"

#include "config/dialog_ids.h"
#include "config/update_check.h"

namespace vantrel {

bool OnLinkClicked(ConfigPorts& ports, int id) {
  switch (id) {
    case IDC_LINK_CONTACT:
      ports.view.OpenPage(VendorPageUrl(L"/contact.html"));
      return true;
    case IDC_LINK_FAQ:
      ports.view.OpenPage(VendorPageUrl(L"/products/vantrel/faq.html"));
      return true;
    case IDC_LINK_UPDATE:
      CheckForUpdate(ports);
      return true;
    default:
      return false;
  }
}

std::wstring DialogCaption(VersionInfo& versionInfo) {
  std::wstring caption = L"Vantrel Configuration - v3.1 (";
  // The version is plain ASCII ("3.1.0.0"); each byte stands for itself.
  for (unsigned char c : GetProductVersion(versionInfo)) caption.push_back(static_cast<wchar_t>(c));
  caption.push_back(L')');
  // Formatted into a buffer of kTextCapacity wide characters.
  if (caption.size() > kTextCapacity - 1) caption.resize(kTextCapacity - 1);
  return caption;
}

}  // namespace vantrel
