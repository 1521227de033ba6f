#include "tests/fakes/fake_registry.h"

#include <algorithm>

namespace vantrel::testing {
namespace {

FakeRegValue* Value(FakeRegistry::Node* node, const std::wstring& name) {
  auto found = node->values.find(name);
  return found == node->values.end() ? nullptr : &found->second;
}

// An injected failure; "yield nothing" is a success that fills nothing.
Status Injected(int32_t e) { return Status(e == FakeRegistry::kYieldNothing ? 0 : e); }

Status OpenNode(FakeRegistry& registry, FakeRegistry::Node* node, std::unique_ptr<RegistryKey>* key,
                bool readOnly = false);

class FakeKey : public RegistryKey {
 public:
  LiveFakeObject live;
  FakeKey(FakeRegistry& registry, FakeRegistry::Node* node, bool readOnly = false)
      : registry_(registry), node_(node), readOnly_(readOnly) {}

  Status QueryValue(const std::wstring& name, uint32_t capacity, uint32_t* type,
                    std::vector<uint8_t>* data) override {
    if (int32_t e = registry_.Hook("QueryValue", name, true)) return Injected(e);
    const FakeRegValue* v = Value(node_, name);
    if (!v) return Status(win32_error::kFileNotFound);
    *type = v->type;
    data->clear();
    if (v->data.size() > capacity) return Status(win32_error::kMoreData);
    *data = v->data;
    return Status::Ok();
  }

  Status QueryValueInfo(const std::wstring& name, uint32_t* type, uint32_t* size) override {
    if (int32_t e = registry_.Hook("QueryValueInfo", name)) return Status(e);
    const FakeRegValue* v = Value(node_, name);
    if (!v) return Status(win32_error::kFileNotFound);
    if (type) *type = v->type;
    if (size) *size = static_cast<uint32_t>(v->data.size());
    return Status::Ok();
  }

  Status SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                  uint32_t size) override {
    if (int32_t e = registry_.Hook("SetValue", name)) return Status(e);
    if (readOnly_) return Status(win32_error::kAccessDenied);
    node_->values[name] = {type, std::vector<uint8_t>(data, data + size)};
    return Status::Ok();
  }

  Status EnumSubKey(uint32_t index, uint32_t capacityChars, std::wstring* name) override {
    if (int32_t e = registry_.Hook("EnumSubKey", L"")) return Status(e);
    if (index >= node_->children.size()) return Status(win32_error::kNoMoreItems);
    const std::wstring& n = node_->children[index]->name;
    if (n.size() + 1 > capacityChars) return Status(win32_error::kMoreData);
    *name = n;
    return Status::Ok();
  }

  Status OpenSubKey(const std::wstring& path, std::unique_ptr<RegistryKey>* key) override {
    if (int32_t e = registry_.Hook("OpenSubKey", path, true)) return Injected(e);
    return OpenNode(registry_, registry_.Walk(RegistryRoot::kUsers, path, false, nullptr, node_),
                    key);
  }

 private:
  FakeRegistry& registry_;
  FakeRegistry::Node* node_;
  bool readOnly_;
};

Status OpenNode(FakeRegistry& registry, FakeRegistry::Node* node, std::unique_ptr<RegistryKey>* key,
                bool readOnly) {
  if (!node) return Status(win32_error::kFileNotFound);
  if (node->openDenied) return Status(win32_error::kAccessDenied);
  *key = std::make_unique<FakeKey>(registry, node, readOnly);
  return Status::Ok();
}

}  // namespace

int32_t FakeRegistry::Hook(const char* call, const std::wstring& name, bool mayYieldNothing) {
  const Failure fault = Consult(faultPlan, std::string("registry ") + call);
  if (fault == Failure::kOutOfMemory) return win32_error::kNotEnoughMemory;
  if (fault == Failure::kEmpty && mayYieldNothing) return kYieldNothing;
  if (fault != Failure::kNone) return win32_error::kAccessDenied;
  return failHook ? failHook(call, name) : 0;
}

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
    auto found = std::ranges::find_if(
        node->children, [&](const auto& c) { return EqualsIgnoringAsciiCase(c->name, part); });
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
  bool created = false;
  Node* node = Walk(root, path, true, &created);
  if (node->openDenied) return Status(win32_error::kAccessDenied);
  if (openedExisting) *openedExisting = !created;
  *key = std::make_unique<FakeKey>(*this, node);
  return Status::Ok();
}

Status FakeRegistry::OpenKey(RegistryRoot root, const std::wstring& path,
                             std::unique_ptr<RegistryKey>* key) {
  if (int32_t e = Hook("OpenKey", path, true)) return Injected(e);
  return OpenNode(*this, Walk(root, path, false), key);
}

Status FakeRegistry::OpenKeyForReading(RegistryRoot root, const std::wstring& path,
                                       std::unique_ptr<RegistryKey>* key) {
  if (int32_t e = Hook("OpenKeyForReading", path, true)) return Injected(e);
  return OpenNode(*this, Walk(root, path, false), key, true);
}

void FakeRegistry::SetRaw(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                          uint32_t type, std::vector<uint8_t> data) {
  Walk(root, path, true)->values[name] = {type, std::move(data)};
}

void FakeRegistry::SetString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                             const std::wstring& text, uint32_t type) {
  SetRaw(root, path, name, type, WideBytes(text, true));
}

std::optional<FakeRegValue> FakeRegistry::GetRaw(RegistryRoot root, const std::wstring& path,
                                                 const std::wstring& name) {
  Node* node = Walk(root, path, false);
  const FakeRegValue* v = node ? Value(node, name) : nullptr;
  return v ? std::optional(*v) : std::nullopt;
}

}  // namespace vantrel::testing
