// The log formatter and its UTF-8/UTF-16 conversions. Valid UTF-8 converts
// both ways unchanged; the narrow and wide formatters agree on valid text;
// a message never exceeds the narrow entry point's buffer.
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "service/log.h"
#include "tests/fakes/recording_log_sink.h"

using namespace vantrel;

// Field 0: the format (UTF-8). Each further field one argument, by its
// first byte: 'w' wide text, 'd' / 'u' a signed / unsigned integer from
// the next bytes (little-endian), anything else narrow text (after it).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto* log = new vantrel::testing::RecordedLog;  // kept for the whole run
  log->Clear();
  std::vector<std::string> fields = Fields(data, size);
  const std::string& format = fields[0];
  const std::wstring wide = Utf8ToWide(format);
  // No U+FFFD means every sequence was valid (or the text holds U+FFFD).
  if (wide.find(L'\xFFFD') == std::wstring::npos) FUZZ_CHECK(WideToUtf8(wide) == format);

  std::vector<LogArg> args;
  bool valid = format.find('c') == std::string::npos;  // "%c" is a byte in narrow text
  for (size_t i = 1; i < fields.size(); ++i) {
    const std::string text = fields[i].empty() ? "" : fields[i].substr(1);
    int64_t number = 0;
    std::memcpy(&number, text.data(), std::min(text.size(), sizeof number));
    const char kind = fields[i].empty() ? 0 : fields[i][0];
    valid = valid && Utf8ToWide(text).find(L'\xFFFD') == std::wstring::npos;
    if (kind == 'd' || kind == 'u')
      args.push_back(kind == 'd' ? LogArg(number) : LogArg(static_cast<uint64_t>(number)));
    else
      args.push_back(kind == 'w' ? LogArg(Utf8ToWide(text)) : LogArg(text));
  }
  log_detail::LogPrintfImpl(format, args);
  if (valid && wide.find(L'\xFFFD') == std::wstring::npos) {
    FUZZ_CHECK(Utf8ToWide(FormatLogMessage(format, args)) == FormatLogMessageW(wide, args));
    // Valid text is cut to the narrow buffer at a character boundary.
    const std::wstring written = log->messages().empty() ? L"" : log->messages().back();
    FUZZ_CHECK(WideToUtf8(written).size() <= 10239 && written.find(L'\xFFFD') == written.npos);
  }
  return 0;
}
