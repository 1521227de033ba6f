// The vendor's web pages and the dialog's caption.
#include <exception>
#include <string>

#include "config/config_app.h"

namespace vantrel {
namespace {

// The caption is formatted into a buffer of 1,024 wide characters.
constexpr size_t kCaptionCapacity = 1024;

void OpenVendorPage(ConfigPorts& ports, const wchar_t* path) {
  try {
    ports.controls.OpenUrl(std::wstring(L"http://") + kVendorHost + path);
  } catch (const std::exception&) {
  }
}

}  // namespace

void OpenContactPage(ConfigPorts& ports) { OpenVendorPage(ports, L"/contact.html"); }

void OpenFaqPage(ConfigPorts& ports) { OpenVendorPage(ports, L"/products/vantrel/faq.html"); }

std::wstring DialogCaption(VersionInfo& versionInfo) {
  std::wstring caption = L"Vantrel Configuration - v3.1 (";
  // The version is plain ASCII ("3.1.0.0"); each byte stands for itself.
  for (unsigned char c : GetProductVersion(versionInfo)) caption.push_back(static_cast<wchar_t>(c));
  caption.push_back(L')');
  if (caption.size() > kCaptionCapacity - 1) caption.resize(kCaptionCapacity - 1);
  return caption;
}

}  // namespace vantrel
