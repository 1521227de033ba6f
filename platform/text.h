// Text helpers both programs and their tests share: ASCII-only case folding
// and UTF-16 surrogate pairs. wchar_t is 16 bits on Windows and 32 bits on
// Linux, where the portable code is tested, so wide text is UTF-16 on one
// and UTF-32 on the other; these helpers give the same code units on both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// Only A-Z and a-z fold, as _wcsicmp and towupper do in the "C" locale the
// programs run in: a name matches the same way whatever the user's locale
// says about other letters.
constexpr wchar_t AsciiUpper(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}
constexpr wchar_t AsciiLower(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

inline std::wstring AsciiUpperCase(std::wstring text) {
  for (wchar_t& c : text) c = AsciiUpper(c);
  return text;
}

inline bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

constexpr bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
inline constexpr uint32_t kReplacementCharacter = 0xFFFD;

// Hands `put` the UTF-16 code units of `cp`: a surrogate pair above U+FFFF,
// U+FFFD for a value that is no code point. A lone surrogate passes through
// as it stands, so text Windows accepted comes back unchanged.
template <typename Put>
constexpr void EncodeUtf16(uint32_t cp, Put&& put) {
  if (cp > 0x10FFFF) {
    put(kReplacementCharacter);
  } else if (cp > 0xFFFF) {
    cp -= 0x10000;
    put(0xD800 + (cp >> 10));
    put(0xDC00 + (cp & 0x3FF));
  } else {
    put(cp);
  }
}

// The code point that starts at units[i], joining a surrogate pair, and
// moves `i` past it. A lone surrogate comes back as it stands. `Units` is
// any indexable sequence of code units (or of UTF-32 wide characters, which
// come back as they are).
template <typename Units>
constexpr uint32_t DecodeUtf16(const Units& units, size_t& i) {
  auto cp = static_cast<uint32_t>(units[i++]);
  if (IsHighSurrogate(cp) && i < units.size() && IsLowSurrogate(static_cast<uint32_t>(units[i]))) {
    cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<uint32_t>(units[i]) - 0xDC00);
    ++i;
  }
  return cp;
}

// Appends `cp` to wide text: as a surrogate pair where wchar_t is 16 bits,
// U+FFFD for a value that is no code point.
inline void AppendWide(std::wstring& out, uint32_t cp) {
  if constexpr (sizeof(wchar_t) == 2) {
    EncodeUtf16(cp, [&out](uint32_t unit) { out.push_back(static_cast<wchar_t>(unit)); });
  } else {
    out.push_back(static_cast<wchar_t>(cp > 0x10FFFF ? kReplacementCharacter : cp));
  }
}

// Wide text as UTF-16 code units, and back: the identity where wchar_t is
// 16 bits.
inline std::u16string WideToUtf16(std::wstring_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t c : text)
    EncodeUtf16(static_cast<uint32_t>(c),
                [&units](uint32_t unit) { units.push_back(static_cast<char16_t>(unit)); });
  return units;
}

inline std::wstring Utf16ToWide(std::u16string_view units) {
  std::wstring text;
  text.reserve(units.size());
  for (size_t i = 0; i < units.size();) AppendWide(text, DecodeUtf16(units, i));
  return text;
}

// The characters that could steer a console or start a line of their own:
// C0, DEL, C1, and the line and paragraph separators.
constexpr bool IsControlCharacter(uint32_t unit) {
  return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029;
}

// The text with each control character written as an escape: "\r", "\n",
// "\t", else "\uXXXX". A name a remote client chose then cannot start a line
// of its own in the log or a report.
inline std::wstring EscapeControlCharacters(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (const wchar_t c : text) {
    const auto unit = static_cast<uint32_t>(c);
    if (!IsControlCharacter(unit)) {
      out.push_back(c);
    } else if (c == L'\r' || c == L'\n' || c == L'\t') {
      out += c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n" : L"\\t";
    } else {
      constexpr wchar_t kHex[] = L"0123456789ABCDEF";
      out += L"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(unit >> shift) & 0xF]);
    }
  }
  return out;
}

}  // namespace vantrel
