// The WQL text that lists the candidate printers of a rename pass.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel {

// WBEM_MAX_QUERY: WMI may refuse a longer query text.
inline constexpr size_t kMaxQueryChars = 16384;

// `text` made safe inside a single-quoted WQL literal: each backslash and
// each apostrophe gets a backslash before it. Text without them is returned
// unchanged.
std::wstring EscapeWqlLiteral(const std::wstring& text);

struct PrinterQuery {
  std::wstring text;
  // Exclusions that did not fit in the text; the pass applies them to each
  // listed printer itself.
  std::vector<std::wstring> driversLeftOut;
  std::vector<std::wstring> namesLeftOut;
};

// SELECT ... FROM Win32_Printer with the port filter ('%TS%' when
// `onlyTerminalServerPorts`, else '%%'), then one clause per excluded driver
// in the order given, then one per name already given, in the order given.
// The text stays below kMaxQueryChars: the first clause that does not fit,
// and every one after it, is left out (names go before drivers do).
PrinterQuery BuildPrinterQuery(bool onlyTerminalServerPorts,
                               const std::vector<std::wstring>& excludedDrivers,
                               const std::vector<std::wstring>& givenNames);

}  // namespace vantrel
