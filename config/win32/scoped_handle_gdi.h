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
namespace traits {

template <typename T>
struct GdiObject {
  using Handle = T;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};

struct Icon {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DestroyIcon(h); }
};

struct GlobalMemory {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::GlobalFree(h); }
};

// A GlobalLock held on a block: closing unlocks it.
struct GlobalLock {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::GlobalUnlock(h); }
};

struct GdiplusImage {
  using Handle = Gdiplus::GpBitmap*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { Gdiplus::DllExports::GdipDisposeImage(h); }
};

}  // namespace traits

using unique_hfont = GenericScopedHandle<traits::GdiObject<HFONT>>;
using unique_hbitmap = GenericScopedHandle<traits::GdiObject<HBITMAP>>;
using unique_hicon = GenericScopedHandle<traits::Icon>;
using unique_hglobal = GenericScopedHandle<traits::GlobalMemory>;
using unique_hglobal_locked = GenericScopedHandle<traits::GlobalLock>;
using unique_gdiplus_bitmap = GenericScopedHandle<traits::GdiplusImage>;

}  // namespace vantrel::win32
