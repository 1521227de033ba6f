// Memory that Terminal Services allocated for an answer, in the one
// scoped-handle template.
#pragma once

#include <windows.h>
#include <wtsapi32.h>

#include "platform/win32/scoped_handle.h"

namespace vantrel::win32 {

namespace traits {
template <typename T>
struct WtsAllocated {
  using Handle = T*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::WTSFreeMemory(h); }
};
}  // namespace traits

template <typename T = void>
using unique_wtsmem_ptr = GenericScopedHandle<traits::WtsAllocated<T>>;

}  // namespace vantrel::win32
