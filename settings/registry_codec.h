// The byte rules of the settings' registry values, kept apart from the
// registry calls so they can be tested anywhere. Registry strings are
// UTF-16LE; std::wstring is UTF-16 on Windows and UTF-32 on Linux, so every
// conversion here goes through explicit UTF-16 code units (platform/text.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The read buffer of a REG_SZ setting: 1024 UTF-16 units, NUL included.
inline constexpr uint32_t kStringValueCapacity = 2048;
// The buffer a list is built in on save, in UTF-16 units.
inline constexpr size_t kListSaveBufferUnits = 10240;

// REG_SZ: the text and one NUL, (length + 1) * 2 bytes.
std::vector<uint8_t> EncodeRegSz(std::wstring_view text);
// The text up to its first NUL, or all of the data if it holds none.
std::wstring DecodeRegSz(const std::vector<uint8_t>& bytes);

// REG_DWORD, little-endian. Data shorter than 4 bytes is zero-extended.
std::vector<uint8_t> EncodeDword(uint32_t value);
uint32_t DecodeDword(const std::vector<uint8_t>& bytes);

// REG_MULTI_SZ: each entry (up to its first NUL) and a NUL, then one more
// NUL; an empty list is a single NUL. Entries are never cut and the final
// terminators are always present: a list whose encoding exceeds
// kListSaveBufferUnits is encoded in full (see the .cpp).
std::vector<uint8_t> EncodeMultiSz(const std::vector<std::wstring>& entries);
// Walks the data up to `storedSize` bytes rounded down to whole units; a
// string that runs to the end without a NUL ends there. Empty strings
// anywhere are skipped, not taken as the end.
std::vector<std::wstring> DecodeMultiSz(const std::vector<uint8_t>& bytes, size_t storedSize);

}  // namespace vantrel
