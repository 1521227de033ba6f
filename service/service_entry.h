// The service program's entry decisions, apart from the Win32 calls that
// carry them out: which mode the command line asks for, and the order of a
// service run (ServiceMain) and of a debug run (DebugThread).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "service/service_context.h"

namespace vantrel {

// Registers the control handler for a context and reports what the thread's
// last error is.
class ControlRegistration {
 public:
  virtual ~ControlRegistration() = default;
  // The status channel, or null when the registration failed.
  virtual std::unique_ptr<StatusReporter> RegisterHandler(ServiceContext& context) = 0;
  virtual uint32_t LastError() = 0;
};

// True when any argument, the program's own path included, is "debug" in
// any case.
bool IsDebugCommandLine(const std::vector<std::wstring>& argv);

// True when a start parameter (an argument after the service name) is
// "withlog" in any case.
bool HasWithLogParameter(const std::vector<std::wstring>& args);

// ServiceMain: turns the log on for "withlog", runs the context from
// start-pending to stopped. `args[0]` is the service name.
void RunServiceMain(const std::vector<std::wstring>& args, HostPlatform& platform,
                    ControlRegistration& registration,
                    CheckPointCounter& checkPoints = ProcessCheckPoints());

// DebugThread: the same work without the Service Control Manager; runs
// until the process is ended.
uint32_t RunDebugWork(HostPlatform& platform);

}  // namespace vantrel
