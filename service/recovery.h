// The service's restart-on-failure actions. The package has no table for
// them, so its install runs "Vantrel.exe recovery" once the service is
// registered; the choice of actions lives here, the call in the SCM adapter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/service_manager.h"

namespace vantrel {

// Restart after one minute, again after one minute, then after five minutes
// for every later failure; a day without failure starts the count again.
FailureActions ServiceFailureActions();

// True for exactly "<program> recovery", the installer's command line.
bool IsRecoveryCommandLine(const std::vector<std::wstring>& argv);

// Sets ServiceFailureActions on the installed service "Vantrel", to follow
// a stop with an error exit code too, not only a crash. A platform without
// that flag (ERROR_INVALID_LEVEL) keeps the actions for crashes. An image
// path registered without quotes is quoted. Returns 0,
// or the Win32 error of the step that failed: the process's exit code, which
// the installer checks.
uint32_t ApplyServiceFailureActions(ServiceManager& scm);

// The image path to register instead of `path`, or empty when it needs no
// change: a bare program path with a space and no quotes would let Windows
// try "C:\Program.exe" first.
std::wstring QuotedImagePath(const std::wstring& path);

}  // namespace vantrel
