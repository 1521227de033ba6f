// The local printers of the fake terminal server, in the order WMI lists
// them, shared by FakeWmi and FakeSpooler. Names are unique without regard
// to case, as the spooler keeps them, and looked up through an index so
// large tables stay cheap.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace vantrel::testing {

struct FakePrinter {
  std::wstring name;  // DeviceID and Name
  std::wstring driverName;
  std::wstring portName;
};

class FakePrinterTable {
 public:
  void Add(FakePrinter printer);
  void Clear();
  // Null when no printer bears that name.
  const FakePrinter* Find(const std::wstring& name) const;
  // False (and nothing changes) when `to` names another printer.
  bool Rename(const std::wstring& from, const std::wstring& to);
  bool Remove(const std::wstring& name);

  std::vector<std::wstring> Names() const;
  size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  const FakePrinter& operator[](size_t i) const { return rows_[i]; }
  std::vector<FakePrinter>::const_iterator begin() const { return rows_.begin(); }
  std::vector<FakePrinter>::const_iterator end() const { return rows_.end(); }

 private:
  static std::wstring Key(const std::wstring& name);
  void Reindex();

  std::vector<FakePrinter> rows_;
  std::unordered_map<std::wstring, size_t> index_;
};

// Case-insensitive equality as WQL and the spooler compare names.
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);

}  // namespace vantrel::testing
