#include "platform/win32/version_info_win32.h"

#include <windows.h>
#include <winver.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <vector>

#include "platform/product.h"
#include "platform/win32/last_error.h"

namespace vantrel {

Status Win32VersionInfo::QueryOwnStringValue(const std::wstring& subBlock, std::wstring* value) {
  wchar_t path[kTextCapacity] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, kTextCapacity);
  if (length == 0) return LastErrorStatus();
  // A path that filled the buffer was cut short and may name another file.
  if (length >= kTextCapacity) return Status(win32_error::kInsufficientBuffer);

  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return LastErrorStatus();
  return CatchToStatus(kWin32NoMemory, [&] {
    std::vector<uint8_t> block(size);
    if (!::GetFileVersionInfoW(path, 0, size, block.data())) return LastErrorStatus();
    void* found = nullptr;
    UINT units = 0;
    if (!::VerQueryValueW(block.data(), subBlock.c_str(), &found, &units) || !found)
      return LastErrorStatus();
    // The value lies inside the block; stop at its end whatever the length
    // claims, and at the first NUL.
    const auto* text = static_cast<const wchar_t*>(found);
    const auto* begin = reinterpret_cast<const wchar_t*>(block.data());
    const auto* end = reinterpret_cast<const wchar_t*>(block.data() + block.size());
    if (text < begin || text > end) return Status(win32_error::kInvalidParameter);
    const size_t limit = std::min<size_t>(units, static_cast<size_t>(end - text));
    value->assign(text, ::wcsnlen(text, limit));
    return Status::Ok();
  });
}

}  // namespace vantrel
