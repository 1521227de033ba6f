// Memory that Terminal Services allocated for an answer, in the one
// scoped-handle template.
#pragma once

#include <windows.h>
#include <wtsapi32.h>

#include "platform/win32/scoped_handle.h"

namespace vantrel::win32 {

template <typename T = void>
using unique_wtsmem_ptr = GenericScopedHandle<traits::NullIsNone<T*, &::WTSFreeMemory>>;

}  // namespace vantrel::win32
