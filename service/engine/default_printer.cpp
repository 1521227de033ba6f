#include "service/engine/default_printer.h"

#include <new>

#include "platform/product.h"
#include "platform/text.h"
#include "service/log.h"
#include "settings/registry_codec.h"

namespace vantrel {
namespace {

constexpr wchar_t kDeviceValue[] = L"Device";
constexpr wchar_t kSessionDefaultDevices[] = L"SessionDefaultDevices";
// The session keys live in the user's own hive, so the user decides how many
// there are; a server has far fewer sessions than this.
constexpr uint32_t kMaxSessionDefaults = 256;

}  // namespace

bool GetUserSidString(Accounts& accounts, const std::wstring& domainName,
                      const std::wstring& userName, std::wstring* sidString) {
  try {
    if (domainName.empty()) {
      LogPrintfW(L"No domain is known for the user %s, so no account is looked up\n", userName);
      return false;
    }
    std::wstring text;
    if (const Status status = accounts.LookUpUserSid(domainName, userName, &text); !status.ok()) {
      LogPrintfW(L"Could not convert the username %s to a SID.  Error: %d\n",
                 domainName + L"\\" + userName, status.code());
      return false;
    }
    LogPrintfW(L"The username %s corresponds to the SID %s\n", domainName + L"\\" + userName, text);
    *sidString = std::move(text);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void RegisterDefaultPrinter(Registry& registry, SettingChangeBroadcaster& broadcaster,
                            const std::wstring& sidString, const std::wstring& printerName) {
  try {
    LogPrintfW(L"Registering the default printer for %s to %s\n", sidString, printerName);

    std::unique_ptr<RegistryKey> windowsKey;
    const Status status =
        registry.OpenKey(RegistryRoot::kUsers, sidString + kUserWindowsKey, &windowsKey);
    if (!status.ok() || !windowsKey) {
      LogPrintf("Failed to open the registry key %d\n", status.code());
      return;
    }
    LogPrintf("Opened the key\n");

    uint32_t type = reg_type::kNone;
    std::vector<uint8_t> device;
    if (!windowsKey->QueryValue(kDeviceValue, kStringValueCapacity, &type, &device).ok() ||
        type != reg_type::kSz || device.size() > kStringValueCapacity) {
      return;
    }
    // Stored values need not be NUL-terminated or of even length; the text
    // ends at the first NUL or at the last whole unit read, never beyond.
    const std::wstring deviceText = DecodeRegSz(device);
    if (deviceText.empty()) return;
    LogPrintfW(L"Got the Device key %s\n", deviceText);

    // "Printer,winspool,Ne01:": the first field is the printer's name.
    if (!EqualsIgnoringAsciiCase(std::wstring_view(deviceText).substr(0, deviceText.find(L',')),
                                 printerName)) {
      return;
    }
    LogPrintf("Found the printer we're targetting\n");

    std::unique_ptr<RegistryKey> sessionDefaults;
    if (!windowsKey->OpenSubKey(kSessionDefaultDevices, &sessionDefaults).ok() ||
        !sessionDefaults) {
      return;
    }
    LogPrintf("Got the SessionDefaultDevices key\n");

    // Every session's default follows, not only the renamed printer's
    // session: the user may reconnect under another session id.
    bool written = false;
    for (uint32_t index = 0;; ++index) {
      std::wstring name;
      if (!sessionDefaults->EnumSubKey(index, static_cast<uint32_t>(kTextCapacity), &name).ok())
        break;
      if (index == kMaxSessionDefaults) {
        LogPrintfW(L"There are more than %d session defaults; the rest are left as they are\n",
                   kMaxSessionDefaults);
        break;
      }
      std::unique_ptr<RegistryKey> sessionKey;
      if (!sessionDefaults->OpenSubKey(name, &sessionKey).ok() || !sessionKey) continue;
      LogPrintfW(L"Writing out \"%s\" to the Device key\n", deviceText);
      (void)sessionKey->SetValue(kDeviceValue, reg_type::kSz, device.data(),
                                 static_cast<uint32_t>(device.size()));
      written = true;
    }
    sessionDefaults.reset();
    if (written) broadcaster.BroadcastSettingChange(L"windows");
  } catch (const std::bad_alloc&) {
    // Repointing is a courtesy after the rename; the printer stays renamed.
  }
}

}  // namespace vantrel
