#include "settings/registry_codec.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_registry.h"

namespace vantrel {
namespace {

using testing::WideBytes;
using Bytes = std::vector<uint8_t>;

TEST(RegSzCodec, DecodesUpToFirstNulOrEndOfData) {
  struct Case {
    const char* what;
    Bytes data;
    std::wstring expected;
  } cases[] = {
      {"terminated", WideBytes(L"Office", true), L"Office"},
      {"no terminator", WideBytes(L"Office", false), L"Office"},
      {"text after a NUL", WideBytes(std::wstring(L"ab\0cd", 5), true), L"ab"},
      {"half a unit at the end", {'a', 0, 'b', 0, 'c'}, L"ab"},
      {"empty", {}, L""},
      {"non-BMP", {0x3D, 0xD8, 0x00, 0xDE, 0x21, 0x00, 0, 0}, L"\U0001F600!"},
      {"lone surrogate kept", {0x3D, 0xD8, 0x41, 0x00}, std::wstring{wchar_t(0xD83D), L'A'}},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeRegSz(c.data), c.expected) << c.what;
  // (length in UTF-16 units + 1) * 2 bytes: four for the pair, two for the NUL.
  EXPECT_EQ(EncodeRegSz(L"\U0001F600"), (Bytes{0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
}

TEST(MultiSzCodec, DecodeSkipsEmptyStringsAndStopsAtStoredSize) {
  struct Case {
    const char* what;
    std::wstring units;
    size_t storedSize;
    std::vector<std::wstring> expected;
  } cases[] = {
      {"empty middle", std::wstring(L"a\0\0b\0\0", 6), 12, {L"a", L"b"}},
      {"leading empties", std::wstring(L"\0\0one\0\0", 8), 16, {L"one"}},
      {"no terminators", std::wstring(L"one\0two", 7), 14, {L"one", L"two"}},
      {"odd size rounds down", std::wstring(L"ab\0cd", 5), 9, {L"ab", L"c"}},
      {"stored size shorter than data", std::wstring(L"ab\0cd\0\0", 7), 6, {L"ab"}},
      {"single NUL", std::wstring(1, L'\0'), 2, {}},
      {"non-BMP entry", std::wstring(L"\U00010348\0\0", 3), 8, {L"\U00010348"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeMultiSz(WideBytes(c.units, false), c.storedSize), c.expected) << c.what;
}

TEST(MultiSzCodec, EncodesEveryEntryWithItsTerminators) {
  EXPECT_EQ(EncodeMultiSz({}), (Bytes{0, 0}));
  // An empty entry is written (the next load drops it); an entry ends at
  // its first NUL, as a C string would.
  EXPECT_EQ(EncodeMultiSz({L"a", L"", std::wstring(L"x\0y", 3)}),
            WideBytes(std::wstring(L"a\0\0x\0\0", 6), false));

  // Past the 10 240-unit save buffer: nothing cut, both final NULs there.
  std::vector<std::wstring> entries(3, std::wstring(5000, L'a') + L"\U0001F600");
  Bytes bytes = EncodeMultiSz(entries);
  ASSERT_EQ(bytes.size(), (3 * 5003 + 1) * 2u);
  EXPECT_GT(bytes.size() / 2, kListSaveBufferUnits);
  EXPECT_EQ(DecodeMultiSz(bytes, bytes.size()), entries);
}

}  // namespace
}  // namespace vantrel
