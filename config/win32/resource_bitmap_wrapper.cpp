#include "config/win32/resource_bitmap_wrapper.h"

#include <wrl/client.h>

#include <cstring>

namespace vantrel {

ResourceBitmapWrapper::~ResourceBitmapWrapper() { Release(); }

void ResourceBitmapWrapper::Release() {
  if (bitmap_) {
    Gdiplus::DllExports::GdipDisposeImage(bitmap_);
    bitmap_ = nullptr;
  }
  if (block_) {
    if (locked_) GlobalUnlock(block_);
    locked_ = false;
    GlobalFree(block_);
    block_ = nullptr;
  }
}

bool ResourceBitmapWrapper::LoadFromResource(HMODULE module, HRSRC resource) {
  Release();  // a second load replaces the first
  const DWORD size = SizeofResource(module, resource);
  if (size == 0) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded) return false;
  const void* bytes = LockResource(loaded);
  if (!bytes) return false;

  block_ = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block_) return false;
  void* copy = GlobalLock(block_);
  if (!copy) return false;
  locked_ = true;
  std::memcpy(copy, bytes, size);

  // The wrapper frees the block itself, so the stream must not.
  Microsoft::WRL::ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(block_, FALSE, &stream))) return false;

  Gdiplus::GpBitmap* decoded = nullptr;
  const Gdiplus::Status status =
      Gdiplus::DllExports::GdipCreateBitmapFromStream(stream.Get(), &decoded);
  stream.Reset();  // GDI+ holds its own reference while the bitmap lives
  bitmap_ = decoded;
  if (status != Gdiplus::Ok || !bitmap_) {
    Release();
    return false;
  }
  return true;
}

}  // namespace vantrel
