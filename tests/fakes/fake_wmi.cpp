#include "tests/fakes/fake_wmi.h"

#include <algorithm>

#include "platform/text.h"

namespace vantrel::testing {
namespace {

// WMI and the spooler compare names as the engine does.
std::wstring Upper(std::wstring text) { return AsciiUpperCase(std::move(text)); }

const std::wstring FakePrinter::*Column(const std::wstring& property) {
  if (property == L"DeviceID" || property == L"Name") return &FakePrinter::name;
  if (property == L"DriverName") return &FakePrinter::driverName;
  if (property == L"PortName") return &FakePrinter::portName;
  return nullptr;
}

// The rows of "SELECT * FROM Win32_Printer", or of the engine's select list
// followed by " WHERE " and conditions "<property> LIKE|=|!= '<literal>'"
// joined by " AND ". Literals take backslash escapes; LIKE patterns are
// '%text%' (text anywhere, case ignored like = and !=).
Status Query(const FakePrinterTable& printers, const std::wstring& query,
             std::vector<FakePrinter>* rows) {
  const Status invalid(hresult::kWbemInvalidQuery);
  const std::wstring from = L" FROM Win32_Printer";
  size_t i = query.find(from);
  if (query.rfind(L"SELECT ", 0) != 0 || i == std::wstring::npos) return invalid;
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
      return invalid;
    Condition c{Column(query.substr(property, op - 1 - property)),
                query.substr(op, literal - 1 - op), L""};
    for (i = literal + 1; i < query.size() && query[i] != L'\''; ++i)
      c.value += query[i] == L'\\' && i + 1 < query.size() ? query[++i] : query[i];
    const bool like =
        c.op == L"LIKE" && c.value.size() >= 2 && c.value.front() == L'%' && c.value.back() == L'%';
    if (i >= query.size() || !c.column || !(like || c.op == L"=" || c.op == L"!=")) return invalid;
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
  return Status::Ok();
}

// A listed row: its properties as the query saw them, renamed by DeviceID.
struct FakeListedPrinter : ListedPrinter {
  FakeListedPrinter(FakeWmi& w, FakePrinter r) : wmi(w), row(std::move(r)) {}

  Status ReadText(Property property, std::wstring* value) override {
    const RenameResult fault =
        wmi.Enter(property == kDeviceId ? "Read:DeviceID" : "Read:DriverName");
    if (fault.step != RenameResult::kDone || !fault.status.ok()) return fault.status;
    *value = property == kDeviceId ? row.name : row.driverName;
    return Status::Ok();
  }

  // A clash is a ReturnValue, not a failed call.
  RenameResult Rename(const std::wstring& newName) override {
    RenameResult result = wmi.Enter("Rename");
    if (!result.status.ok() && result.step == RenameResult::kDone)
      result.step = RenameResult::kExecute;
    const bool runs = result.step == RenameResult::kReadResult ||
                      (result.step == RenameResult::kDone && result.returnValue == 0);
    if (runs && wmi.printers.Rename(row.name, newName))
      row.name = newName;
    else if (runs)
      result.returnValue = kPrinterAlreadyExists;
    return result;
  }

  FakeWmi& wmi;
  FakePrinter row;
  LiveFakeObject live;
};

struct FakeListing : PrinterListing {
  FakeListing(FakeWmi& w, std::vector<FakePrinter> r) : wmi(w), rows(std::move(r)) {}

  Status Next(std::unique_ptr<ListedPrinter>* printer) override {
    printer->reset();
    if (next == rows.size()) return Status::Ok();
    const RenameResult fault = wmi.Enter("Next");
    if (fault.step == RenameResult::kReadResult) next = rows.size();  // an early end
    if (next == rows.size()) return Status::Ok();
    if (!fault.status.ok()) return fault.status;
    *printer = std::make_unique<FakeListedPrinter>(wmi, rows[next++]);
    return Status::Ok();
  }

  FakeWmi& wmi;
  std::vector<FakePrinter> rows;
  size_t next = 0;
  LiveFakeObject live;
};

struct FakeInventory : PrinterInventory {
  explicit FakeInventory(FakeWmi& w) : wmi(w) {}

  Status ListPrinters(const std::wstring& query, bool,
                      std::unique_ptr<PrinterListing>* listing) override {
    wmi.queries.push_back(query);
    if (const Status fault = wmi.Enter("ListPrinters").status; !fault.ok()) return fault;
    std::vector<FakePrinter> rows;
    if (const Status parsed = Query(wmi.printers, query, &rows); !parsed.ok()) return parsed;
    *listing = std::make_unique<FakeListing>(wmi, std::move(rows));
    return Status::Ok();
  }

  FakeWmi& wmi;
  LiveFakeObject live;
};

}  // namespace

void FakePrinterTable::Add(FakePrinter printer) { rows_.push_back(std::move(printer)); }

const FakePrinter* FakePrinterTable::Find(const std::wstring& name) const {
  const auto it = std::ranges::find_if(
      rows_, [&](const FakePrinter& row) { return EqualsIgnoringAsciiCase(row.name, name); });
  return it == rows_.end() ? nullptr : &*it;
}

bool FakePrinterTable::Rename(const std::wstring& from, const std::wstring& to) {
  const FakePrinter* source = Find(from);
  const FakePrinter* holder = Find(to);
  if (!source || (holder && holder != source)) return false;
  rows_[static_cast<size_t>(source - rows_.data())].name = to;
  return true;
}

bool FakePrinterTable::Remove(const std::wstring& name) {
  const FakePrinter* row = Find(name);
  if (row) rows_.erase(rows_.begin() + (row - rows_.data()));
  return row != nullptr;
}

std::vector<std::wstring> FakePrinterTable::Names() const {
  std::vector<std::wstring> names;
  for (const FakePrinter& p : rows_) names.push_back(p.name);
  return names;
}

Status FakeWmi::Connect(std::unique_ptr<PrinterInventory>* inventory) {
  if (const Status fault = Enter("Connect").status; !fault.ok()) return fault;
  *inventory = std::make_unique<FakeInventory>(*this);
  return Status::Ok();
}

// A planned failure: kError and kOutOfMemory fail the call; kEmpty is the
// call's quiet way of yielding nothing: a property that is not text, a
// listing that ends early, a rename whose result is lost.
RenameResult FakeWmi::Enter(const std::string& call) {
  ++counts_[call];
  switch (Consult(faultPlan, "wmi " + call)) {
    case Failure::kError:
      return {RenameResult::kDone, Status(hresult::kFail), 0};
    case Failure::kOutOfMemory:
      return {RenameResult::kDone, Status(hresult::kOutOfMemory), 0};
    case Failure::kEmpty:
      if (call.starts_with("Read:"))
        return {RenameResult::kDone, Status(hresult::kWbemTypeMismatch), 0};
      return {RenameResult::kReadResult, Status(hresult::kWbemNotFound), 0};
    case Failure::kNone:
      break;
  }
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->call != call || --it->remaining > 0) continue;
    const RenameResult result = it->result;
    faults_.erase(it);
    return result;
  }
  return {};
}

}  // namespace vantrel::testing
