// Owners for the GDI and GDI+ objects of the dialog, on the one scoped-handle
// template. Kept here so that only the dialog pulls in the GDI+ headers.
#pragma once

// GDI+ needs IStream, which WIN32_LEAN_AND_MEAN leaves out of <windows.h>.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include "platform/win32/scoped_handle.h"

namespace vantrel::win32 {

using unique_hfont = GenericScopedHandle<traits::NullIsNone<HFONT, &::DeleteObject>>;
using unique_hbitmap = GenericScopedHandle<traits::NullIsNone<HBITMAP, &::DeleteObject>>;
using unique_hicon = GenericScopedHandle<traits::NullIsNone<HICON, &::DestroyIcon>>;
using unique_hglobal = GenericScopedHandle<traits::NullIsNone<HGLOBAL, &::GlobalFree>>;
// A GlobalLock held on a block: closing unlocks it.
using unique_hglobal_locked = GenericScopedHandle<traits::NullIsNone<HGLOBAL, &::GlobalUnlock>>;
using unique_gdiplus_bitmap = GenericScopedHandle<
    traits::NullIsNone<Gdiplus::GpBitmap*, &Gdiplus::DllExports::GdipDisposeImage>>;

}  // namespace vantrel::win32
