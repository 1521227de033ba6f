// The registry as both programs use it: keys under HKEY_LOCAL_MACHINE (the
// settings) and HKEY_USERS (a user's default printer). The port mirrors the
// Win32 calls one to one so the byte-level rules above it stay portable; the
// Win32 adapter (platform/win32/registry_win32.cpp) is the only caller of the
// real API. Status codes are Win32 error codes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace vantrel {

namespace reg_type {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kSz = 1;
inline constexpr uint32_t kExpandSz = 2;
inline constexpr uint32_t kBinary = 3;
inline constexpr uint32_t kDword = 4;
inline constexpr uint32_t kMultiSz = 7;
}  // namespace reg_type

enum class RegistryRoot { kLocalMachine, kUsers };

// An open key. Closing happens when the object is destroyed (RegCloseKey).
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // RegQueryValueExW with a data buffer of `capacity` bytes. On success
  // `*type` is the stored type and `*data` the bytes read (at most
  // `capacity`); a value larger than the buffer yields win32_error::kMoreData and leaves
  // `*data` empty. `type` or `data` may be null, as with the real call.
  virtual Status QueryValue(const std::wstring& name, uint32_t capacity, uint32_t* type,
                            std::vector<uint8_t>* data) = 0;

  // RegQueryValueExW without a buffer: the stored type and size in bytes.
  virtual Status QueryValueInfo(const std::wstring& name, uint32_t* type, uint32_t* size) = 0;

  // RegSetValueExW with exactly `size` bytes of `data`.
  virtual Status SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                          uint32_t size) = 0;

  // RegEnumKeyExW at `index` into a name buffer of `capacityChars` UTF-16
  // units (terminator included); no class, no time. win32_error::kNoMoreItems
  // at the end, kMoreData when the name does not fit.
  virtual Status EnumSubKey(uint32_t index, uint32_t capacityChars, std::wstring* name) = 0;

  // RegOpenKeyExW of a subkey, options 0, access KEY_ALL_ACCESS.
  virtual Status OpenSubKey(const std::wstring& path, std::unique_ptr<RegistryKey>* key) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // RegCreateKeyExW: no class, options 0, KEY_ALL_ACCESS, default security,
  // no registry-view flag. `*openedExisting` is true when the disposition was
  // REG_OPENED_EXISTING_KEY.
  virtual Status CreateKey(RegistryRoot root, const std::wstring& path,
                           std::unique_ptr<RegistryKey>* key, bool* openedExisting) = 0;

  // RegOpenKeyExW: options 0, access KEY_ALL_ACCESS.
  virtual Status OpenKey(RegistryRoot root, const std::wstring& path,
                         std::unique_ptr<RegistryKey>* key) = 0;

  // RegOpenKeyExW: options 0, access KEY_READ. Never creates the key, and
  // the key it yields refuses every write; for readers that must not need
  // an administrator's rights.
  virtual Status OpenKeyForReading(RegistryRoot root, const std::wstring& path,
                                   std::unique_ptr<RegistryKey>* key) = 0;
};

}  // namespace vantrel
