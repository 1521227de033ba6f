#include "platform/win32/accounts_win32.h"

#include <windows.h>

#include "platform/win32/last_error.h"
// The headers below build on <windows.h>.
#include <sddl.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/win32/scoped_handle.h"

namespace vantrel {

Status Win32Accounts::LookUpUserSid(const std::wstring& domain, const std::wstring& user,
                                    std::wstring* sid) {
  return CatchToStatus(kWin32NoMemory, [&]() -> Status {
    const std::wstring qualified = domain + L"\\" + user;
    // No SID is larger than SECURITY_MAX_SID_SIZE, so the first call fits
    // unless the domain name is unusually long; one retry with the sizes
    // the call asks for ends it either way.
    std::vector<uint8_t> binary(SECURITY_MAX_SID_SIZE);
    std::vector<wchar_t> domainFound(256);
    SID_NAME_USE use = SidTypeUnknown;
    BOOL found = FALSE;
    for (int attempt = 0; attempt < 2 && !found; ++attempt) {
      auto sidBytes = static_cast<DWORD>(binary.size());
      auto domainUnits = static_cast<DWORD>(domainFound.size());
      found = ::LookupAccountNameW(nullptr, qualified.c_str(), binary.data(), &sidBytes,
                                   domainFound.data(), &domainUnits, &use);
      if (found) break;
      const DWORD error = ::GetLastError();
      if (error != ERROR_INSUFFICIENT_BUFFER || attempt == 1) return Win32Failure(error);
      binary.resize(std::max<size_t>(binary.size(), sidBytes));
      domainFound.resize(std::max<size_t>(domainFound.size(), domainUnits));
    }
    // A group or an alias of that name has no hive to repoint.
    if (use != SidTypeUser) return Status(win32_error::kNoneMapped);
    win32::unique_hlocal_ptr<wchar_t> converted;
    if (!::ConvertSidToStringSidW(binary.data(), converted.put()) || !converted)
      return LastErrorStatus();
    *sid = converted.get();
    return Status::Ok();
  });
}

void Win32SettingChangeBroadcaster::BroadcastSettingChange(const std::wstring& area) {
  // Windows of other threads receive the message after this call returns, so
  // the text must outlive it: each area is kept for the life of the process
  // (there are only a few, "windows" above all).
  static std::mutex mutex;
  static std::set<std::wstring>* areas = new std::set<std::wstring>();
  const wchar_t* kept = nullptr;
  try {
    std::lock_guard<std::mutex> lock(mutex);
    kept = areas->insert(area).first->c_str();
  } catch (...) {
    return;
  }
  if (::SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(kept)) ||
      ::GetLastError() != ERROR_MESSAGE_SYNC_ONLY) {
    return;
  }
  // The asynchronous message functions refuse a system message that carries
  // a pointer (ERROR_MESSAGE_SYNC_ONLY), and WM_SETTINGCHANGE carries the
  // area's text, so the notification above may never reach anyone. Send it
  // synchronously instead, from a thread of its own so that a hung window
  // cannot hold up the caller.
  try {
    std::thread([kept] {
      ::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(kept),
                            SMTO_ABORTIFHUNG, 5000, nullptr);
    }).detach();
  } catch (...) {
    // No thread to be had: the broadcast is lost, as a failed post would be.
  }
}

}  // namespace vantrel
