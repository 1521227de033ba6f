// The service program's entry decisions, apart from the Win32 calls that
// carry them out: which mode the command line asks for, and the order of a
// service run (ServiceMain) and of a debug run (DebugThread).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/control_gate.h"
#include "service/service_context.h"

namespace vantrel {

// True when any argument, the program's own path included, is "debug" in
// any case.
bool IsDebugCommandLine(const std::vector<std::wstring>& argv);

enum class PreviewForm { kNone, kText, kJson };

// kText for `Vantrel.exe preview`, kJson for `Vantrel.exe preview --json`
// (each word in any case, nothing else after the program's path), else
// kNone.
PreviewForm PreviewCommandLine(const std::vector<std::wstring>& argv);

// True when a start parameter (an argument after the service name) is
// "withlog" in any case.
bool HasWithLogParameter(const std::vector<std::wstring>& args);

// ServiceMain: turns the log on for "withlog", runs the context from
// start-pending to stopped. `args[0]` is the service name. Every way the
// run can fail ends with a stopped report that carries the reason (an
// exception, in the context's construction too: ERROR_EXCEPTION_IN_SERVICE).
void RunServiceMain(const std::vector<std::wstring>& args, HostPlatform& platform,
                    ControlRegistration& registration,
                    CheckPointCounter& checkPoints = ProcessCheckPoints(),
                    ControlGate& gate = ProcessControlGate());

// DebugThread: the same work without the Service Control Manager; runs
// until the process is ended, or returns the reason the run failed.
uint32_t RunDebugWork(HostPlatform& platform);

}  // namespace vantrel
