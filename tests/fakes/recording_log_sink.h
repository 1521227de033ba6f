// For the length of a test: the log on, every message and every event kept
// in memory; "off, no sinks" again when it goes. Header-only so the Windows-side test programs
// can use it too.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "service/events.h"
#include "service/log.h"

namespace vantrel::testing {

class RecordedLog {
 public:
  RecordedLog() {
    SetLogSink(std::make_unique<Sink>(*this));
    SetEventSink(std::make_unique<Events>(events_));
    logEnabled = true;
  }
  ~RecordedLog() {
    SetLogSink(nullptr);
    SetEventSink(nullptr);
    logEnabled = false;
  }
  RecordedLog(const RecordedLog&) = delete;
  RecordedLog& operator=(const RecordedLog&) = delete;

  const std::vector<std::wstring>& messages() const { return messages_; }
  // All messages run together, as the log file would hold them.
  std::wstring Text() const {
    std::wstring all;
    for (const auto& m : messages_) all += m;
    return all;
  }
  bool Contains(const std::wstring& message) const {
    return std::find(messages_.begin(), messages_.end(), message) != messages_.end();
  }
  // Each event as "<id> <first string>|<second string>...".
  const std::vector<std::wstring>& events() const { return events_; }
  void Clear() { messages_.clear(), events_.clear(); }

  // How often the log opened its sink; the first `failOpens` opens fail.
  std::atomic<int> opens{0};
  int failOpens = 0;

 private:
  struct Sink : LogSink {
    explicit Sink(RecordedLog& log) : log(log) {}
    bool Open() override {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));  // widens an open race
      return ++log.opens > log.failOpens;
    }
    void WriteAndFlush(const std::wstring& text) override { log.messages_.push_back(text); }
    RecordedLog& log;
  };
  struct Events : EventSink {
    explicit Events(std::vector<std::wstring>& events) : events(events) {}
    void Report(uint32_t id, const std::vector<std::wstring>& strings) override {
      std::wstring text = std::to_wstring(id);
      for (size_t i = 0; i < strings.size(); ++i) text += (i ? L"|" : L" ") + strings[i];
      events.push_back(text);
    }
    std::vector<std::wstring>& events;
  };
  std::vector<std::wstring> messages_;
  std::vector<std::wstring> events_;
};

}  // namespace vantrel::testing
