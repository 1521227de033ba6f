// Remote Desktop Services session queries and the shell's decimal parser.
#pragma once

#include "platform/terminal_services.h"

namespace vantrel {

class Win32TerminalServices : public TerminalServices {
 public:
  Win32TerminalServices() = default;
  WtsQueryResult QuerySessionInformation(uint32_t sessionId, WtsInfoClass infoClass) override;
  // Inline on purpose: <shlwapi.h> spells the name StrToIntExW in the files
  // that include it (see accounts_win32.h).
  bool StrToIntEx(const std::wstring& text, int32_t* value) override {
    return ParseDecimal(text, value);
  }

 private:
  static bool ParseDecimal(const std::wstring& text, int32_t* value);
};

}  // namespace vantrel
