// A manual 32-bit millisecond clock for waits: Sleep advances it, every
// reading can advance it too (the cost of the calls between readings), and
// it wraps like GetTickCount.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "config/config_ports.h"

namespace vantrel::testing {

class FakeTicks : public Ticks {
 public:
  uint32_t GetTickCount() override {
    const uint32_t reading = now;
    now += advancePerReading;
    return reading;
  }
  // A wait that never ends fails the test instead of hanging it.
  void Sleep(uint32_t milliseconds) override {
    if (sleeps.size() >= 1000) throw std::runtime_error("FakeTicks: endless wait");
    sleeps.push_back(milliseconds);
    now += milliseconds;
  }

  uint32_t now = 1000;
  uint32_t advancePerReading = 0;
  std::vector<uint32_t> sleeps;
};

}  // namespace vantrel::testing
