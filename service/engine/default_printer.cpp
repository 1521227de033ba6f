#include "service/engine/default_printer.h"

#include <new>

#include "service/log.h"
#include "settings/registry_codec.h"

namespace vantrel {
namespace {

constexpr wchar_t kWindowsKeySuffix[] =
    L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr wchar_t kDeviceValue[] = L"Device";
constexpr wchar_t kSessionDefaultDevices[] = L"SessionDefaultDevices";
constexpr uint32_t kDeviceBufferBytes = 2048;
constexpr uint32_t kSubKeyNameChars = 1024;

constexpr uint32_t kInitialSidBytes = 32;
constexpr uint32_t kInitialDomainChars = 32;
// One growth is normal; a few cover an account renamed between calls. A
// lookup that asks for more room forever must not hang the rename pass.
constexpr int kMaxLookupAttempts = 4;

constexpr uint32_t kErrorOutOfMemory = 14;  // ERROR_OUTOFMEMORY
constexpr int32_t kEFail = static_cast<int32_t>(0x80004005);

// HRESULT_FROM_WIN32, except that a failure without a code stays a failure
// (the macro would turn 0 into S_OK).
int32_t ResultFromWin32(uint32_t error) {
  if (error == 0) return kEFail;
  if (static_cast<int32_t>(error) < 0) return static_cast<int32_t>(error);
  return static_cast<int32_t>((error & 0xFFFFu) | 0x80070000u);
}

// _wcsicmp in the "C" locale: only A-Z and a-z are folded.
bool EqualsNoCaseAscii(const std::wstring& a, const std::wstring& b) {
  auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

}  // namespace

int32_t GetUserSid(Accounts& accounts, const std::wstring& userName, std::vector<uint8_t>* sid,
                   uint32_t* lastError) {
  uint32_t error = 0;
  try {
    std::vector<uint8_t> sidBuffer(kInitialSidBytes);
    std::vector<wchar_t> domainBuffer(kInitialDomainChars);
    error = win32_error::kInsufficientBuffer;
    for (int attempt = 0; attempt < kMaxLookupAttempts; ++attempt) {
      auto sidSize = static_cast<uint32_t>(sidBuffer.size());
      auto domainChars = static_cast<uint32_t>(domainBuffer.size());
      error = 0;
      if (accounts.LookupAccountName(userName, sidBuffer.data(), &sidSize, domainBuffer.data(),
                                     &domainChars, &error)) {
        *sid = std::move(sidBuffer);
        if (lastError) *lastError = 0;
        return 0;
      }
      if (error != win32_error::kInsufficientBuffer) break;
      // The new buffer is allocated before the old one goes, so a failed
      // allocation leaves nothing dangling.
      if (sidSize > sidBuffer.size()) sidBuffer = std::vector<uint8_t>(sidSize);
      if (domainChars > domainBuffer.size()) domainBuffer = std::vector<wchar_t>(domainChars);
    }
  } catch (const std::bad_alloc&) {
    error = kErrorOutOfMemory;
  }
  if (lastError) *lastError = error;
  return ResultFromWin32(error);
}

bool GetUserSidString(Accounts& accounts, const std::wstring& userName, std::wstring* sidString) {
  try {
    std::vector<uint8_t> sid;
    uint32_t lastError = 0;
    if (GetUserSid(accounts, userName, &sid, &lastError) < 0) {
      LogPrintfW(L"Could not convert the username %s to a SID.  Error: %d\n", userName,
                 static_cast<int32_t>(lastError));
      return false;
    }
    std::wstring text;
    if (!accounts.ConvertSidToStringSid(sid, &text)) {
      LogPrintfW(L"Could not convert the SID to a string\n");
      return false;
    }
    *sidString = text;
    LogPrintfW(L"The username %s corresponds to the SID %s\n", userName, text);
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
        registry.OpenKey(RegistryRoot::kUsers, sidString + kWindowsKeySuffix, &windowsKey);
    if (!status.ok() || !windowsKey) {
      LogPrintf("Failed to open the registry key %d\n", status.code());
      return;
    }
    LogPrintf("Opened the key\n");

    uint32_t type = reg_type::kNone;
    std::vector<uint8_t> device;
    if (!windowsKey->QueryValue(kDeviceValue, kDeviceBufferBytes, &type, &device).ok() ||
        type != reg_type::kSz || device.size() > kDeviceBufferBytes) {
      return;
    }
    // Stored values need not be NUL-terminated or of even length; the text
    // ends at the first NUL or at the last whole unit read, never beyond.
    const std::wstring deviceText = DecodeRegSz(device);
    if (deviceText.empty()) return;
    LogPrintfW(L"Got the Device key %s\n", deviceText);

    // "Printer,winspool,Ne01:": the first field is the printer's name.
    const std::vector<std::wstring> fields = SplitAtCommas(deviceText);
    if (fields.empty() || !EqualsNoCaseAscii(fields.front(), printerName)) return;
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
      if (!sessionDefaults->EnumSubKey(index, kSubKeyNameChars, &name).ok()) break;
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

std::vector<std::wstring> SplitAtCommas(const std::wstring& text) {
  std::vector<std::wstring> fields;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t comma = text.find(L',', pos);
    if (comma == std::wstring::npos) {
      fields.push_back(text.substr(pos));
      break;
    }
    fields.push_back(text.substr(pos, comma - pos));
    pos = comma + 1;
  }
  return fields;
}

}  // namespace vantrel
