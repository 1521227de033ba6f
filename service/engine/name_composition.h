// From a redirected printer's name to its session and its new name.
#pragma once

#include <cstdint>
#include <string>

#include "platform/terminal_services.h"
#include "settings/settings.h"

namespace vantrel {

struct ComposedName {
  bool ok = false;
  std::wstring newName;    // the current name when !ok
  int32_t sessionId = -1;  // -1 when !ok
  // The session's names the new name was built from: the pass uses these
  // rather than asking again, so what it checks is what went into the name.
  std::wstring userName;
  std::wstring clientName;
};

// Finds the session number in `currentName`, checks it with the Terminal
// Services API and builds the new name from the NamingFormat and
// StripParens of `settings`.
ComposedName ComposeNewName(TerminalServices& wts, const Settings& settings,
                            const std::wstring& currentName);

// The longest name the spooler gives a printer.
inline constexpr size_t kMaxPrinterNameChars = 220;

// Why `name` must not be given to a printer, or empty when it may: the
// spooler would refuse it (empty, too long, a comma or a backslash in it),
// or it would itself read as a session's redirected printer, whichever
// session that is.
std::wstring WhyNotToGiveName(const std::wstring& name);

// Removes white space (iswspace) at the end, then at the start.
void TrimWhitespace(std::wstring& text);

}  // namespace vantrel
