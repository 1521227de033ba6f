#include "platform/win32/registry_win32.h"

#include <windows.h>

#include <utility>

#include "platform/win32/scoped_handle.h"

namespace vantrel {
namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_USERS;
}

class Win32RegistryKey : public RegistryKey {
 public:
  explicit Win32RegistryKey(win32::unique_hkey key) : key_(std::move(key)) {}

  Status QueryValue(const std::wstring& name, uint32_t capacity, uint32_t* type,
                    std::vector<uint8_t>* data) override {
    return CatchToStatus(kWin32NoMemory, [&] {
      DWORD storedType = REG_NONE;
      DWORD size = capacity;
      if (!data) {
        const LSTATUS status =
            RegQueryValueExW(key_.get(), name.c_str(), nullptr, &storedType, nullptr, nullptr);
        if (status == ERROR_SUCCESS && type) *type = storedType;
        return Status(status);
      }
      data->clear();
      // At least one byte, so a zero capacity is still a read and not a
      // size query (a null buffer would be one).
      std::vector<uint8_t> buffer(capacity ? capacity : 1);
      const LSTATUS status =
          RegQueryValueExW(key_.get(), name.c_str(), nullptr, &storedType, buffer.data(), &size);
      if (type) *type = storedType;
      if (status != ERROR_SUCCESS) return Status(status);
      buffer.resize(size);
      *data = std::move(buffer);
      return Status::Ok();
    });
  }

  Status QueryValueInfo(const std::wstring& name, uint32_t* type, uint32_t* size) override {
    DWORD storedType = REG_NONE;
    DWORD storedSize = 0;
    const LSTATUS status =
        RegQueryValueExW(key_.get(), name.c_str(), nullptr, &storedType, nullptr, &storedSize);
    if (status != ERROR_SUCCESS) return Status(status);
    if (type) *type = storedType;
    if (size) *size = storedSize;
    return Status::Ok();
  }

  Status SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                  uint32_t size) override {
    return Status(RegSetValueExW(key_.get(), name.c_str(), 0, type, data, size));
  }

  Status EnumSubKey(uint32_t index, uint32_t capacityChars, std::wstring* name) override {
    return CatchToStatus(kWin32NoMemory, [&] {
      std::wstring buffer(capacityChars ? capacityChars : 1, L'\0');
      DWORD length = capacityChars;
      const LSTATUS status = RegEnumKeyExW(key_.get(), index, buffer.data(), &length, nullptr,
                                           nullptr, nullptr, nullptr);
      if (status != ERROR_SUCCESS) return Status(status);
      buffer.resize(length);
      if (name) *name = std::move(buffer);
      return Status::Ok();
    });
  }

  Status OpenSubKey(const std::wstring& path, std::unique_ptr<RegistryKey>* key) override {
    return Open(key_.get(), path, key);
  }

  static Status Open(HKEY parent, const std::wstring& path, std::unique_ptr<RegistryKey>* key,
                     REGSAM access = KEY_ALL_ACCESS) {
    win32::unique_hkey opened;
    const LSTATUS status = RegOpenKeyExW(parent, path.c_str(), 0, access, opened.put());
    if (status != ERROR_SUCCESS) return Status(status);
    return Wrap(std::move(opened), key);
  }

  // Hands an open key to its port object; without memory for the object the
  // key closes on the way out.
  static Status Wrap(win32::unique_hkey opened, std::unique_ptr<RegistryKey>* key) {
    return CatchToStatus(kWin32NoMemory, [&] {
      *key = std::make_unique<Win32RegistryKey>(std::move(opened));
      return Status::Ok();
    });
  }

 private:
  win32::unique_hkey key_;
};

}  // namespace

Status Win32Registry::CreateKey(RegistryRoot root, const std::wstring& path,
                                std::unique_ptr<RegistryKey>* key, bool* openedExisting) {
  win32::unique_hkey created;
  DWORD disposition = 0;
  const LSTATUS status = RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                         nullptr, created.put(), &disposition);
  if (status != ERROR_SUCCESS) return Status(status);
  if (openedExisting) *openedExisting = disposition == REG_OPENED_EXISTING_KEY;
  return Win32RegistryKey::Wrap(std::move(created), key);
}

Status Win32Registry::OpenKey(RegistryRoot root, const std::wstring& path,
                              std::unique_ptr<RegistryKey>* key) {
  return Win32RegistryKey::Open(RootKey(root), path, key);
}

Status Win32Registry::OpenKeyForReading(RegistryRoot root, const std::wstring& path,
                                        std::unique_ptr<RegistryKey>* key) {
  return Win32RegistryKey::Open(RootKey(root), path, key, KEY_READ);
}

}  // namespace vantrel
