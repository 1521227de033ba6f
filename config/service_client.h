// The Service Control Manager client of the configuration program: the
// status line, the start request with its short wait, and the reload
// request. The operations are declared in config_app.h.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

inline constexpr wchar_t kServiceName[] = L"Vantrel";
inline constexpr uint32_t kReloadSettingsControl = 200;
inline constexpr uint32_t kStartWaitMilliseconds = 5000;
inline constexpr uint32_t kStartPollMilliseconds = 500;

// The status line's word for a dwCurrentState value ("Unknown" outside 1-7).
const wchar_t* ServiceStateWord(uint32_t state);

}  // namespace vantrel
