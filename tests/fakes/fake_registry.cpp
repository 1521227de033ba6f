#include "tests/fakes/fake_registry.h"

#include <algorithm>
#include <cwctype>

namespace vantrel::testing {
namespace {

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towupper(x) == std::towupper(y);
         });
}

std::vector<std::wstring> SplitPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (wchar_t c : path) {
    if (c == L'\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

FakeRegistry::Node* Child(FakeRegistry::Node* node, const std::wstring& name) {
  for (auto& child : node->children)
    if (EqualNoCase(child->name, name)) return child.get();
  return nullptr;
}

class FakeKey : public RegistryKey {
 public:
  FakeKey(FakeRegistry& registry, FakeRegistry::Node* node) : registry_(registry), node_(node) {}

  int32_t QueryValue(const std::wstring& name, uint32_t capacity, uint32_t* type,
                     std::vector<uint8_t>* data) override {
    if (int32_t e = Hook("QueryValue", name)) return e;
    const FakeRegValue* v = Value(name);
    if (!v) return win32_error::kFileNotFound;
    if (data) data->clear();
    if (data && v->data.size() > capacity) {
      if (type) *type = v->type;
      return win32_error::kMoreData;
    }
    if (type) *type = v->type;
    if (data) *data = v->data;
    return win32_error::kSuccess;
  }

  int32_t QueryValueInfo(const std::wstring& name, uint32_t* type, uint32_t* size) override {
    if (int32_t e = Hook("QueryValueInfo", name)) return e;
    const FakeRegValue* v = Value(name);
    if (!v) return win32_error::kFileNotFound;
    if (type) *type = v->type;
    if (size) *size = static_cast<uint32_t>(v->data.size());
    return win32_error::kSuccess;
  }

  int32_t SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                   uint32_t size) override {
    if (int32_t e = Hook("SetValue", name)) return e;
    FakeRegValue value{type, std::vector<uint8_t>(data, data + size)};
    for (auto& [n, v] : node_->values) {
      if (EqualNoCase(n, name)) {
        v = value;
        return win32_error::kSuccess;
      }
    }
    node_->values.emplace_back(name, value);
    return win32_error::kSuccess;
  }

  int32_t EnumSubKey(uint32_t index, uint32_t capacityChars, std::wstring* name) override {
    if (int32_t e = Hook("EnumSubKey", L"")) return e;
    if (index >= node_->children.size()) return win32_error::kNoMoreItems;
    const std::wstring& n = node_->children[index]->name;
    if (n.size() + 1 > capacityChars) return win32_error::kMoreData;
    *name = n;
    return win32_error::kSuccess;
  }

  int32_t OpenSubKey(const std::wstring& path, std::unique_ptr<RegistryKey>* key) override {
    if (int32_t e = Hook("OpenSubKey", path)) return e;
    FakeRegistry::Node* node = node_;
    for (const auto& part : SplitPath(path)) {
      node = Child(node, part);
      if (!node) return win32_error::kFileNotFound;
    }
    if (node->openDenied) return win32_error::kAccessDenied;
    *key = std::make_unique<FakeKey>(registry_, node);
    return win32_error::kSuccess;
  }

 private:
  int32_t Hook(const char* call, const std::wstring& name) {
    ++registry_.callCount;
    return registry_.failHook ? registry_.failHook(call, name) : 0;
  }
  const FakeRegValue* Value(const std::wstring& name) const {
    for (const auto& [n, v] : node_->values)
      if (EqualNoCase(n, name)) return &v;
    return nullptr;
  }

  FakeRegistry& registry_;
  FakeRegistry::Node* node_;
};

}  // namespace

FakeRegistry::FakeRegistry()
    : machine_(std::make_unique<Node>()), users_(std::make_unique<Node>()) {}

FakeRegistry::Node* FakeRegistry::Find(RegistryRoot root, const std::wstring& path) const {
  Node* node = root == RegistryRoot::kLocalMachine ? machine_.get() : users_.get();
  for (const auto& part : SplitPath(path)) {
    node = Child(node, part);
    if (!node) return nullptr;
  }
  return node;
}

FakeRegistry::Node* FakeRegistry::FindOrCreate(RegistryRoot root, const std::wstring& path,
                                               bool* created) {
  Node* node = root == RegistryRoot::kLocalMachine ? machine_.get() : users_.get();
  if (created) *created = false;
  for (const auto& part : SplitPath(path)) {
    Node* next = Child(node, part);
    if (!next) {
      node->children.push_back(std::make_unique<Node>());
      next = node->children.back().get();
      next->name = part;
      if (created) *created = true;
    }
    node = next;
  }
  return node;
}

int32_t FakeRegistry::CreateKey(RegistryRoot root, const std::wstring& path,
                                std::unique_ptr<RegistryKey>* key, bool* openedExisting) {
  ++callCount;
  if (failHook)
    if (int32_t e = failHook("CreateKey", path)) return e;
  Node* existing = Find(root, path);
  if (existing && existing->openDenied) return win32_error::kAccessDenied;
  bool created = false;
  Node* node = FindOrCreate(root, path, &created);
  if (openedExisting) *openedExisting = !created;
  *key = std::make_unique<FakeKey>(*this, node);
  return win32_error::kSuccess;
}

int32_t FakeRegistry::OpenKey(RegistryRoot root, const std::wstring& path,
                              std::unique_ptr<RegistryKey>* key) {
  ++callCount;
  if (failHook)
    if (int32_t e = failHook("OpenKey", path)) return e;
  Node* node = Find(root, path);
  if (!node) return win32_error::kFileNotFound;
  if (node->openDenied) return win32_error::kAccessDenied;
  *key = std::make_unique<FakeKey>(*this, node);
  return win32_error::kSuccess;
}

bool FakeRegistry::KeyExists(RegistryRoot root, const std::wstring& path) const {
  return Find(root, path) != nullptr;
}

void FakeRegistry::AddKey(RegistryRoot root, const std::wstring& path) {
  FindOrCreate(root, path, nullptr);
}

void FakeRegistry::DeleteKey(RegistryRoot root, const std::wstring& path) {
  auto parts = SplitPath(path);
  if (parts.empty()) return;
  std::wstring leaf = parts.back();
  parts.pop_back();
  std::wstring parentPath;
  for (const auto& p : parts) parentPath += p + L"\\";
  Node* parent = Find(root, parentPath);
  if (!parent) return;
  std::erase_if(parent->children, [&](const auto& c) { return EqualNoCase(c->name, leaf); });
}

void FakeRegistry::SetRaw(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                          uint32_t type, std::vector<uint8_t> data) {
  Node* node = FindOrCreate(root, path, nullptr);
  for (auto& [n, v] : node->values) {
    if (EqualNoCase(n, name)) {
      v = {type, std::move(data)};
      return;
    }
  }
  node->values.emplace_back(name, FakeRegValue{type, std::move(data)});
}

void FakeRegistry::SetString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                             const std::wstring& text, uint32_t type) {
  SetRaw(root, path, name, type, WideBytes(text, true));
}

void FakeRegistry::SetDword(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                            uint32_t value) {
  std::vector<uint8_t> bytes(4);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  SetRaw(root, path, name, reg_type::kDword, bytes);
}

void FakeRegistry::SetMultiString(RegistryRoot root, const std::wstring& path,
                                  const std::wstring& name,
                                  const std::vector<std::wstring>& entries) {
  std::wstring all;
  for (const auto& e : entries) {
    all += e;
    all += L'\0';
  }
  all += L'\0';
  SetRaw(root, path, name, reg_type::kMultiSz, WideBytes(all, false));
}

void FakeRegistry::DeleteValue(RegistryRoot root, const std::wstring& path,
                               const std::wstring& name) {
  if (Node* node = Find(root, path))
    std::erase_if(node->values, [&](const auto& v) { return EqualNoCase(v.first, name); });
}

std::optional<FakeRegValue> FakeRegistry::GetRaw(RegistryRoot root, const std::wstring& path,
                                                 const std::wstring& name) const {
  Node* node = Find(root, path);
  if (!node) return std::nullopt;
  for (const auto& [n, v] : node->values)
    if (EqualNoCase(n, name)) return v;
  return std::nullopt;
}

std::optional<std::wstring> FakeRegistry::GetString(RegistryRoot root, const std::wstring& path,
                                                    const std::wstring& name) const {
  auto raw = GetRaw(root, path, name);
  if (!raw) return std::nullopt;
  std::wstring text;
  for (size_t i = 0; i + 1 < raw->data.size(); i += 2) {
    wchar_t c = static_cast<wchar_t>(raw->data[i] | (raw->data[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

std::vector<std::wstring> FakeRegistry::ValueNames(RegistryRoot root,
                                                   const std::wstring& path) const {
  std::vector<std::wstring> names;
  if (Node* node = Find(root, path))
    for (const auto& v : node->values) names.push_back(v.first);
  return names;
}

void FakeRegistry::DenyOpen(RegistryRoot root, const std::wstring& path, bool deny) {
  FindOrCreate(root, path, nullptr)->openDenied = deny;
}

std::vector<uint8_t> WideBytes(const std::wstring& text, bool withNul) {
  std::vector<uint8_t> bytes;
  auto put = [&bytes](uint32_t unit) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>((unit >> 8) & 0xFF));
  };
  for (wchar_t c : text) {
    uint32_t cp = static_cast<uint32_t>(c);
    if (cp > 0xFFFF) {  // 32-bit wchar_t (Linux): a surrogate pair in UTF-16
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  if (withNul) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

}  // namespace vantrel::testing
