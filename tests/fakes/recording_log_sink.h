// For the length of a test: the log on, every message kept in memory; "off,
// no sink" again when it goes. Header-only so the Windows-side test programs
// can use it too.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "service/log.h"

namespace vantrel::testing {

class RecordedLog {
 public:
  RecordedLog() {
    SetLogSink(std::make_unique<Sink>(messages_));
    logEnabled = true;
  }
  ~RecordedLog() {
    SetLogSink(nullptr);
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
  void Clear() { messages_.clear(); }

 private:
  struct Sink : LogSink {
    explicit Sink(std::vector<std::wstring>& messages) : messages(messages) {}
    bool Open() override { return true; }
    void WriteAndFlush(const std::wstring& text) override { messages.push_back(text); }
    std::vector<std::wstring>& messages;
  };
  std::vector<std::wstring> messages_;
};

}  // namespace vantrel::testing
