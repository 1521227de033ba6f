// What a platform call came to, in one shape for every port: success, or the
// platform's own code for the failure. Each port says which numbering its
// codes use (Win32 error codes, or HRESULTs for COM); its adapter converts the
// platform's answer once, so the portable code never sees a BOOL or a null
// handle that dropped the reason.
#pragma once

#include <cstdint>
#include <new>

namespace vantrel {

// The Win32 error codes the programs name.
namespace win32_error {
inline constexpr int32_t kSuccess = 0;
inline constexpr int32_t kFileNotFound = 2;
inline constexpr int32_t kAccessDenied = 5;
inline constexpr int32_t kNotEnoughMemory = 8;
inline constexpr int32_t kGenFailure = 31;
inline constexpr int32_t kInvalidParameter = 87;
inline constexpr int32_t kCallNotImplemented = 120;
inline constexpr int32_t kInsufficientBuffer = 122;
inline constexpr int32_t kInvalidLevel = 124;
inline constexpr int32_t kMoreData = 234;
inline constexpr int32_t kNoMoreItems = 259;
inline constexpr int32_t kAssertionFailure = 668;
inline constexpr int32_t kExceptionInService = 1064;
inline constexpr int32_t kNoneMapped = 1332;
inline constexpr int32_t kInvalidSid = 1337;
inline constexpr int32_t kCtxWinStationNotFound = 7022;
}  // namespace win32_error

// The HRESULTs the programs name.
namespace hresult {
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kFail = static_cast<int32_t>(0x80004005);
inline constexpr int32_t kAccessDenied = static_cast<int32_t>(0x80070005);
inline constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);
inline constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057);
inline constexpr int32_t kWbemNotFound = static_cast<int32_t>(0x80041002);
inline constexpr int32_t kWbemTypeMismatch = static_cast<int32_t>(0x80041005);
inline constexpr int32_t kWbemInvalidQuery = static_cast<int32_t>(0x80041017);
inline constexpr int32_t kWbemTimedOut = static_cast<int32_t>(0x80041069);
}  // namespace hresult

class [[nodiscard]] Status {
 public:
  constexpr Status() = default;
  // 0 is success in both numberings the ports use.
  constexpr explicit Status(int32_t code) : code_(code) {}
  static constexpr Status Ok() { return Status(); }

  constexpr bool ok() const { return code_ == 0; }
  constexpr int32_t code() const { return code_; }
  friend constexpr bool operator==(Status, Status) = default;

 private:
  int32_t code_ = 0;
};

// What an adapter answers when it could not allocate: ERROR_NOT_ENOUGH_MEMORY
// for the ports numbered as Win32 errors, E_OUTOFMEMORY for the COM ones.
inline constexpr Status kWin32NoMemory{win32_error::kNotEnoughMemory};
inline constexpr Status kComNoMemory{hresult::kOutOfMemory};

// A failed Win32 call's status from its last-error code. A call that failed
// without setting one gives ERROR_ASSERTION_FAILURE (as WIL's
// GetLastErrorFail does), so a failure never reads as success.
constexpr Status Win32Failure(uint32_t lastError) {
  return Status(lastError ? static_cast<int32_t>(lastError) : win32_error::kAssertionFailure);
}

// Runs an adapter's body and answers `outOfMemory` when it could not
// allocate, so no exception crosses a port.
template <typename Body>
Status CatchToStatus(Status outOfMemory, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return outOfMemory;
  }
}

}  // namespace vantrel
