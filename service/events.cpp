#include "service/events.h"

#include <mutex>

#include "platform/text.h"

namespace vantrel {

namespace {

// Events come from the control thread (a reload) and the service thread.
struct EventState {
  std::mutex mutex;
  std::unique_ptr<EventSink> sink;
};

EventState& State() {
  // Never destroyed: an event reported during process exit still finds it.
  static EventState* state = new EventState;
  return *state;
}

}  // namespace

void SetEventSink(std::unique_ptr<EventSink> sink) {
  EventState& state = State();
  std::unique_ptr<EventSink> previous;
  std::lock_guard<std::mutex> lock(state.mutex);
  previous = std::move(state.sink);
  state.sink = std::move(sink);
}

void RecordEvent(uint32_t id, std::vector<std::wstring> strings) {
  try {
    for (std::wstring& s : strings) s = EscapeControlCharacters(s);
    EventState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.sink) state.sink->Report(id, strings);
  } catch (...) {
    // An event that cannot be built or written is lost, not the caller.
  }
}

std::wstring HresultText(uint32_t hr) {
  constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring text = L"0x";
  for (int shift = 28; shift >= 0; shift -= 4) text.push_back(kHex[(hr >> shift) & 0xF]);
  return text;
}

}  // namespace vantrel
