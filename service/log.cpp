#include "service/log.h"

#include <mutex>
#include <new>

#include "platform/text.h"

namespace vantrel {

bool logEnabled = false;

namespace {

constexpr wchar_t kMissingArg[] = L"(missing argument)";
constexpr wchar_t kWrongArg[] = L"(wrong argument)";
constexpr char kTruncatedMark[] = " [truncated]\n";

// The sink and whether it is open, behind one mutex: the first message
// opens it exactly once even when two threads log at the same moment, and
// each message is written and flushed while the lock is held.
struct LogState {
  std::mutex mutex;
  std::unique_ptr<LogSink> sink;
  bool open = false;
};

LogState& State() {
  // Never destroyed: a message logged during process exit still finds it.
  static LogState* state = new LogState;
  return *state;
}

// printf's "%s" stops at a NUL; so does ours.
template <typename S>
S UpToNul(const S& s) {
  auto nul = s.find(typename S::value_type{0});
  return nul == S::npos ? s : s.substr(0, nul);
}

template <typename Char>
std::basic_string<Char> Digits(uint64_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::basic_string<Char> out;
  do {
    out.insert(out.begin(), static_cast<Char>(digits[value % base]));
    value /= base;
  } while (value != 0);
  return out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp > 0x10FFFF || IsHighSurrogate(cp) || IsLowSurrogate(cp)) cp = kReplacementCharacter;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// UTF-8 text with its control characters escaped as EscapeControlCharacters
// escapes them (C0 and DEL are single bytes, C1 is C2 80-9F, the line and
// paragraph separators E2 80 A8-A9); every other byte stays as it is.
std::string EscapeNarrowControls(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    auto at = [&](size_t k) { return i + k < text.size() ? uint8_t(text[i + k]) : 0; };
    const uint8_t b = at(0);
    size_t length = 0;
    uint32_t cp = 0;
    if (b < 0x20 || b == 0x7F) {
      length = 1, cp = b;
    } else if (b == 0xC2 && at(1) >= 0x80 && at(1) <= 0x9F) {
      length = 2, cp = at(1);
    } else if (b == 0xE2 && at(1) == 0x80 && (at(2) == 0xA8 || at(2) == 0xA9)) {
      length = 3, cp = 0x2000 + at(2) - 0x80;
    }
    if (length == 0) {
      out.push_back(text[i]);
      continue;
    }
    out += WideToUtf8(EscapeControlCharacters(std::wstring(1, static_cast<wchar_t>(cp))));
    i += length - 1;
  }
  return out;
}

// The text one placeholder stands for, in UTF-32/UTF-16 (wide) form. The
// narrow formatter converts it to UTF-8; text and numbers are the same.
std::wstring Placeholder(wchar_t conversion, const LogArg* arg) {
  if (!arg) return kMissingArg;
  const bool integer =
      arg->kind() == LogArg::Kind::kSigned || arg->kind() == LogArg::Kind::kUnsigned;
  switch (conversion) {
    case L's':
      // A line end inside an argument (a printer's or client's name) would
      // forge a line of its own.
      if (arg->kind() == LogArg::Kind::kWide) return EscapeControlCharacters(UpToNul(arg->wide()));
      if (arg->kind() == LogArg::Kind::kNarrow)
        return EscapeControlCharacters(Utf8ToWide(UpToNul(arg->narrow())));
      return kWrongArg;
    case L'd': {
      if (!integer) return kWrongArg;
      // Like printf's "%d": the low 32 bits, taken as signed.
      int64_t v = static_cast<int32_t>(arg->integer());
      std::wstring digits = Digits<wchar_t>(static_cast<uint64_t>(v < 0 ? -v : v), 10, false);
      return v < 0 ? L"-" + digits : digits;
    }
    case L'u':
      if (!integer) return kWrongArg;
      return Digits<wchar_t>(static_cast<uint32_t>(arg->integer()), 10, false);
    case L'X':
    case L'x':
      if (!integer) return kWrongArg;
      return Digits<wchar_t>(static_cast<uint32_t>(arg->integer()), 16, conversion == L'X');
    case L'c': {
      if (!integer) return kWrongArg;
      std::wstring out;
      AppendWide(out, static_cast<uint32_t>(arg->integer()));
      return out;
    }
  }
  return {};
}

bool IsConversion(wchar_t c) {
  return c == L's' || c == L'd' || c == L'u' || c == L'X' || c == L'x' || c == L'c';
}

// Walks a format of either width. `emit_text` gets literal runs,
// `emit_arg` the placeholders' conversions with their argument (or null).
template <typename Char, typename Text, typename Arg>
void WalkFormat(std::basic_string_view<Char> format, const std::vector<LogArg>& args,
                Text emit_text, Arg emit_arg) {
  size_t next = 0;
  size_t i = 0;
  while (i < format.size()) {
    size_t percent = format.find(static_cast<Char>('%'), i);
    if (percent == format.npos || percent + 1 >= format.size()) {
      emit_text(format.substr(i));
      return;
    }
    emit_text(format.substr(i, percent - i));
    Char c = format[percent + 1];
    if (c == static_cast<Char>('%')) {
      emit_text(format.substr(percent, 1));
    } else if (IsConversion(static_cast<wchar_t>(c))) {
      emit_arg(static_cast<wchar_t>(c), next < args.size() ? &args[next] : nullptr);
      ++next;
    } else {
      // Not one of ours (a width, a flag, "%ls"): written as it stands so
      // the mistake shows in the log, and no argument is taken.
      emit_text(format.substr(percent, 2));
    }
    i = percent + 2;
  }
}

// Cuts a narrow message to what fits the 10 240-byte buffer (10 239 bytes
// of text), at a character boundary, and says that it was cut.
void FitNarrowBuffer(std::string& text) {
  constexpr size_t kMaxText = 10239;
  if (text.size() <= kMaxText) return;
  size_t keep = kMaxText - (sizeof(kTruncatedMark) - 1);
  while (keep > 0 && (static_cast<unsigned char>(text[keep]) & 0xC0) == 0x80) --keep;
  text.resize(keep);
  text += kTruncatedMark;
}

}  // namespace

std::wstring FormatLogMessageW(std::wstring_view format, const std::vector<LogArg>& args) {
  std::wstring out;
  WalkFormat<wchar_t>(
      format, args, [&](std::wstring_view text) { out += text; },
      [&](wchar_t conversion, const LogArg* arg) { out += Placeholder(conversion, arg); });
  return out;
}

std::string FormatLogMessage(std::string_view format, const std::vector<LogArg>& args) {
  std::string out;
  WalkFormat<char>(
      format, args, [&](std::string_view text) { out += text; },
      [&](wchar_t conversion, const LogArg* arg) {
        // Narrow text goes through byte for byte, even if it is not valid
        // UTF-8, but for its control characters.
        if (conversion == L's' && arg && arg->kind() == LogArg::Kind::kNarrow)
          out += EscapeNarrowControls(UpToNul(arg->narrow()));
        else if (conversion == L'c' && arg && arg->kind() != LogArg::Kind::kNarrow &&
                 arg->kind() != LogArg::Kind::kWide)
          out.push_back(static_cast<char>(arg->integer() & 0xFF));  // a byte, as printf
        else
          out += WideToUtf8(Placeholder(conversion, arg));
      });
  return out;
}

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  auto cont = [&](size_t k) {
    return k < text.size() && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80;
  };
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out.push_back(static_cast<wchar_t>(b));
      ++i;
      continue;
    }
    int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    if (b < 0xC2 || b > 0xF4) length = 0;  // continuation, overlong lead, beyond U+10FFFF
    uint32_t cp = length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    int taken = 1;
    bool valid = length != 0;
    for (int k = 1; valid && k < length; ++k) {
      if (!cont(i + k)) {
        valid = false;
        break;
      }
      auto c = static_cast<unsigned char>(text[i + k]);
      // Second-byte ranges that rule out overlongs, surrogates and > U+10FFFF.
      if (k == 1 && ((b == 0xE0 && c < 0xA0) || (b == 0xED && c > 0x9F) ||
                     (b == 0xF0 && c < 0x90) || (b == 0xF4 && c > 0x8F))) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
      ++taken;
    }
    if (valid) {
      AppendWide(out, cp);
    } else {
      out.push_back(static_cast<wchar_t>(0xFFFD));
    }
    i += static_cast<size_t>(taken);
  }
  return out;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) AppendUtf8(out, DecodeUtf16(text, i));
  return out;
}

void SetLogSink(std::unique_ptr<LogSink> sink) {
  LogState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.sink = std::move(sink);
  state.open = false;
}

void LogWriteText(const std::wstring& text) {
  if (!logEnabled) return;
  LogState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.sink) return;
  if (!state.open) {
    // A failed open drops this message; the next one tries again.
    if (!state.sink->Open()) return;
    state.open = true;
  }
  state.sink->WriteAndFlush(text);
}

namespace log_detail {

// Both entry points swallow every failure: they are called from the
// control handler and timer callbacks, which no exception may leave.
void LogPrintfWImpl(std::wstring_view format, const std::vector<LogArg>& args) {
  try {
    LogWriteText(FormatLogMessageW(format, args));
  } catch (...) {
  }
}

void LogPrintfImpl(std::string_view format, const std::vector<LogArg>& args) {
  try {
    std::string text = FormatLogMessage(format, args);
    // The conversion takes the text up to its terminating NUL.
    text = UpToNul(text);
    FitNarrowBuffer(text);
    LogWriteText(Utf8ToWide(text));
  } catch (...) {
  }
}

}  // namespace log_detail

}  // namespace vantrel
