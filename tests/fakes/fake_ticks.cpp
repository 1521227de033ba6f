#include "tests/fakes/fake_ticks.h"

#include <stdexcept>

namespace vantrel::testing {

uint32_t FakeTicks::GetTickCount() {
  const uint32_t reading = now;
  now += advancePerReading;  // unsigned: wraps at 2^32 as the real count does
  return reading;
}

void FakeTicks::Sleep(uint32_t milliseconds) {
  if (sleeps.size() >= maxSleeps) throw std::runtime_error("FakeTicks: endless wait");
  sleeps.push_back(milliseconds);
  now += milliseconds;
}

}  // namespace vantrel::testing
