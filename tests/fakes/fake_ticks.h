// A manual 32-bit millisecond clock for waits: Sleep advances it, every
// reading can advance it too (the cost of the calls between readings), and
// it wraps like GetTickCount.
#pragma once

#include <cstdint>
#include <vector>

#include "config/config_app.h"

namespace vantrel::testing {

class FakeTicks : public Ticks {
 public:
  explicit FakeTicks(uint32_t start = 1000) : now(start) {}

  uint32_t GetTickCount() override;
  void Sleep(uint32_t milliseconds) override;

  uint32_t now;
  uint32_t advancePerReading = 0;
  std::vector<uint32_t> sleeps;
  // A wait that never ends is stopped here with std::runtime_error, so a
  // test fails instead of hanging.
  size_t maxSleeps = 1000;
};

}  // namespace vantrel::testing
