// A PNG resource decoded into a GDI+ bitmap for a button image.
#pragma once

#include "config/win32/scoped_handle_gdi.h"

namespace vantrel {

class ResourceBitmapWrapper {
 public:
  // Copies the resource's bytes into a movable global block and decodes them
  // with GDI+. True when a bitmap is held; a second load replaces the first.
  // Needs GdiplusStartup.
  bool LoadFromResource(HMODULE module, HRSRC resource);

  // The decoded bitmap, owned by the wrapper; null until a load succeeded.
  Gdiplus::GpBitmap* bitmap() const { return bitmap_.get(); }

 private:
  void Release();

  // Freed in reverse order: the bitmap may read from the stream over the
  // block at any time, so it goes before the block's lock and the block.
  win32::unique_hglobal block_;
  win32::unique_hglobal_locked lock_;
  win32::unique_gdiplus_bitmap bitmap_;
};

}  // namespace vantrel
