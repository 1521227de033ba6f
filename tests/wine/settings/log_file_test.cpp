// The log as Wine's C runtime writes it: Win32LogFileSink in a scratch
// directory made current for the test (the log goes to the current one).
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/log_file_win32.h"
#include "service/log.h"

namespace vantrel {
namespace {

constexpr wchar_t kLogName[] = L"Vantrel Log.txt";

// The file's bytes, read while the log holds it, as the CRT shares.
std::vector<uint8_t> FileBytes() {
  std::ifstream in("Vantrel Log.txt", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the CRT writes for `text`: the byte-order mark, then UTF-16LE units
// with each LF after a CR.
std::vector<uint8_t> Expected(const std::wstring& text) {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (wchar_t c : text) {
    if (c == L'\n') bytes.insert(bytes.end(), {0x0D, 0});
    bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8)});
  }
  return bytes;
}

// Messages are lost while another writer holds the file; the first one
// after that truncates what an earlier run left.
TEST(LogFileTest, LostWhileHeldThenTruncatesAndWritesUtf16LeWithBomAndCrLf) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = temp + (L"vantrel-log-" + std::to_wstring(GetCurrentProcessId()));
  CreateDirectoryW(dir.c_str(), nullptr);
  ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
  SetLogSink(std::make_unique<Win32LogFileSink>());
  logEnabled = true;

  HANDLE other =
      CreateFileW(kLogName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(other, "left from an earlier run", 24, &written, nullptr);
  LogPrintfW(L"lost\n");
  LogPrintf("lost too\n");
  CloseHandle(other);

  LogPrintfW(L"User logged in\n");
  LogPrintf("Renamed %s\n", "Dru\xc3\xa7ker \xf0\x9f\x96\xa8 %printername% 100%d");
  LogPrintfW(L"Name %s, session %d, code 0x%X\r\n", L"\u00e9%s", -3, 0x80041002u);
  // One byte-order mark at the start only, whatever the number of writes.
  EXPECT_EQ(FileBytes(), Expected(L"User logged in\n"
                                  L"Renamed Dru\u00e7ker \U0001F5A8 %printername% 100%d\n"
                                  L"Name \u00e9%s, session -3, code 0x80041002\r\n"));

  // Others may read it while the log holds it (as above), but not write.
  HANDLE writer = CreateFileW(kLogName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);

  logEnabled = false;
  SetLogSink(nullptr);  // closes the file
  DeleteFileW(kLogName);
  SetCurrentDirectoryW(L"..");
  RemoveDirectoryW(dir.c_str());
}

}  // namespace
}  // namespace vantrel
