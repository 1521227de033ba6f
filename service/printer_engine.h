// What the service host needs of the printer engine: a pass per due tick,
// and forgetting a session at log-off. Printers implements it; the host's
// tests use a recording stand-in.
#pragma once

#include <cstdint>

namespace vantrel {

class PrinterEngine {
 public:
  virtual ~PrinterEngine() = default;
  virtual void RunRenamePass() = 0;
  virtual void ForgetSession(uint32_t sessionId) = 0;
};

}  // namespace vantrel
