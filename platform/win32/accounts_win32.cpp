#include "platform/win32/accounts_win32.h"

#include <windows.h>
// The headers below build on <windows.h>.
#include <sddl.h>

#include <mutex>
#include <set>
#include <thread>

#include "platform/win32/scoped_handle.h"

namespace vantrel {

Status Win32Accounts::LookUpSid(const std::wstring& name, uint8_t* sid, uint32_t* sidSize,
                                wchar_t* domain, uint32_t* domainChars) {
  DWORD sidBytes = *sidSize;
  DWORD domainUnits = *domainChars;
  SID_NAME_USE use = SidTypeUnknown;
  const BOOL ok =
      ::LookupAccountNameW(nullptr, name.c_str(), sid, &sidBytes, domain, &domainUnits, &use);
  const Status status = ok ? Status::Ok() : Win32Failure(::GetLastError());
  *sidSize = sidBytes;
  *domainChars = domainUnits;
  return status;
}

Status Win32Accounts::SidToText(const std::vector<uint8_t>& sid, std::wstring* text) {
  // The SID's own header says how long it is; check that against the buffer
  // so a short or garbled one is refused instead of read past its end.
  constexpr size_t kHeaderBytes = 8;
  const Status invalid(win32_error::kInvalidSid);
  if (sid.size() < kHeaderBytes || sid.size() < kHeaderBytes + 4 * size_t{sid[1]}) return invalid;
  PSID binary = const_cast<uint8_t*>(sid.data());
  if (!::IsValidSid(binary)) return invalid;

  win32::unique_hlocal_ptr<wchar_t> converted;
  if (!::ConvertSidToStringSidW(binary, converted.put()) || !converted)
    return Win32Failure(::GetLastError());
  return CatchToStatus(Status(win32_error::kNotEnoughMemory), [&] {
    *text = converted.get();
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
