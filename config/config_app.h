// The configuration program's operations, as the dialog procedure calls
// them. Everything here is portable: it talks to the dialog through
// DialogControls and to the system through the ports in ConfigPorts.
#pragma once

#include <cstdint>
#include <string>

#include "config/dialog_controls.h"
#include "platform/http.h"
#include "platform/registry.h"
#include "platform/service_manager.h"
#include "platform/version_info.h"
#include "platform/wmi.h"

namespace vantrel {

// Control ids of dialog 101.
namespace control_id {
inline constexpr int kLinkContact = 1005;
inline constexpr int kLinkFaq = 1006;
inline constexpr int kLinkUpdate = 1007;
inline constexpr int kFormatBox = 1008;
inline constexpr int kAddFormat = 1009;
inline constexpr int kRemoveFormat = 1010;
inline constexpr int kDeleteDuplicates = 1011;
inline constexpr int kAppendToDuplicates = 1012;
inline constexpr int kSuffixEdit = 1013;
inline constexpr int kOnlyTsPort = 1014;
inline constexpr int kDriverList = 1015;
inline constexpr int kHeadingProblem = 1017;
inline constexpr int kHeadingFaq = 1018;
inline constexpr int kHeadingUpdates = 1019;
inline constexpr int kHeadingFormat = 1020;
inline constexpr int kHeadingDrivers = 1021;
inline constexpr int kHeadingDuplicates = 1022;
inline constexpr int kApplyChanges = 1023;
inline constexpr int kRestoreDefaults = 1024;
inline constexpr int kStatusBar = 1027;
inline constexpr int kUseRegex = 1028;
inline constexpr int kRegexEdit = 1029;
inline constexpr int kStripParens = 1030;
}  // namespace control_id

// The vendor's web host: update server, download, contact and FAQ pages.
inline constexpr wchar_t kVendorHost[] = L"www.orlenk-technologies.com";

// Waiting and the tick count for the service-start poll (GetTickCount, Sleep).
class Ticks {
 public:
  virtual ~Ticks() = default;
  virtual uint32_t GetTickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

struct ConfigPorts {
  DialogControls& controls;
  Registry& registry;
  Wmi& wmi;
  ServiceManager& serviceManager;
  Ticks& ticks;
  Http& http;
  VersionInfo& versionInfo;
  std::wstring updateHost = kVendorHost;  // tests point it at a loopback server
  uint16_t updatePort = 80;
};

// Form (settings record, reset, fill, apply, enable rules, Restore Defaults).
void ResetFormToDefaults(ConfigPorts& ports, bool clearFirst);
void FillFormFromSettings(ConfigPorts& ports);
void ApplyChanges(ConfigPorts& ports);
void OnRestoreDefaults(ConfigPorts& ports);   // button 1024: confirm, then reset
void OnDuplicateChoice(ConfigPorts& ports, int radioId);  // 1011 / 1012
void OnUseRegexClicked(ConfigPorts& ports);   // 1028

// Naming formats.
void AddNamingFormat(ConfigPorts& ports);
void RemoveNamingFormat(ConfigPorts& ports);

// Driver list.
void SetUpDriverListColumn(ConfigPorts& ports);
void PopulateDriverList(ConfigPorts& ports, bool preCheckEasyPrint);
void SetDriverEntry(ConfigPorts& ports, const std::wstring& driverName, bool checked);

// Service status and control. RefreshServiceStatus returns the state, or
// -1 when there is none.
int32_t RefreshServiceStatus(ConfigPorts& ports);
void StartServiceAndWait(ConfigPorts& ports);
void SendReloadSettings(ConfigPorts& ports);

// Update check and the pages.
std::string GetProductVersion(VersionInfo& versionInfo);
bool IsNewVersion(VersionInfo& versionInfo, const char* replyBody);
void CheckForUpdate(ConfigPorts& ports);
void OpenContactPage(ConfigPorts& ports);
void OpenFaqPage(ConfigPorts& ports);

// The caption "Vantrel Configuration - v3.1 (<product version>)".
std::wstring DialogCaption(VersionInfo& versionInfo);

}  // namespace vantrel
