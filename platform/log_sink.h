// Where the diagnostic log's text goes: the file in the running service,
// memory in tests.
#pragma once

#include <string>

namespace vantrel {

// The Win32 adapter opens the file with _wfsopen(L"Vantrel Log.txt",
// L"wtc,ccs=UTF-16LE", _SH_DENYWR), writes the text with the CRT (which adds
// the BOM and turns LF into CR LF) and flushes with commit.
class LogSink {
 public:
  virtual ~LogSink() = default;
  // Opens (creating or truncating) the file. False when it cannot be opened.
  virtual bool Open() = 0;
  // Writes the text as it stands and flushes it through to the disk.
  virtual void WriteAndFlush(const std::wstring& text) = 0;
};

}  // namespace vantrel
