// Remote Desktop Services session queries and the shell's decimal parser.
#pragma once

#include "platform/terminal_services.h"

namespace vantrel {

class Win32TerminalServices : public TerminalServices {
 public:
  Win32TerminalServices() = default;
  Status QuerySessionInformation(uint32_t sessionId, WtsInfoClass infoClass,
                                 std::wstring* text) override;
  Status ParseInteger(const std::wstring& text, int32_t* value) override;
};

}  // namespace vantrel
