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

std::wstring BuildPrinterQuery(bool onlyTerminalServerPorts,
                               const std::vector<std::wstring>& excludedDrivers,
                               const std::vector<std::wstring>& givenNames) {
  std::wstring query =
      L"SELECT __PATH, DeviceID, Name, DriverName, PortName FROM Win32_Printer WHERE PortName "
      L"LIKE '%";
  if (onlyTerminalServerPorts) query += L"TS";
  query += L"%'";
  // Unescaped, one apostrophe in a user or driver name would make WMI reject
  // the whole query, and no printer would be renamed until it went away.
  for (const std::wstring& driver : excludedDrivers)
    query += L" AND DriverName != '" + EscapeWqlLiteral(driver) + L"'";
  for (const std::wstring& name : givenNames)
    query += L" AND DeviceID != '" + EscapeWqlLiteral(name) + L"'";
  return query;
}

}  // namespace vantrel
