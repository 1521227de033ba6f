#include "settings/registry_codec.h"

#include <algorithm>

#include "platform/text.h"

namespace vantrel {
namespace {

// Little-endian UTF-16 units of `bytes`; a trailing odd byte (half a unit)
// is dropped.
std::u16string UnitsFromBytes(const std::vector<uint8_t>& bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  return units;
}

std::vector<uint8_t> BytesFromUnits(std::u16string_view units) {
  std::vector<uint8_t> bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t u : units) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  return bytes;
}

}  // namespace

std::vector<uint8_t> EncodeRegSz(std::wstring_view text) {
  std::u16string units = WideToUtf16(text);
  units.push_back(u'\0');
  return BytesFromUnits(units);
}

std::wstring DecodeRegSz(const std::vector<uint8_t>& bytes) {
  std::u16string units = UnitsFromBytes(bytes);
  units.resize(std::min(units.size(), units.find(u'\0')));
  return Utf16ToWide(units);
}

std::vector<uint8_t> EncodeDword(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

uint32_t DecodeDword(const std::vector<uint8_t>& bytes) {
  uint32_t value = 0;
  for (size_t i = 0; i < bytes.size() && i < 4; ++i)
    value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
  return value;
}

std::vector<uint8_t> EncodeMultiSz(const std::vector<std::wstring>& entries) {
  // The list is built in a buffer of kListSaveBufferUnits, grown when the
  // entries need more. Cutting it to that size instead would silently drop
  // entries (excluded drivers would be renamed again) or store a value
  // without its final NULs, which other readers run past; the load reads
  // any size, so the whole list round-trips.
  std::u16string units;
  units.reserve(kListSaveBufferUnits);
  for (const std::wstring& entry : entries) {
    // An entry is written as a C string: it ends at its first NUL.
    std::wstring_view text(entry);
    text = text.substr(0, std::min(text.size(), text.find(L'\0')));
    units += WideToUtf16(text);
    units.push_back(u'\0');
  }
  units.push_back(u'\0');
  return BytesFromUnits(units);
}

std::vector<std::wstring> DecodeMultiSz(const std::vector<uint8_t>& bytes, size_t storedSize) {
  std::vector<uint8_t> stored(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                 storedSize, bytes.size())));
  std::u16string units = UnitsFromBytes(stored);
  std::vector<std::wstring> entries;
  size_t pos = 0;
  while (pos < units.size()) {
    size_t end = std::min(units.size(), units.find(u'\0', pos));
    if (end > pos)
      entries.push_back(Utf16ToWide(std::u16string_view(units).substr(pos, end - pos)));
    pos = end + 1;
  }
  return entries;
}

}  // namespace vantrel
