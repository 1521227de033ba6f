// The one conversion of a failed Win32 call into a Status, made at the
// adapter boundary: the call's last-error code, or ERROR_ASSERTION_FAILURE
// when it failed without setting one (Win32Failure), so a failure never
// reads as success.
#pragma once

#include <windows.h>

#include "platform/status.h"

namespace vantrel {

inline Status LastErrorStatus() { return Win32Failure(::GetLastError()); }

inline Status StatusFromBool(BOOL succeeded) {
  return succeeded ? Status::Ok() : LastErrorStatus();
}

}  // namespace vantrel
