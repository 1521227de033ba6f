// The wall clock of the running service.
#pragma once

#include <chrono>

#include "service/host_ports.h"

namespace vantrel {

class SystemClock : public Clock {
 public:
  int64_t NowSeconds() override {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  }
  uint64_t MonotonicMs() override {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }
};

}  // namespace vantrel
