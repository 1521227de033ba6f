#include "config/win32/resource_bitmap_wrapper.h"

#include <wrl/client.h>

#include <cstring>

namespace vantrel {

void ResourceBitmapWrapper::Release() {
  bitmap_.reset();
  lock_.reset();
  block_.reset();
}

bool ResourceBitmapWrapper::LoadFromResource(HMODULE module, HRSRC resource) {
  Release();
  const DWORD size = SizeofResource(module, resource);
  if (size == 0) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded) return false;
  const void* bytes = LockResource(loaded);
  if (!bytes) return false;

  block_.reset(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block_) return false;
  void* copy = GlobalLock(block_.get());
  if (!copy) return false;
  lock_.reset(block_.get());
  std::memcpy(copy, bytes, size);

  // The wrapper frees the block itself, so the stream must not.
  Microsoft::WRL::ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(block_.get(), FALSE, &stream))) return false;

  const Gdiplus::Status status =
      Gdiplus::DllExports::GdipCreateBitmapFromStream(stream.Get(), bitmap_.put());
  stream.Reset();  // GDI+ holds its own reference while the bitmap lives
  if (status != Gdiplus::Ok || !bitmap_) {
    Release();
    return false;
  }
  return true;
}

}  // namespace vantrel
