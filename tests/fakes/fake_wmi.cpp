#include "tests/fakes/fake_wmi.h"

#include <algorithm>
#include <cwctype>

namespace vantrel::testing {
namespace {

constexpr wchar_t kPathPrefix[] = L"Win32_Printer.DeviceID=\"";

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

const std::wstring FakePrinter::*Column(const std::wstring& property) {
  if (property == L"DeviceID" || property == L"Name") return &FakePrinter::name;
  if (property == L"DriverName") return &FakePrinter::driverName;
  if (property == L"PortName") return &FakePrinter::portName;
  return nullptr;
}

// The rows of "SELECT ... FROM Win32_Printer", optionally followed by
// " WHERE " and conditions "<property> LIKE|=|!= '<literal>'" joined by
// " AND ", as the system writes them. Literals take backslash escapes; LIKE
// patterns are '%text%' (text anywhere, case ignored like = and !=).
HResult Query(const FakePrinterTable& printers, const std::wstring& query,
              std::vector<FakePrinter>* rows) {
  const std::wstring from = L" FROM Win32_Printer";
  size_t i = query.find(from);
  if (query.rfind(L"SELECT ", 0) != 0 || i == std::wstring::npos) return hresult::kWbemInvalidQuery;
  struct Condition {
    const std::wstring FakePrinter::*column;
    std::wstring op, value;
  };
  std::vector<Condition> conditions;
  for (i += from.size(); i < query.size(); ++i) {  // past each literal's closing quote
    const std::wstring joiner = conditions.empty() ? L" WHERE " : L" AND ";
    const size_t property = i + joiner.size();
    const size_t op = query.find(L' ', property) + 1;  // 0 when there is none
    const size_t literal = op ? query.find(L' ', op) + 1 : 0;
    if (query.compare(i, joiner.size(), joiner) != 0 || !literal || query[literal] != L'\'')
      return hresult::kWbemInvalidQuery;
    Condition c{Column(query.substr(property, op - 1 - property)),
                query.substr(op, literal - 1 - op), L""};
    for (i = literal + 1; i < query.size() && query[i] != L'\''; ++i)
      c.value += query[i] == L'\\' && i + 1 < query.size() ? query[++i] : query[i];
    const bool like =
        c.op == L"LIKE" && c.value.size() >= 2 && c.value.front() == L'%' && c.value.back() == L'%';
    if (i >= query.size() || !c.column || !(like || c.op == L"=" || c.op == L"!="))
      return hresult::kWbemInvalidQuery;
    conditions.push_back(c);
  }
  for (const FakePrinter& printer : printers.rows()) {
    auto holds = [&printer](const Condition& c) {
      const std::wstring value = Upper(printer.*c.column);
      if (c.op == L"LIKE")
        return value.find(Upper(c.value.substr(1, c.value.size() - 2))) != std::wstring::npos;
      return (value == Upper(c.value)) == (c.op == L"=");
    };
    if (std::all_of(conditions.begin(), conditions.end(), holds)) rows->push_back(printer);
  }
  return hresult::kOk;
}

// Any object: a printer row, the class, the method signature, parameters.
struct FakeObject : WmiObject {
  LiveFakeObject live;
  explicit FakeObject(FakeWmi& w) : wmi(w) {}

  HResult Get(const std::wstring& name, WmiValue* value) override {
    if (auto fault = wmi.Enter("Get", name)) return *fault;
    auto it = properties.find(name);
    if (it == properties.end()) return hresult::kWbemNotFound;
    *value = it->second;
    return hresult::kOk;
  }
  HResult Put(const std::wstring& name, const WmiValue& value) override {
    if (auto fault = wmi.Enter("Put", name)) return *fault;
    properties[name] = value;
    return hresult::kOk;
  }
  HResult GetMethod(const std::wstring& name, std::unique_ptr<WmiObject>* inSignature) override {
    if (auto fault = wmi.Enter("GetMethod", name)) return *fault;
    if (name != L"RenamePrinter") return hresult::kWbemNotFound;
    *inSignature = std::make_unique<FakeObject>(wmi);
    return hresult::kOk;
  }
  HResult SpawnInstance(std::unique_ptr<WmiObject>* instance) override {
    if (auto fault = wmi.Enter("SpawnInstance")) return *fault;
    *instance = std::make_unique<FakeObject>(wmi);
    return hresult::kOk;
  }

  std::map<std::wstring, WmiValue> properties;

  FakeWmi& wmi;
};

struct FakeEnumerator : WmiEnumerator {
  LiveFakeObject live;
  FakeEnumerator(FakeWmi& w, std::vector<FakePrinter> rows) : wmi(w), rows_(std::move(rows)) {}

  HResult Next(int32_t timeout, uint32_t count,
               std::vector<std::unique_ptr<WmiObject>>* objects) override {
    objects->clear();
    wmi.lastNextTimeout = timeout;
    wmi.lastNextCount = count;
    if (auto fault = wmi.Enter("Next")) return *fault;
    for (; objects->size() < count && next_ < rows_.size(); ++next_) {
      auto object = std::make_unique<FakeObject>(wmi);
      const FakePrinter& row = rows_[next_];  // the properties the system reads
      object->properties = {{L"__PATH", kPathPrefix + row.name + L"\""},
                            {L"DeviceID", row.name},
                            {L"DriverName", row.driverName}};
      objects->push_back(std::move(object));
    }
    return objects->size() == count ? hresult::kOk : hresult::kFalse;
  }

  FakeWmi& wmi;
  std::vector<FakePrinter> rows_;
  size_t next_ = 0;
};

struct FakeServices : WmiServices {
  LiveFakeObject live;
  explicit FakeServices(FakeWmi& w) : wmi(w) {}
  ~FakeServices() override { wmi.releases.push_back("Services"); }

  HResult ExecQuery(const std::wstring& language, const std::wstring& query, int32_t flags,
                    std::unique_ptr<WmiEnumerator>* enumerator) override {
    wmi.queries.push_back(query);
    wmi.lastQueryFlags = flags;
    if (auto fault = wmi.Enter("ExecQuery")) return *fault;
    if (language != L"WQL") return hresult::kFail;
    std::vector<FakePrinter> rows;
    if (HResult hr = Query(wmi.printers, query, &rows); hresult::Failed(hr)) return hr;
    *enumerator = std::make_unique<FakeEnumerator>(wmi, std::move(rows));
    return hresult::kOk;
  }

  HResult GetObject(const std::wstring& path, std::unique_ptr<WmiObject>* object) override {
    if (auto fault = wmi.Enter("GetObject", path)) return *fault;
    if (path != L"Win32_Printer") return hresult::kWbemNotFound;
    *object = std::make_unique<FakeObject>(wmi);
    return hresult::kOk;
  }

  // Renames the printer the path names; a clash is a ReturnValue, not a
  // failed call.
  HResult ExecMethod(const std::wstring& objectPath, const std::wstring& method,
                     WmiObject* inParams, std::unique_ptr<WmiObject>* outParams) override {
    if (auto fault = wmi.Enter("ExecMethod", method)) return *fault;
    const size_t prefix = std::size(kPathPrefix) - 1;
    if (method != L"RenamePrinter") return hresult::kFail;
    if (objectPath.rfind(kPathPrefix, 0) != 0 || objectPath.size() <= prefix)
      return static_cast<HResult>(0x8004103A);  // WBEM_E_INVALID_OBJECT_PATH
    const std::wstring deviceId = objectPath.substr(prefix, objectPath.size() - prefix - 1);
    if (!wmi.printers.Find(deviceId)) return hresult::kWbemNotFound;
    auto* params = dynamic_cast<FakeObject*>(inParams);
    const auto* name =
        params ? std::get_if<std::wstring>(&params->properties[L"NewPrinterName"]) : nullptr;
    int32_t returnValue = 87;  // ERROR_INVALID_PARAMETER: no name given
    if (auto forced = wmi.Fire("RenamePrinter", "RenamePrinter"))
      returnValue = *forced;
    else if (name && !name->empty())
      returnValue = wmi.printers.Rename(deviceId, *name) ? 0 : kPrinterAlreadyExists;
    if (outParams) {
      auto out = std::make_unique<FakeObject>(wmi);
      out->properties[L"ReturnValue"] = returnValue;
      *outParams = std::move(out);
    }
    return hresult::kOk;
  }

  FakeWmi& wmi;
};

struct FakeLocator : WmiLocator {
  LiveFakeObject live;
  explicit FakeLocator(FakeWmi& w) : wmi(w) {}
  ~FakeLocator() override { wmi.releases.push_back("Locator"); }

  HResult ConnectServer(const std::wstring& resource,
                        std::unique_ptr<WmiServices>* services) override {
    wmi.lastResource = resource;
    if (auto fault = wmi.Enter("ConnectServer")) return *fault;
    if (resource != L"ROOT\\CIMV2") return hresult::kFail;
    *services = std::make_unique<FakeServices>(wmi);
    return hresult::kOk;
  }

  FakeWmi& wmi;
};

}  // namespace

void FakePrinterTable::Add(FakePrinter printer) {
  index_.emplace(Upper(printer.name), rows_.size());
  rows_.push_back(std::move(printer));
}

const FakePrinter* FakePrinterTable::Find(const std::wstring& name) const {
  auto it = index_.find(Upper(name));
  return it == index_.end() ? nullptr : &rows_[it->second];
}

bool FakePrinterTable::Rename(const std::wstring& from, const std::wstring& to) {
  auto source = index_.find(Upper(from));
  if (source == index_.end()) return false;
  const size_t row = source->second;
  if (auto holder = index_.find(Upper(to)); holder != index_.end() && holder->second != row)
    return false;
  index_.erase(source);
  index_[Upper(to)] = row;
  rows_[row].name = to;
  return true;
}

bool FakePrinterTable::Remove(const std::wstring& name) {
  auto it = index_.find(Upper(name));
  if (it == index_.end()) return false;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(it->second));
  index_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) index_.emplace(Upper(rows_[i].name), i);
  return true;
}

std::vector<std::wstring> FakePrinterTable::Names() const {
  std::vector<std::wstring> names;
  for (const FakePrinter& p : rows_) names.push_back(p.name);
  return names;
}

HResult FakeWmi::CreateLocator(std::unique_ptr<WmiLocator>* locator) {
  if (auto fault = Enter("CreateLocator")) return *fault;
  *locator = std::make_unique<FakeLocator>(*this);
  return hresult::kOk;
}

std::optional<HResult> FakeWmi::Enter(const std::string& call, const std::wstring& argument) {
  const std::string detailed = call + ':' + std::string(argument.begin(), argument.end());
  ++totalCalls_;
  ++counts_[call];
  if (!argument.empty()) ++counts_[detailed];
  switch (Consult(faultPlan, "wmi " + detailed)) {
    case Failure::kError:
      return hresult::kFail;
    case Failure::kOutOfMemory:
      return hresult::kOutOfMemory;
    case Failure::kEmpty:  // Put has nothing to yield
      return call == "Put" ? hresult::kFail : hresult::kOk;
    case Failure::kNone:
      break;
  }
  return Fire(call, detailed);
}

std::optional<HResult> FakeWmi::Fire(const std::string& call, const std::string& detailed) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if ((it->call != call && it->call != detailed) || --it->remaining > 0) continue;
    const HResult status = it->status;
    faults_.erase(it);
    return status;
  }
  return std::nullopt;
}

}  // namespace vantrel::testing
