// An in-memory registry with the Win32 semantics the code relies on: keys
// as a case-insensitive tree under two roots, typed values, buffer-size
// rules of RegQueryValueExW, enumeration order by creation, and a way to
// make any single call fail. The settings table runs over it and over the
// real registry alike (tests/settings/settings_store_cases.h).
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "tests/fakes/fault_plan.h"

namespace vantrel::testing {

struct FakeRegValue {
  uint32_t type = reg_type::kNone;
  std::vector<uint8_t> data;
};

// Value names compare as the registry compares them.
struct IgnoringAsciiCase {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return std::ranges::lexicographical_compare(a, b, {}, AsciiLower, AsciiLower);
  }
};

class FakeRegistry : public Registry {
 public:
  struct Node {
    std::wstring name;  // as created (case kept)
    std::map<std::wstring, FakeRegValue, IgnoringAsciiCase> values;
    std::vector<std::unique_ptr<Node>> children;
    bool openDenied = false;  // opening or creating it fails with kAccessDenied
  };

  Status CreateKey(RegistryRoot root, const std::wstring& path, std::unique_ptr<RegistryKey>* key,
                   bool* openedExisting) override;
  Status OpenKey(RegistryRoot root, const std::wstring& path,
                 std::unique_ptr<RegistryKey>* key) override;
  // Its key refuses SetValue with kAccessDenied, as a KEY_READ handle does.
  Status OpenKeyForReading(RegistryRoot root, const std::wstring& path,
                           std::unique_ptr<RegistryKey>* key) override;

  // Direct access for tests (paths separated by '\\', case-insensitive).
  void AddKey(RegistryRoot root, const std::wstring& path) { Walk(root, path, true); }
  void SetRaw(RegistryRoot root, const std::wstring& path, const std::wstring& name, uint32_t type,
              std::vector<uint8_t> data);
  void SetString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& text, uint32_t type = reg_type::kSz);
  std::optional<FakeRegValue> GetRaw(RegistryRoot root, const std::wstring& path,
                                     const std::wstring& name);
  void DenyOpen(RegistryRoot root, const std::wstring& path, bool deny = true) {
    Walk(root, path, true)->openDenied = deny;
  }

  // Called before every port call with its name ("CreateKey", "OpenKey",
  // "OpenKeyForReading", "QueryValue", "QueryValueInfo", "SetValue", "EnumSubKey", "OpenSubKey")
  // and the value or key name; a non-zero result makes that call fail with
  // it.
  std::function<int32_t(const std::string& call, const std::wstring& name)> failHook;
  FaultPlan* faultPlan = nullptr;
  // The faultPlan's kEmpty, for the calls that may succeed yielding nothing.
  static constexpr int32_t kYieldNothing = -1;
  int32_t Hook(const char* call, const std::wstring& name, bool mayYieldNothing = false);

  // The key at `path` below `from` (a root when null); missing keys are made
  // when `create` is set (and `*created` tells), else the result is null.
  Node* Walk(RegistryRoot root, const std::wstring& path, bool create, bool* created = nullptr,
             Node* from = nullptr);

 private:
  Node machine_, users_;
};

// UTF-16LE bytes of `text` (surrogate pairs above U+FFFF), with or without
// a terminating NUL.
inline std::vector<uint8_t> WideBytes(const std::wstring& text, bool withNul) {
  std::u16string units = WideToUtf16(text);
  if (withNul) units.push_back(u'\0');
  std::vector<uint8_t> bytes;
  for (char16_t u : units) bytes.insert(bytes.end(), {uint8_t(u), uint8_t(u >> 8)});
  return bytes;
}

}  // namespace vantrel::testing
