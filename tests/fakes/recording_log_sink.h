// A log sink that keeps every message it is given, and a scope that installs
// one and switches the log on for the length of a test. Header-only so the
// Windows-side test programs can use it too.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "service/log.h"

namespace vantrel::testing {

class RecordingLogSink : public LogSink {
 public:
  explicit RecordingLogSink(std::shared_ptr<std::vector<std::wstring>> messages)
      : messages_(std::move(messages)) {}
  bool Open() override { return true; }
  void WriteAndFlush(const std::wstring& text) override { messages_->push_back(text); }

 private:
  std::shared_ptr<std::vector<std::wstring>> messages_;
};

// Installs a RecordingLogSink with the log on; restores "off, no sink" when
// it goes.
class RecordedLog {
 public:
  RecordedLog() : messages_(std::make_shared<std::vector<std::wstring>>()) {
    SetLogSink(std::make_unique<RecordingLogSink>(messages_));
    logEnabled = true;
  }
  ~RecordedLog() {
    SetLogSink(nullptr);
    logEnabled = false;
  }
  RecordedLog(const RecordedLog&) = delete;
  RecordedLog& operator=(const RecordedLog&) = delete;

  const std::vector<std::wstring>& messages() const { return *messages_; }
  // All messages run together, as the log file would hold them.
  std::wstring Text() const {
    std::wstring all;
    for (const auto& m : *messages_) all += m;
    return all;
  }
  bool Contains(const std::wstring& message) const {
    for (const auto& m : *messages_)
      if (m == message) return true;
    return false;
  }
  void Clear() { messages_->clear(); }

 private:
  std::shared_ptr<std::vector<std::wstring>> messages_;
};

}  // namespace vantrel::testing
