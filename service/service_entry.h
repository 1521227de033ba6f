// The service program's entry decisions, apart from the Win32 calls that
// carry them out: which mode the command line asks for, and the order of a
// service run (ServiceMain) and of a debug run (DebugThread).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "service/service_context.h"

namespace vantrel {

// Where the control handler finds the run's context. A run opens it for its
// context and closes it before the context goes; a control that comes
// later finds it closed and changes nothing. It outlives the run (the
// process's gate is never freed), so even a late call finds it intact.
class ControlGate {
 public:
  void Open(ServiceContext& context);
  // Hands a control to the open context; 0 when closed.
  uint32_t Handle(uint32_t control, uint32_t eventType, std::optional<uint32_t> sessionId);
  // No later call reaches the context; returns once no call is inside it.
  void Close();

 private:
  std::mutex mutex_;
  std::condition_variable left_;
  ServiceContext* context_ = nullptr;
  int inside_ = 0;
};

// The process's gate, the one the Win32 handler is registered with.
ControlGate& ProcessControlGate();

// Registers the control handler, its calls to go through `gate`.
class ControlRegistration {
 public:
  virtual ~ControlRegistration() = default;
  // The status channel, or null when the registration failed.
  virtual std::unique_ptr<StatusReporter> RegisterHandler(ControlGate& gate) = 0;
};

// True when any argument, the program's own path included, is "debug" in
// any case.
bool IsDebugCommandLine(const std::vector<std::wstring>& argv);

// True for `Vantrel.exe preview` ("preview" in any case as the only
// argument after the program's path).
bool IsPreviewCommandLine(const std::vector<std::wstring>& argv);

// True when a start parameter (an argument after the service name) is
// "withlog" in any case.
bool HasWithLogParameter(const std::vector<std::wstring>& args);

// ServiceMain: turns the log on for "withlog", runs the context from
// start-pending to stopped. `args[0]` is the service name. An exception
// after the start-pending report ends the run with a stopped report that
// carries ERROR_EXCEPTION_IN_SERVICE.
void RunServiceMain(const std::vector<std::wstring>& args, HostPlatform& platform,
                    ControlRegistration& registration,
                    CheckPointCounter& checkPoints = ProcessCheckPoints(),
                    ControlGate& gate = ProcessControlGate());

// DebugThread: the same work without the Service Control Manager; runs
// until the process is ended.
uint32_t RunDebugWork(HostPlatform& platform);

}  // namespace vantrel
