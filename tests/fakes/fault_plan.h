// One count of platform calls shared by every fake of a terminal server, so
// that a test can make exactly the k-th call fail, and a count of the fakes'
// live objects (COM objects, printer handles, registry keys) for leak checks.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace vantrel::testing {

enum class Failure {
  kNone,
  kError,        // a plain error status
  kEmpty,        // success that yields nothing, where the call has something to yield
  kOutOfMemory,  // as the adapters report it: E_OUTOFMEMORY or ERROR_(NOT_ENOUGH|OUT_OF)MEMORY
};

class FaultPlan {
 public:
  // Counts a call (named "<port> <call>") and says how it is to fail.
  Failure Enter(const std::string& call) {
    if (recording) trace.push_back(call);
    return ++calls == failAt ? how : Failure::kNone;
  }

  int calls = 0;
  int failAt = 0;  // counting from 1; 0 fails nothing
  Failure how = Failure::kNone;
  bool recording = false;
  std::vector<std::string> trace;  // every call, while recording
};

// How the call fails; kNone without a plan.
inline Failure Consult(FaultPlan* plan, const std::string& call) {
  return plan ? plan->Enter(call) : Failure::kNone;
}

// A member of each fake platform object: LiveFakeObject::count says how many
// are alive.
struct LiveFakeObject {
  LiveFakeObject() { ++count; }
  LiveFakeObject(const LiveFakeObject&) { ++count; }
  ~LiveFakeObject() { --count; }
  static inline std::atomic<int> count{0};
};

}  // namespace vantrel::testing
