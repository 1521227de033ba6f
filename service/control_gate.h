// Where the control handler finds the run's context. A run opens it for its
// context and closes it before the context goes; a control that comes later
// finds it closed and changes nothing. It outlives the run (the process's
// gate is never freed), so even a late call finds it intact.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace vantrel {

class ServiceContext;

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

}  // namespace vantrel
