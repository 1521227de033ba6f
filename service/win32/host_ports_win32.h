// The run's platform on Win32: a waitable timer for the ticks, the stop
// event, the system clock, and the WMI-backed engine (its wiring is in
// engine_wiring_win32.cpp).
#pragma once

#include <memory>

#include "service/host_ports.h"
#include "service/system_clock.h"

namespace vantrel {

class Win32HostPlatform : public HostPlatform {
 public:
  std::unique_ptr<PrinterEngine> CreateEngine() override;
  Status CreateTickTimer(std::unique_ptr<TickTimer>* timer) override;
  // The stop event and an auto-reset wake event, waited on together.
  Status CreateStopEvent(std::unique_ptr<StopEvent>* event) override;
  Clock& clock() override { return clock_; }

 private:
  SystemClock clock_;
};

}  // namespace vantrel
