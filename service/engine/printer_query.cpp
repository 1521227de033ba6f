#include "service/engine/printer_query.h"

namespace vantrel {

std::wstring EscapeWqlLiteral(const std::wstring& text) {
  std::wstring escaped;
  escaped.reserve(text.size());
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'\'') escaped += L'\\';
    escaped += c;
  }
  return escaped;
}

PrinterQuery BuildPrinterQuery(bool onlyTerminalServerPorts,
                               const std::vector<std::wstring>& excludedDrivers,
                               const std::vector<std::wstring>& givenNames) {
  PrinterQuery query;
  query.text =
      L"SELECT __PATH, DeviceID, Name, DriverName, PortName FROM Win32_Printer WHERE PortName "
      L"LIKE '%";
  if (onlyTerminalServerPorts) query.text += L"TS";
  query.text += L"%'";
  // Every name given adds a clause, and a busy server gives hundreds: a text
  // past WMI's limit would be refused, and then nothing would be renamed.
  // Room is kept for the terminating NUL in case WMI counts it.
  bool full = false;
  auto append = [&](const wchar_t* opener, const std::wstring& value,
                    std::vector<std::wstring>& leftOut) {
    // Unescaped, one apostrophe in a user or driver name would make WMI
    // reject the whole query, and no printer would be renamed until it went
    // away.
    std::wstring clause = opener + EscapeWqlLiteral(value) + L"'";
    if (!full && query.text.size() + clause.size() < kMaxQueryChars) {
      query.text += clause;
    } else {
      full = true;
      leftOut.push_back(value);
    }
  };
  for (const std::wstring& driver : excludedDrivers)
    append(L" AND DriverName != '", driver, query.driversLeftOut);
  for (const std::wstring& name : givenNames)
    append(L" AND DeviceID != '", name, query.namesLeftOut);
  return query;
}

}  // namespace vantrel
