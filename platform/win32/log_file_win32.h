// The log's file: "Vantrel Log.txt" in the current directory, written
// through the C runtime's wide text stream.
#pragma once

#include <cstdio>
#include <string>

#include "platform/log_sink.h"

namespace vantrel {

class Win32LogFileSink : public LogSink {
 public:
  Win32LogFileSink() = default;
  ~Win32LogFileSink() override;
  Win32LogFileSink(const Win32LogFileSink&) = delete;
  Win32LogFileSink& operator=(const Win32LogFileSink&) = delete;

  // Creates or truncates the file, UTF-16LE with a byte-order mark, text
  // mode, commit on flush, others may only read it while we hold it.
  bool Open() override;
  void WriteAndFlush(const std::wstring& text) override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace vantrel
