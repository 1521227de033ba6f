// The Service Control Manager client of the configuration program: the
// status line, the start request with its short wait, and the reload
// request.
#pragma once

#include <cstdint>

#include "config/config_ports.h"

namespace vantrel {

inline constexpr uint32_t kStartWaitMilliseconds = 5000;
inline constexpr uint32_t kStartPollMilliseconds = 500;

// Shows "Service Status: <state word>" ("N/A" when the service cannot be
// opened or queried) and returns the state, or -1 when there is none.
int32_t RefreshServiceStatus(ConfigPorts& ports);
// Starts the service and polls its status until it runs, for 5 s at most.
void StartServiceAndWait(ConfigPorts& ports);
// Sends the control that makes the service read its settings again.
void SendReloadSettings(ConfigPorts& ports);

}  // namespace vantrel
