// The log as Wine's C runtime writes it: Win32LogFileSink in a scratch
// directory made current for the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/log_file_win32.h"
#include "service/log.h"

namespace vantrel {
namespace {

constexpr wchar_t kLogName[] = L"Vantrel Log.txt";

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH], previous[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    GetCurrentDirectoryW(MAX_PATH, previous);
    previous_ = previous;
    dir_ = std::wstring(temp) + L"vantrel-log-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir_.c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryW(dir_.c_str()));
    SetLogSink(std::make_unique<Win32LogFileSink>());
    logEnabled = true;
  }
  void TearDown() override {
    logEnabled = false;
    SetLogSink(nullptr);  // closes the file
    SetCurrentDirectoryW(previous_.c_str());
    DeleteFileW((dir_ + L"\\" + kLogName).c_str());
    RemoveDirectoryW((dir_ + L"\\" + kLogName).c_str());
    RemoveDirectoryW(dir_.c_str());
  }

  // The file's bytes, read through a handle that lets the log keep writing.
  static std::vector<uint8_t> FileBytes() {
    HANDLE h = CreateFileW(kLogName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::vector<uint8_t> bytes(GetFileSize(h, nullptr));
    DWORD read = 0;
    ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(h);
    bytes.resize(read);
    return bytes;
  }
  static bool Exists() { return GetFileAttributesW(kLogName) != INVALID_FILE_ATTRIBUTES; }

  std::wstring dir_, previous_;
};

TEST_F(LogFileTest, TruncatesAndWritesUtf16LeWithBomAndCrLf) {
  HANDLE old = CreateFileW(kLogName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(old, "left from an earlier run", 24, &written, nullptr);
  CloseHandle(old);

  LogPrintfW(L"User logged in\n");
  LogPrintf("Renamed %s\n", "Dru\xc3\xa7ker \xf0\x9f\x96\xa8 %printername% 100%d");
  LogPrintfW(L"Name %s, session %d, code 0x%X\r\n", L"\u00e9%s", -3, 0x80041002u);

  std::wstring text = L"User logged in\n" +
                      std::wstring(L"Renamed Dru\u00e7ker \U0001F5A8 %printername% 100%d\n") +
                      L"Name \u00e9%s, session -3, code 0x80041002\r\n";
  // One byte-order mark at the start only, whatever the number of writes.
  EXPECT_EQ(FileBytes(), EncodeLogFileBytes(text, true));
}

TEST_F(LogFileTest, OthersMayReadButNotWriteWhileTheLogHoldsIt) {
  LogPrintfW(L"held\n");
  HANDLE reader = CreateFileW(kLogName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);

  HANDLE writer = CreateFileW(kLogName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
}

TEST_F(LogFileTest, DisabledLogCreatesNoFile) {
  logEnabled = false;
  LogPrintfW(L"User logged in\n");
  LogPrintf("Loading configuration\n");
  EXPECT_FALSE(Exists());
}

TEST_F(LogFileTest, FileHeldForWritingLosesMessagesUntilReleased) {
  HANDLE other =
      CreateFileW(kLogName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  LogPrintfW(L"lost\n");
  LogPrintf("lost too\n");
  CloseHandle(other);
  LogPrintfW(L"kept\n");
  EXPECT_EQ(FileBytes(), EncodeLogFileBytes(L"kept\n", true));
}

TEST_F(LogFileTest, UncreatableFileLosesMessagesUntilTheObstacleIsGone) {
  // A directory in the file's place: the open fails, as it does in a
  // directory without the right to create files (Wine runs as root here,
  // so permissions cannot make it fail).
  ASSERT_TRUE(CreateDirectoryW(kLogName, nullptr));
  LogPrintfW(L"lost\n");
  ASSERT_TRUE(RemoveDirectoryW(kLogName));
  LogPrintfW(L"kept\n");
  EXPECT_EQ(FileBytes(), EncodeLogFileBytes(L"kept\n", true));
}

}  // namespace
}  // namespace vantrel
