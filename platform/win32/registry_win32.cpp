#include "platform/win32/registry_win32.h"

#include <windows.h>

#include <new>
#include <utility>

namespace vantrel {
namespace {

// Owns an HKEY and closes it with RegCloseKey; move-only.
class unique_hkey {
 public:
  unique_hkey() = default;
  explicit unique_hkey(HKEY key) : key_(key) {}
  unique_hkey(unique_hkey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  unique_hkey& operator=(unique_hkey&& other) noexcept {
    reset(std::exchange(other.key_, nullptr));
    return *this;
  }
  unique_hkey(const unique_hkey&) = delete;
  unique_hkey& operator=(const unique_hkey&) = delete;
  ~unique_hkey() { reset(); }

  HKEY get() const { return key_; }
  HKEY* put() {
    reset();
    return &key_;
  }
  void reset(HKEY key = nullptr) {
    if (key_) RegCloseKey(key_);
    key_ = key;
  }

 private:
  HKEY key_ = nullptr;
};

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_USERS;
}

class Win32RegistryKey : public RegistryKey {
 public:
  explicit Win32RegistryKey(unique_hkey key) : key_(std::move(key)) {}

  int32_t QueryValue(const std::wstring& name, uint32_t capacity, uint32_t* type,
                     std::vector<uint8_t>* data) override {
    try {
      DWORD storedType = REG_NONE;
      DWORD size = capacity;
      if (data) {
        data->clear();
        // At least one byte, so a zero capacity is still a read and not a
        // size query (a null buffer would be one).
        std::vector<uint8_t> buffer(capacity ? capacity : 1);
        LSTATUS status =
            RegQueryValueExW(key_.get(), name.c_str(), nullptr, &storedType, buffer.data(), &size);
        if (type) *type = storedType;
        if (status != ERROR_SUCCESS) return status;
        buffer.resize(size);
        *data = std::move(buffer);
        return ERROR_SUCCESS;
      }
      LSTATUS status =
          RegQueryValueExW(key_.get(), name.c_str(), nullptr, &storedType, nullptr, nullptr);
      if (status == ERROR_SUCCESS && type) *type = storedType;
      return status;
    } catch (const std::bad_alloc&) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
  }

  int32_t QueryValueInfo(const std::wstring& name, uint32_t* type, uint32_t* size) override {
    DWORD storedType = REG_NONE;
    DWORD storedSize = 0;
    LSTATUS status =
        RegQueryValueExW(key_.get(), name.c_str(), nullptr, &storedType, nullptr, &storedSize);
    if (status != ERROR_SUCCESS) return status;
    if (type) *type = storedType;
    if (size) *size = storedSize;
    return ERROR_SUCCESS;
  }

  int32_t SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                   uint32_t size) override {
    return RegSetValueExW(key_.get(), name.c_str(), 0, type, data, size);
  }

  int32_t EnumSubKey(uint32_t index, uint32_t capacityChars, std::wstring* name) override {
    try {
      std::wstring buffer(capacityChars ? capacityChars : 1, L'\0');
      DWORD length = capacityChars;
      LSTATUS status = RegEnumKeyExW(key_.get(), index, buffer.data(), &length, nullptr, nullptr,
                                     nullptr, nullptr);
      if (status != ERROR_SUCCESS) return status;
      buffer.resize(length);
      if (name) *name = std::move(buffer);
      return ERROR_SUCCESS;
    } catch (const std::bad_alloc&) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
  }

  int32_t OpenSubKey(const std::wstring& path, std::unique_ptr<RegistryKey>* key) override {
    return Open(key_.get(), path, key);
  }

  static int32_t Open(HKEY parent, const std::wstring& path, std::unique_ptr<RegistryKey>* key) {
    unique_hkey opened;
    LSTATUS status = RegOpenKeyExW(parent, path.c_str(), 0, KEY_ALL_ACCESS, opened.put());
    if (status != ERROR_SUCCESS) return status;
    try {
      *key = std::make_unique<Win32RegistryKey>(std::move(opened));
    } catch (const std::bad_alloc&) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    return ERROR_SUCCESS;
  }

 private:
  unique_hkey key_;
};

}  // namespace

int32_t Win32Registry::CreateKey(RegistryRoot root, const std::wstring& path,
                                 std::unique_ptr<RegistryKey>* key, bool* openedExisting) {
  unique_hkey created;
  DWORD disposition = 0;
  LSTATUS status = RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                   nullptr, created.put(), &disposition);
  if (status != ERROR_SUCCESS) return status;
  if (openedExisting) *openedExisting = disposition == REG_OPENED_EXISTING_KEY;
  try {
    *key = std::make_unique<Win32RegistryKey>(std::move(created));
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  return ERROR_SUCCESS;
}

int32_t Win32Registry::OpenKey(RegistryRoot root, const std::wstring& path,
                               std::unique_ptr<RegistryKey>* key) {
  return Win32RegistryKey::Open(RootKey(root), path, key);
}

}  // namespace vantrel
