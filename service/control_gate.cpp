#include "service/control_gate.h"

#include "service/service_context.h"

namespace vantrel {

void ControlGate::Open(ServiceContext& context) {
  std::lock_guard lock(mutex_);
  context_ = &context;
}

uint32_t ControlGate::Handle(uint32_t control, uint32_t eventType,
                             std::optional<uint32_t> sessionId) {
  ServiceContext* context;
  {
    std::lock_guard lock(mutex_);
    if (!context_) return 0;
    context = context_;
    ++inside_;
  }
  struct Leave {
    ControlGate& gate;
    ~Leave() {
      std::lock_guard lock(gate.mutex_);
      if (--gate.inside_ == 0) gate.left_.notify_all();
    }
  } leave{*this};
  return context->HandleControl(control, eventType, sessionId);
}

void ControlGate::Close() {
  std::unique_lock lock(mutex_);
  context_ = nullptr;
  left_.wait(lock, [this] { return inside_ == 0; });
}

ControlGate& ProcessControlGate() {
  static ControlGate* gate = new ControlGate;
  return *gate;
}

}  // namespace vantrel
