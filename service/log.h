// The service's diagnostic log: "Vantrel Log.txt" in the current directory,
// UTF-16LE with a byte-order mark and CR LF line ends, off unless the service
// was started with "withlog". Formats use the system's own placeholders:
// "%s" (a string of the entry point's width), "%d" (signed 32-bit), "%X"
// (unsigned 32-bit, upper-case hex), "%c" and "%%" (also "%u" and "%x";
// anything else after "%" is written as it stands). Arguments are checked at
// run time against their placeholder, so a mismatch prints a marker instead
// of reading garbage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/log_sink.h"

namespace vantrel {

// One argument of a log message. Built implicitly from the types the
// messages pass; anything else fails to compile.
class LogArg {
 public:
  enum class Kind { kNarrow, kWide, kSigned, kUnsigned };

  LogArg(const char* s) : kind_(Kind::kNarrow), narrow_(s ? s : "(null)") {}
  LogArg(const std::string& s) : kind_(Kind::kNarrow), narrow_(s) {}
  LogArg(const wchar_t* s) : kind_(Kind::kWide), wide_(s ? s : L"(null)") {}
  LogArg(const std::wstring& s) : kind_(Kind::kWide), wide_(s) {}
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  LogArg(T v)
      : kind_(std::is_signed_v<T> ? Kind::kSigned : Kind::kUnsigned),
        integer_(static_cast<int64_t>(v)) {}

  Kind kind() const { return kind_; }
  const std::string& narrow() const { return narrow_; }
  const std::wstring& wide() const { return wide_; }
  int64_t integer() const { return integer_; }

 private:
  Kind kind_;
  std::string narrow_;
  std::wstring wide_;
  int64_t integer_ = 0;
};

// Formats `format` with `args` under the rules above. Wide and narrow string
// arguments are both accepted for "%s"; narrow text is taken as UTF-8.
std::wstring FormatLogMessageW(std::wstring_view format, const std::vector<LogArg>& args);
std::string FormatLogMessage(std::string_view format, const std::vector<LogArg>& args);

// UTF-8 to UTF-16 (invalid sequences become U+FFFD) and back.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// Process-wide switch, set by "withlog"; never cleared.
extern bool logEnabled;

// Installs the sink the log writes to (the Win32 entry installs the file
// sink; tests install their own). Resets the "stream opened" state.
void SetLogSink(std::unique_ptr<LogSink> sink);

// Writes already formatted text: the common tail of both entry points.
void LogWriteText(const std::wstring& text);

namespace log_detail {
void LogPrintfWImpl(std::wstring_view format, const std::vector<LogArg>& args);
void LogPrintfImpl(std::string_view format, const std::vector<LogArg>& args);
}  // namespace log_detail

template <typename... Args>
void LogPrintfW(const wchar_t* format, const Args&... args) {
  if (!logEnabled) return;
  log_detail::LogPrintfWImpl(format, std::vector<LogArg>{LogArg(args)...});
}

template <typename... Args>
void LogPrintf(const char* format, const Args&... args) {
  if (!logEnabled) return;
  log_detail::LogPrintfImpl(format, std::vector<LogArg>{LogArg(args)...});
}

}  // namespace vantrel
