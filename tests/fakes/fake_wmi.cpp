#include "tests/fakes/fake_wmi.h"

#include <algorithm>
#include <cwctype>
#include <new>

namespace vantrel::testing {

namespace {

constexpr HResult kInvalidObjectPath = static_cast<HResult>(0x8004103A);
constexpr wchar_t kPathPrefix[] = L"\\\\VANTREL-TS\\ROOT\\CIMV2:Win32_Printer.DeviceID=\"";

// WQL LIKE with % (any run) and _ (any one character), ignoring case.
bool Like(const std::wstring& text, const std::wstring& pattern) {
  // previous[j]: the text so far, less its last character, matches the
  // first j pattern characters; current[j]: the text so far does.
  std::vector<bool> previous(pattern.size() + 1, false);
  previous[0] = true;
  for (size_t j = 1; j <= pattern.size(); ++j)
    previous[j] = previous[j - 1] && pattern[j - 1] == L'%';
  for (wchar_t c : text) {
    std::vector<bool> current(pattern.size() + 1, false);
    for (size_t j = 1; j <= pattern.size(); ++j) {
      wchar_t p = pattern[j - 1];
      if (p == L'%')
        current[j] = current[j - 1] || previous[j];
      else
        current[j] = previous[j - 1] && (p == L'_' || std::towupper(p) == std::towupper(c));
    }
    previous = std::move(current);
  }
  return previous[pattern.size()];
}

struct Token {
  enum Kind { kWord, kString, kSymbol, kEnd } kind;
  std::wstring text;
};

// Splits the query; false on a malformed literal or an unknown character.
bool Tokenize(const std::wstring& query, std::vector<Token>* tokens) {
  size_t i = 0;
  while (i < query.size()) {
    wchar_t c = query[i];
    if (std::iswspace(c)) {
      ++i;
    } else if (std::iswalpha(c) || c == L'_') {
      size_t start = i;
      while (i < query.size() && (std::iswalnum(query[i]) || query[i] == L'_')) ++i;
      tokens->push_back({Token::kWord, query.substr(start, i - start)});
    } else if (c == L'\'') {
      std::wstring value;
      ++i;
      for (;;) {
        if (i >= query.size()) return false;
        wchar_t d = query[i++];
        if (d == L'\'') break;
        if (d == L'\\') {
          if (i >= query.size()) return false;
          wchar_t e = query[i++];
          if (e != L'\\' && e != L'\'' && e != L'"') return false;
          value += e;
        } else {
          value += d;
        }
      }
      tokens->push_back({Token::kString, value});
    } else if (c == L'!' && i + 1 < query.size() && query[i + 1] == L'=') {
      tokens->push_back({Token::kSymbol, L"!="});
      i += 2;
    } else if (c == L'<' && i + 1 < query.size() && query[i + 1] == L'>') {
      tokens->push_back({Token::kSymbol, L"!="});
      i += 2;
    } else if (c == L'*' || c == L',' || c == L'=') {
      tokens->push_back({Token::kSymbol, std::wstring(1, c)});
      ++i;
    } else {
      return false;
    }
  }
  tokens->push_back({Token::kEnd, L""});
  return true;
}

bool IsWord(const Token& t, const wchar_t* word) {
  return t.kind == Token::kWord && EqualsNoCase(t.text, word);
}

// The printer's value of a property the query may name; false for others.
bool PropertyOf(const FakePrinter& printer, const std::wstring& property, std::wstring* value) {
  if (EqualsNoCase(property, L"DeviceID") || EqualsNoCase(property, L"Name")) {
    *value = printer.name;
  } else if (EqualsNoCase(property, L"DriverName")) {
    *value = printer.driverName;
  } else if (EqualsNoCase(property, L"PortName")) {
    *value = printer.portName;
  } else if (EqualsNoCase(property, L"__PATH")) {
    *value = FakeWmi::PathOf(printer.name);
  } else {
    return false;
  }
  return true;
}

struct Condition {
  std::wstring property;
  std::wstring op;  // "LIKE", "=", "!="
  std::wstring value;
};

// One object: a printer row, the class, the method signature, in- or
// out-parameters. Properties are looked up without regard to case.
class FakeWmiObject : public WmiObject {
 public:
  enum class Kind { kInstance, kClass, kSignature, kInParams, kOutParams };

  FakeWmiObject(FakeWmi& wmi, Kind kind) : wmi_(wmi), kind_(kind) {}

  void Set(const std::wstring& name, WmiValue value) {
    for (auto& [n, v] : properties_) {
      if (EqualsNoCase(n, name)) {
        v = std::move(value);
        return;
      }
    }
    properties_.emplace_back(name, std::move(value));
  }

  HResult Get(const std::wstring& name, WmiValue* value) override {
    if (auto fault = wmi_.Enter("Get", name)) return *fault;
    for (auto& [n, v] : properties_) {
      if (EqualsNoCase(n, name)) {
        *value = v;
        return hresult::kOk;
      }
    }
    return wbem_error::kNotFound;
  }

  HResult Put(const std::wstring& name, const WmiValue& value) override {
    if (auto fault = wmi_.Enter("Put", name)) return *fault;
    if (kind_ == Kind::kInParams) {
      if (!EqualsNoCase(name, L"NewPrinterName")) return wbem_error::kNotFound;
      if (!std::holds_alternative<std::wstring>(value)) return wbem_error::kTypeMismatch;
    }
    Set(name, value);
    return hresult::kOk;
  }

  HResult GetMethod(const std::wstring& name, std::unique_ptr<WmiObject>* inSignature) override {
    if (auto fault = wmi_.Enter("GetMethod", name)) return *fault;
    if (kind_ != Kind::kClass || !EqualsNoCase(name, L"RenamePrinter"))
      return wbem_error::kNotFound;
    *inSignature = std::make_unique<FakeWmiObject>(wmi_, Kind::kSignature);
    return hresult::kOk;
  }

  HResult SpawnInstance(std::unique_ptr<WmiObject>* instance) override {
    if (auto fault = wmi_.Enter("SpawnInstance", L"")) return *fault;
    if (kind_ != Kind::kSignature) return hresult::kFail;
    auto params = std::make_unique<FakeWmiObject>(wmi_, Kind::kInParams);
    params->Set(L"NewPrinterName", std::monostate{});
    *instance = std::move(params);
    return hresult::kOk;
  }

  Kind kind() const { return kind_; }
  const WmiValue* Find(const std::wstring& name) const {
    for (auto& [n, v] : properties_)
      if (EqualsNoCase(n, name)) return &v;
    return nullptr;
  }

 private:
  FakeWmi& wmi_;
  Kind kind_;
  std::vector<std::pair<std::wstring, WmiValue>> properties_;
};

class FakeEnumerator : public WmiEnumerator {
 public:
  FakeEnumerator(FakeWmi& wmi, std::vector<FakePrinter> rows) : wmi_(wmi), rows_(std::move(rows)) {}

  HResult Next(int32_t timeout, uint32_t count,
               std::vector<std::unique_ptr<WmiObject>>* objects) override {
    objects->clear();
    wmi_.lastNextTimeout = timeout;
    wmi_.lastNextCount = count;
    if (auto fault = wmi_.Enter("Next", L"")) return *fault;
    while (objects->size() < count && next_ < rows_.size()) {
      const FakePrinter& row = rows_[next_++];
      auto object = std::make_unique<FakeWmiObject>(wmi_, FakeWmiObject::Kind::kInstance);
      object->Set(L"__PATH", FakeWmi::PathOf(row.name));
      object->Set(L"DeviceID", row.name);
      object->Set(L"Name", row.name);
      object->Set(L"DriverName", row.driverName);
      object->Set(L"PortName", row.portName);
      objects->push_back(std::move(object));
    }
    return objects->size() == count ? hresult::kOk : hresult::kFalse;
  }

 private:
  FakeWmi& wmi_;
  std::vector<FakePrinter> rows_;
  size_t next_ = 0;
};

class FakeServices : public WmiServices {
 public:
  explicit FakeServices(FakeWmi& wmi) : wmi_(wmi) {}
  ~FakeServices() override { wmi_.releases.push_back("Services"); }

  HResult ExecQuery(const std::wstring& language, const std::wstring& query, int32_t flags,
                    std::unique_ptr<WmiEnumerator>* enumerator) override {
    wmi_.queries.push_back(query);
    wmi_.lastQueryFlags = flags;
    if (auto fault = wmi_.Enter("ExecQuery", L"")) return *fault;
    if (!EqualsNoCase(language, L"WQL")) return wbem_error::kInvalidQueryType;
    std::vector<std::wstring> names;
    HResult hr = wmi_.Evaluate(query, &names);
    if (hresult::Failed(hr)) return hr;
    std::vector<FakePrinter> rows;
    for (const std::wstring& name : names) rows.push_back(*wmi_.FindPrinter(name));
    *enumerator = std::make_unique<FakeEnumerator>(wmi_, std::move(rows));
    return hresult::kOk;
  }

  HResult GetObject(const std::wstring& path, std::unique_ptr<WmiObject>* object) override {
    if (auto fault = wmi_.Enter("GetObject", path)) return *fault;
    if (!EqualsNoCase(path, L"Win32_Printer")) return wbem_error::kNotFound;
    *object = std::make_unique<FakeWmiObject>(wmi_, FakeWmiObject::Kind::kClass);
    return hresult::kOk;
  }

  HResult ExecMethod(const std::wstring& objectPath, const std::wstring& method,
                     WmiObject* inParams, std::unique_ptr<WmiObject>* outParams) override {
    if (auto fault = wmi_.Enter("ExecMethod", method)) return *fault;
    if (!EqualsNoCase(method, L"RenamePrinter")) return wbem_error::kInvalidMethod;
    std::wstring newName;
    auto* params = dynamic_cast<FakeWmiObject*>(inParams);
    if (params) {
      if (const WmiValue* v = params->Find(L"NewPrinterName"))
        if (const auto* text = std::get_if<std::wstring>(v)) newName = *text;
    }
    HResult status = hresult::kOk;
    int32_t returnValue = wmi_.Rename(objectPath, newName, &status);
    if (hresult::Failed(status)) return status;
    if (outParams) {
      auto out = std::make_unique<FakeWmiObject>(wmi_, FakeWmiObject::Kind::kOutParams);
      out->Set(L"ReturnValue", returnValue);
      *outParams = std::move(out);
    }
    return hresult::kOk;
  }

 private:
  FakeWmi& wmi_;
};

class FakeLocator : public WmiLocator {
 public:
  explicit FakeLocator(FakeWmi& wmi) : wmi_(wmi) {}
  ~FakeLocator() override { wmi_.releases.push_back("Locator"); }

  HResult ConnectServer(const std::wstring& resource,
                        std::unique_ptr<WmiServices>* services) override {
    wmi_.lastResource = resource;
    if (auto fault = wmi_.Enter("ConnectServer", resource)) return *fault;
    if (!EqualsNoCase(resource, L"ROOT\\CIMV2")) return wbem_error::kInvalidNamespace;
    *services = std::make_unique<FakeServices>(wmi_);
    return hresult::kOk;
  }

 private:
  FakeWmi& wmi_;
};

}  // namespace

HResult FakeWmi::CreateLocator(std::unique_ptr<WmiLocator>* locator) {
  if (auto fault = Enter("CreateLocator", L"")) return *fault;
  *locator = std::make_unique<FakeLocator>(*this);
  return hresult::kOk;
}

void FakeWmi::AddPrinter(const std::wstring& name, const std::wstring& driverName,
                         const std::wstring& portName) {
  printers.Add({name, driverName, portName});
}

const FakePrinter* FakeWmi::FindPrinter(const std::wstring& name) const {
  return printers.Find(name);
}

std::vector<std::wstring> FakeWmi::PrinterNames() const { return printers.Names(); }

void FakeWmi::FailCall(const std::string& call, int occurrence, HResult status) {
  faults_.push_back({call, occurrence, status});
}

void FakeWmi::ForceReturnValue(int occurrence, int32_t returnValue) {
  forcedReturnValues_.emplace_back(renameCalls_ + occurrence, returnValue);
}

int FakeWmi::CallCount(const std::string& call) const {
  auto it = counts_.find(call);
  return it == counts_.end() ? 0 : it->second;
}

void FakeWmi::ResetCounts() {
  counts_.clear();
  totalCalls_ = 0;
}

std::optional<HResult> FakeWmi::Enter(const std::string& call, const std::wstring& argument) {
  std::string detailed = call;
  if (!argument.empty()) {
    detailed += ':';
    for (wchar_t c : argument) detailed += c < 0x80 ? static_cast<char>(c) : '?';
  }
  ++totalCalls_;
  ++counts_[call];
  if (detailed != call) ++counts_[detailed];
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->call != call && it->call != detailed) continue;
    if (--it->remaining > 0) continue;
    HResult status = it->status;
    bool throws = it->throws;
    faults_.erase(it);
    if (throws) throw std::bad_alloc();
    return status;
  }
  return std::nullopt;
}

std::optional<int32_t> FakeWmi::TakeForcedReturnValue() {
  ++renameCalls_;
  for (auto it = forcedReturnValues_.begin(); it != forcedReturnValues_.end(); ++it) {
    if (it->first != renameCalls_) continue;
    int32_t value = it->second;
    forcedReturnValues_.erase(it);
    return value;
  }
  return std::nullopt;
}

std::wstring FakeWmi::PathOf(const std::wstring& name) {
  std::wstring path = kPathPrefix;
  for (wchar_t c : name) {
    if (c == L'\\' || c == L'"') path += L'\\';
    path += c;
  }
  return path + L"\"";
}

int32_t FakeWmi::Rename(const std::wstring& objectPath, const std::wstring& newName,
                        HResult* status) {
  const std::wstring prefix = kPathPrefix;
  if (objectPath.size() < prefix.size() + 1 ||
      !EqualsNoCase(objectPath.substr(0, prefix.size()), prefix) || objectPath.back() != L'"') {
    *status = kInvalidObjectPath;
    return 0;
  }
  std::wstring deviceId;
  for (size_t i = prefix.size(); i + 1 < objectPath.size(); ++i) {
    if (objectPath[i] == L'\\' && i + 2 < objectPath.size()) ++i;
    deviceId += objectPath[i];
  }
  const FakePrinter* printer = printers.Find(deviceId);
  if (!printer) {
    *status = wbem_error::kNotFound;
    return 0;
  }
  *status = hresult::kOk;
  if (auto forced = TakeForcedReturnValue()) return *forced;
  if (newName.empty()) return kRenameInvalidParameter;
  return printers.Rename(deviceId, newName) ? 0 : kPrinterAlreadyExists;
}

HResult FakeWmi::Evaluate(const std::wstring& query, std::vector<std::wstring>* names) const {
  std::vector<Token> tokens;
  if (!Tokenize(query, &tokens)) return hresult::kWbemInvalidQuery;
  size_t i = 0;
  auto at = [&]() -> const Token& { return tokens[i]; };

  if (!IsWord(at(), L"SELECT")) return hresult::kWbemInvalidQuery;
  ++i;
  std::wstring ignored;
  const FakePrinter probe;
  if (at().kind == Token::kSymbol && at().text == L"*") {
    ++i;
  } else {
    for (;;) {
      if (at().kind != Token::kWord || !PropertyOf(probe, at().text, &ignored))
        return hresult::kWbemInvalidQuery;
      ++i;
      if (at().kind == Token::kSymbol && at().text == L",") {
        ++i;
        continue;
      }
      break;
    }
  }
  if (!IsWord(at(), L"FROM")) return hresult::kWbemInvalidQuery;
  ++i;
  if (at().kind != Token::kWord) return hresult::kWbemInvalidQuery;
  if (!EqualsNoCase(at().text, L"Win32_Printer")) return wbem_error::kInvalidClass;
  ++i;

  std::vector<Condition> conditions;
  if (IsWord(at(), L"WHERE")) {
    ++i;
    for (;;) {
      Condition condition;
      if (at().kind != Token::kWord || !PropertyOf(probe, at().text, &ignored))
        return hresult::kWbemInvalidQuery;
      condition.property = at().text;
      ++i;
      if (IsWord(at(), L"LIKE"))
        condition.op = L"LIKE";
      else if (at().kind == Token::kSymbol && (at().text == L"=" || at().text == L"!="))
        condition.op = at().text;
      else
        return hresult::kWbemInvalidQuery;
      ++i;
      if (at().kind != Token::kString) return hresult::kWbemInvalidQuery;
      condition.value = at().text;
      ++i;
      conditions.push_back(condition);
      if (!IsWord(at(), L"AND")) break;
      ++i;
    }
  }
  if (at().kind != Token::kEnd) return hresult::kWbemInvalidQuery;

  names->clear();
  for (const FakePrinter& printer : printers) {
    bool keep = true;
    for (const Condition& c : conditions) {
      std::wstring value;
      PropertyOf(printer, c.property, &value);
      if (c.op == L"LIKE")
        keep = Like(value, c.value);
      else if (c.op == L"=")
        keep = EqualsNoCase(value, c.value);
      else
        keep = !EqualsNoCase(value, c.value);
      if (!keep) break;
    }
    if (keep) names->push_back(printer.name);
  }
  return hresult::kOk;
}

}  // namespace vantrel::testing
