// The check points of the service's pending status reports. One counter per
// process, shared by the service thread and the control thread, so a pending
// report never repeats a number another report already carried.
#pragma once

#include <atomic>
#include <cstdint>

namespace vantrel {

class CheckPointCounter {
 public:
  // The current value, then advances it. The first call returns 1.
  uint32_t Take() { return next_.fetch_add(1, std::memory_order_relaxed); }

 private:
  std::atomic<uint32_t> next_{1};
};

// The process's counter.
inline CheckPointCounter& ProcessCheckPoints() {
  static CheckPointCounter counter;
  return counter;
}

}  // namespace vantrel
