// The log formatter and its UTF-8/UTF-16 conversions. Valid UTF-8 converts
// both ways unchanged; the narrow and wide formatters agree on valid text;
// a message never exceeds the narrow entry point's buffer.
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "service/log.h"
#include "settings/registry_codec.h"

using namespace vantrel;

namespace {
struct Sink : LogSink {
  bool Open() override { return true; }
  void WriteAndFlush(const std::wstring& text) override { written = text; }
  std::wstring written;
};
}  // namespace

// Field 0: the format (UTF-8). Each further field one argument, by its
// first byte: 'w' wide text, 'd' / 'u' a signed / unsigned integer from
// the next bytes (little-endian), anything else narrow text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Sink* sink = [] {
    auto owned = std::make_unique<Sink>();
    Sink* raw = owned.get();
    SetLogSink(std::move(owned));
    logEnabled = true;
    return raw;
  }();
  std::vector<std::string> fields = Fields(data, size);
  const std::string& format = fields[0];
  const std::wstring wide = Utf8ToWide(format);
  // No U+FFFD means every sequence was valid (or the text holds U+FFFD).
  if (wide.find(L'\xFFFD') == std::wstring::npos) FUZZ_CHECK(WideToUtf8(wide) == format);
  FUZZ_CHECK(Utf8ToWide(WideToUtf8(wide)) == wide);
  FUZZ_CHECK(FromUtf16(ToUtf16(wide)) == wide);

  std::vector<LogArg> args;
  bool valid = format.find('c') == std::string::npos;  // "%c" is a byte in narrow text
  for (size_t i = 1; i < fields.size(); ++i) {
    const std::string text = fields[i].empty() ? "" : fields[i].substr(1);
    int64_t number = 0;
    std::memcpy(&number, text.data(), std::min(text.size(), sizeof number));
    switch (fields[i].empty() ? 0 : fields[i][0]) {
      case 'w':
        args.emplace_back(Utf8ToWide(text));
        break;
      case 'd':
        args.emplace_back(number);
        break;
      case 'u':
        args.emplace_back(static_cast<uint64_t>(number));
        break;
      default:
        args.emplace_back(fields[i]);
        valid = valid && Utf8ToWide(fields[i]).find(L'\xFFFD') == std::wstring::npos;
    }
  }
  if (valid && wide.find(L'\xFFFD') == std::wstring::npos)
    FUZZ_CHECK(Utf8ToWide(FormatLogMessage(format, args)) == FormatLogMessageW(wide, args));
  log_detail::LogPrintfImpl(format, args);
  FUZZ_CHECK(sink->written.size() <= 10239);
  return 0;
}
