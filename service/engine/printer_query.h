// The WQL text that lists the candidate printers of a rename pass.
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// `text` made safe inside a single-quoted WQL literal: each backslash and
// each apostrophe gets a backslash before it. Text without them is returned
// unchanged.
std::wstring EscapeWqlLiteral(const std::wstring& text);

// SELECT ... FROM Win32_Printer with the port filter ('%TS%' when
// `onlyTerminalServerPorts`, else '%%'), then one clause per excluded driver
// in the order given, then one per name already given, in the order given.
std::wstring BuildPrinterQuery(bool onlyTerminalServerPorts,
                               const std::vector<std::wstring>& excludedDrivers,
                               const std::vector<std::wstring>& givenNames);

}  // namespace vantrel
