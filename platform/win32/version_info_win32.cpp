#include "platform/win32/version_info_win32.h"

#include <windows.h>
#include <winver.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <new>
#include <vector>

namespace vantrel {

bool Win32VersionInfo::QueryOwnStringValue(const std::wstring& subBlock, std::wstring* value) {
  constexpr DWORD kPathUnits = 1024;
  wchar_t path[kPathUnits] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, kPathUnits);
  // A path that filled the buffer was cut short and may name another file.
  if (length == 0 || length >= kPathUnits) return false;

  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return false;
  try {
    std::vector<uint8_t> block(size);
    if (!::GetFileVersionInfoW(path, 0, size, block.data())) return false;
    void* found = nullptr;
    UINT units = 0;
    if (!::VerQueryValueW(block.data(), subBlock.c_str(), &found, &units) || !found) return false;
    // The value lies inside the block; stop at its end whatever the length
    // claims, and at the first NUL.
    const auto* text = static_cast<const wchar_t*>(found);
    const auto* end = reinterpret_cast<const wchar_t*>(block.data() + block.size());
    if (text < reinterpret_cast<const wchar_t*>(block.data()) || text > end) return false;
    const size_t limit = std::min<size_t>(units, static_cast<size_t>(end - text));
    value->assign(text, ::wcsnlen(text, limit));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace vantrel
