#include "service/win32/preview_output_win32.h"

#include <windows.h>

#include "platform/product.h"
#include "platform/win32/scoped_handle.h"

namespace vantrel {
namespace {

bool Usable(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }

bool WriteAll(HANDLE out, const std::vector<std::wstring>& lines, bool byteOrderMark) {
  DWORD mode = 0;
  const bool console = GetConsoleMode(out, &mode) != 0;
  std::string bytes = byteOrderMark ? "\xEF\xBB\xBF" : "";
  for (const std::wstring& line : lines) {
    const std::wstring text = line + L"\r\n";
    if (console) {
      DWORD written = 0;
      if (!WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr))
        return false;
      continue;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    const size_t at = bytes.size();
    bytes.resize(at + static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data() + at,
                        size, nullptr, nullptr);
  }
  if (console) return true;
  DWORD written = 0;
  return WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

}  // namespace

bool WritePreviewLines(const std::vector<std::wstring>& lines) {
  // A GUI-subsystem program has a standard output only when its parent
  // redirected one; otherwise it borrows the parent's console.
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (Usable(out) && WriteAll(out, lines, false)) return true;
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    win32::unique_hfile console(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    if (console && WriteAll(console.get(), lines, false)) return true;
  }
  wchar_t path[kTextCapacity] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, kTextCapacity);
  if (length == 0 || length >= kTextCapacity) return false;
  std::wstring file(path, length);
  file = file.substr(0, file.find_last_of(L'\\') + 1) + L"Vantrel Preview.txt";
  win32::unique_hfile handle(
      CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return handle && WriteAll(handle.get(), lines, true);
}

}  // namespace vantrel
