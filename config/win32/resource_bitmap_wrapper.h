// A PNG resource decoded into a GDI+ bitmap for a button image.
#pragma once

// <windows.h> first; GDI+ needs IStream, which
// WIN32_LEAN_AND_MEAN leaves out of <windows.h>.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

namespace vantrel {

class ResourceBitmapWrapper {
 public:
  ResourceBitmapWrapper() = default;
  virtual ~ResourceBitmapWrapper();

  ResourceBitmapWrapper(const ResourceBitmapWrapper&) = delete;
  ResourceBitmapWrapper& operator=(const ResourceBitmapWrapper&) = delete;

  // Copies the resource's bytes into a movable global block and decodes them
  // with GDI+. True when a bitmap is held. Needs GdiplusStartup.
  bool LoadFromResource(HMODULE module, HRSRC resource);

  // The decoded bitmap, owned by the wrapper; null until a load succeeded.
  Gdiplus::GpBitmap* bitmap() const { return bitmap_; }

 private:
  // Bitmap first: it may read from the stream over the block at any time.
  void Release();

  HGLOBAL block_ = nullptr;
  bool locked_ = false;
  Gdiplus::GpBitmap* bitmap_ = nullptr;
};

}  // namespace vantrel
