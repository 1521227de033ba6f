// An in-memory registry with the Win32 semantics the code relies on: keys
// as a case-insensitive tree under two roots, typed values, buffer-size
// rules of RegQueryValueExW, enumeration order by creation, and a way to
// make any single call fail.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace vantrel::testing {

struct FakeRegValue {
  uint32_t type = reg_type::kNone;
  std::vector<uint8_t> data;
};

class FakeRegistry : public Registry {
 public:
  struct Node {
    std::wstring name;  // as created (case kept)
    std::vector<std::pair<std::wstring, FakeRegValue>> values;
    std::vector<std::unique_ptr<Node>> children;
    bool openDenied = false;  // OpenSubKey/OpenKey/CreateKey of it fails
  };

  FakeRegistry();

  int32_t CreateKey(RegistryRoot root, const std::wstring& path, std::unique_ptr<RegistryKey>* key,
                    bool* openedExisting) override;
  int32_t OpenKey(RegistryRoot root, const std::wstring& path,
                  std::unique_ptr<RegistryKey>* key) override;

  // Direct access for tests (paths separated by '\\', case-insensitive).
  bool KeyExists(RegistryRoot root, const std::wstring& path) const;
  void AddKey(RegistryRoot root, const std::wstring& path);
  void DeleteKey(RegistryRoot root, const std::wstring& path);
  void SetRaw(RegistryRoot root, const std::wstring& path, const std::wstring& name,
              uint32_t type, std::vector<uint8_t> data);
  void SetString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& text, uint32_t type = reg_type::kSz);
  void SetDword(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                uint32_t value);
  void SetMultiString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                      const std::vector<std::wstring>& entries);
  void DeleteValue(RegistryRoot root, const std::wstring& path, const std::wstring& name);
  std::optional<FakeRegValue> GetRaw(RegistryRoot root, const std::wstring& path,
                                     const std::wstring& name) const;
  // The text of a REG_SZ value up to its first NUL (nullopt when absent).
  std::optional<std::wstring> GetString(RegistryRoot root, const std::wstring& path,
                                        const std::wstring& name) const;
  std::vector<std::wstring> ValueNames(RegistryRoot root, const std::wstring& path) const;
  // Makes opening that key (create, open, open as subkey) fail with
  // kAccessDenied.
  void DenyOpen(RegistryRoot root, const std::wstring& path, bool deny = true);

  // Called before every port call with its name ("CreateKey", "OpenKey",
  // "QueryValue", "QueryValueInfo", "SetValue", "EnumSubKey", "OpenSubKey")
  // and the value or key name; a non-zero result makes that call fail with
  // it. Cleared by setting an empty function.
  std::function<int32_t(const std::string& call, const std::wstring& name)> failHook;

  // Count of port calls made, for "no platform call" checks.
  int callCount = 0;

  Node* Find(RegistryRoot root, const std::wstring& path) const;
  Node* FindOrCreate(RegistryRoot root, const std::wstring& path, bool* created);

 private:
  std::unique_ptr<Node> machine_;
  std::unique_ptr<Node> users_;
};

// Helpers for byte-level expectations.
std::vector<uint8_t> WideBytes(const std::wstring& text, bool withNul);

}  // namespace vantrel::testing
