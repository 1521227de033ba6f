#include "tests/fakes/fake_printer_table.h"

#include <algorithm>
#include <cwctype>

namespace vantrel::testing {

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

std::wstring FakePrinterTable::Key(const std::wstring& name) {
  std::wstring key = name;
  for (wchar_t& c : key) c = static_cast<wchar_t>(std::towupper(c));
  return key;
}

void FakePrinterTable::Reindex() {
  index_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) index_.emplace(Key(rows_[i].name), i);
}

void FakePrinterTable::Add(FakePrinter printer) {
  index_.emplace(Key(printer.name), rows_.size());
  rows_.push_back(std::move(printer));
}

void FakePrinterTable::Clear() {
  rows_.clear();
  index_.clear();
}

const FakePrinter* FakePrinterTable::Find(const std::wstring& name) const {
  auto it = index_.find(Key(name));
  return it == index_.end() ? nullptr : &rows_[it->second];
}

bool FakePrinterTable::Rename(const std::wstring& from, const std::wstring& to) {
  auto source = index_.find(Key(from));
  if (source == index_.end()) return false;
  const size_t position = source->second;
  auto holder = index_.find(Key(to));
  if (holder != index_.end() && holder->second != position) return false;
  index_.erase(source);
  rows_[position].name = to;
  index_[Key(to)] = position;
  return true;
}

bool FakePrinterTable::Remove(const std::wstring& name) {
  auto it = index_.find(Key(name));
  if (it == index_.end()) return false;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(it->second));
  Reindex();
  return true;
}

std::vector<std::wstring> FakePrinterTable::Names() const {
  std::vector<std::wstring> names;
  for (const FakePrinter& p : rows_) names.push_back(p.name);
  return names;
}

}  // namespace vantrel::testing
