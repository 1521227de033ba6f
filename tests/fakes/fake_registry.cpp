#include "tests/fakes/fake_registry.h"

#include <algorithm>
#include <cwctype>

namespace vantrel::testing {
namespace {

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return std::ranges::equal(
      a, b, [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

FakeRegValue* Value(FakeRegistry::Node* node, const std::wstring& name) {
  for (auto& [n, v] : node->values)
    if (EqualNoCase(n, name)) return &v;
  return nullptr;
}

void Put(FakeRegistry::Node* node, const std::wstring& name, FakeRegValue value) {
  if (FakeRegValue* v = Value(node, name))
    *v = std::move(value);
  else
    node->values.emplace_back(name, std::move(value));
}

class FakeKey : public RegistryKey {
 public:
  LiveFakeObject live;
  FakeKey(FakeRegistry& registry, FakeRegistry::Node* node) : registry_(registry), node_(node) {}

  Status QueryValue(const std::wstring& name, uint32_t capacity, uint32_t* type,
                    std::vector<uint8_t>* data) override {
    if (int32_t e = registry_.Hook("QueryValue", name, true))
      return Status(e == FakeRegistry::kYieldNothing ? win32_error::kSuccess : e);
    const FakeRegValue* v = Value(node_, name);
    if (!v) return Status(win32_error::kFileNotFound);
    if (type) *type = v->type;
    if (!data) return Status(win32_error::kSuccess);
    data->clear();
    if (v->data.size() > capacity) return Status(win32_error::kMoreData);
    *data = v->data;
    return Status(win32_error::kSuccess);
  }

  Status QueryValueInfo(const std::wstring& name, uint32_t* type, uint32_t* size) override {
    if (int32_t e = registry_.Hook("QueryValueInfo", name)) return Status(e);
    const FakeRegValue* v = Value(node_, name);
    if (!v) return Status(win32_error::kFileNotFound);
    if (type) *type = v->type;
    if (size) *size = static_cast<uint32_t>(v->data.size());
    return Status(win32_error::kSuccess);
  }

  Status SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                  uint32_t size) override {
    if (int32_t e = registry_.Hook("SetValue", name)) return Status(e);
    Put(node_, name, {type, std::vector<uint8_t>(data, data + size)});
    return Status(win32_error::kSuccess);
  }

  Status EnumSubKey(uint32_t index, uint32_t capacityChars, std::wstring* name) override {
    if (int32_t e = registry_.Hook("EnumSubKey", L"")) return Status(e);
    if (index >= node_->children.size()) return Status(win32_error::kNoMoreItems);
    const std::wstring& n = node_->children[index]->name;
    if (n.size() + 1 > capacityChars) return Status(win32_error::kMoreData);
    *name = n;
    return Status(win32_error::kSuccess);
  }

  Status OpenSubKey(const std::wstring& path, std::unique_ptr<RegistryKey>* key) override {
    if (int32_t e = registry_.Hook("OpenSubKey", path, true))
      return Status(e == FakeRegistry::kYieldNothing ? win32_error::kSuccess : e);
    FakeRegistry::Node* node = registry_.Walk(RegistryRoot::kUsers, path, false, nullptr, node_);
    if (!node) return Status(win32_error::kFileNotFound);
    if (node->openDenied) return Status(win32_error::kAccessDenied);
    *key = std::make_unique<FakeKey>(registry_, node);
    return Status(win32_error::kSuccess);
  }

 private:
  FakeRegistry& registry_;
  FakeRegistry::Node* node_;
};

}  // namespace

FakeRegistry::Node* FakeRegistry::Walk(RegistryRoot root, const std::wstring& path, bool create,
                                       bool* created, Node* from) {
  Node* node = from ? from : root == RegistryRoot::kLocalMachine ? &machine_ : &users_;
  if (created) *created = false;
  size_t begin = 0;
  while (begin <= path.size()) {
    size_t end = std::min(path.find(L'\\', begin), path.size());
    const std::wstring part = path.substr(begin, end - begin);
    begin = end + 1;
    if (part.empty()) continue;
    auto found = std::ranges::find_if(node->children,
                                      [&](const auto& c) { return EqualNoCase(c->name, part); });
    if (found != node->children.end()) {
      node = found->get();
    } else if (!create) {
      return nullptr;
    } else {
      node = node->children.emplace_back(new Node{part, {}, {}, false}).get();
      if (created) *created = true;
    }
  }
  return node;
}

Status FakeRegistry::CreateKey(RegistryRoot root, const std::wstring& path,
                               std::unique_ptr<RegistryKey>* key, bool* openedExisting) {
  if (int32_t e = Hook("CreateKey", path)) return Status(e);
  Node* existing = Walk(root, path, false);
  if (existing && existing->openDenied) return Status(win32_error::kAccessDenied);
  bool created = false;
  Node* node = Walk(root, path, true, &created);
  if (openedExisting) *openedExisting = !created;
  *key = std::make_unique<FakeKey>(*this, node);
  return Status(win32_error::kSuccess);
}

Status FakeRegistry::OpenKey(RegistryRoot root, const std::wstring& path,
                             std::unique_ptr<RegistryKey>* key) {
  if (int32_t e = Hook("OpenKey", path, true))
    return Status(e == kYieldNothing ? win32_error::kSuccess : e);
  Node* node = Walk(root, path, false);
  if (!node) return Status(win32_error::kFileNotFound);
  if (node->openDenied) return Status(win32_error::kAccessDenied);
  *key = std::make_unique<FakeKey>(*this, node);
  return Status(win32_error::kSuccess);
}

void FakeRegistry::SetRaw(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                          uint32_t type, std::vector<uint8_t> data) {
  Put(Walk(root, path, true), name, {type, std::move(data)});
}

void FakeRegistry::SetString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                             const std::wstring& text, uint32_t type) {
  SetRaw(root, path, name, type, WideBytes(text, true));
}

void FakeRegistry::DeleteValue(RegistryRoot root, const std::wstring& path,
                               const std::wstring& name) {
  if (Node* node = Walk(root, path, false))
    std::erase_if(node->values, [&](const auto& v) { return EqualNoCase(v.first, name); });
}

std::optional<FakeRegValue> FakeRegistry::GetRaw(RegistryRoot root, const std::wstring& path,
                                                 const std::wstring& name) {
  Node* node = Walk(root, path, false);
  const FakeRegValue* v = node ? Value(node, name) : nullptr;
  return v ? std::optional(*v) : std::nullopt;
}

std::optional<std::wstring> FakeRegistry::GetString(RegistryRoot root, const std::wstring& path,
                                                    const std::wstring& name) {
  auto raw = GetRaw(root, path, name);
  if (!raw) return std::nullopt;
  std::wstring text;
  for (size_t i = 0; i + 1 < raw->data.size(); i += 2) {
    const auto c = static_cast<wchar_t>(raw->data[i] | (raw->data[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

std::vector<std::wstring> FakeRegistry::ValueNames(RegistryRoot root, const std::wstring& path) {
  std::vector<std::wstring> names;
  if (Node* node = Walk(root, path, false))
    for (const auto& v : node->values) names.push_back(v.first);
  return names;
}

std::vector<uint8_t> WideBytes(const std::wstring& text, bool withNul) {
  std::vector<uint8_t> bytes;
  auto put = [&bytes](uint32_t unit) {
    bytes.insert(bytes.end(), {uint8_t(unit), uint8_t(unit >> 8)});
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
  if (withNul) put(0);
  return bytes;
}

}  // namespace vantrel::testing
