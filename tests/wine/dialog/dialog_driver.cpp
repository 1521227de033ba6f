#include "tests/wine/dialog/dialog_driver.h"

#include <commctrl.h>

#include <cstdlib>

namespace vantrel::testing {
namespace {

constexpr int kFormatBox = 1008;
constexpr int kDriverList = 1015;
constexpr int kStatusBar = 1027;
constexpr DWORD kSendTimeoutMs = 15000;

// Memory in the dialog's process, for list view messages whose pointers
// the system does not carry across processes.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : process_(process),
        address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  void* get() const { return address_; }
  char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(size_t offset, const void* data, size_t size) const {
    return WriteProcessMemory(process_, at(offset), data, size, nullptr) != FALSE;
  }
  bool Read(size_t offset, void* data, size_t size) const {
    return ReadProcessMemory(process_, at(offset), data, size, nullptr) != FALSE;
  }

 private:
  HANDLE process_;
  void* address_;
};

LRESULT SendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result))
    return -1;
  return static_cast<LRESULT>(result);
}

struct WindowSearch {
  DWORD processId;
  HWND exclude;
  const wchar_t* caption;  // null: any caption
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->processId || window == search->exclude || !IsWindowVisible(window))
    return TRUE;
  if (search->caption) {
    wchar_t className[64] = {};
    wchar_t text[256] = {};
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, text, 256);
    if (wcscmp(className, L"#32770") != 0 || wcscmp(text, search->caption) != 0) return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace

ConfigDialog::~ConfigDialog() {
  if (process_.hProcess) {
    if (Running()) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

std::wstring ConfigDialog::ExePath() {
  if (const wchar_t* path = _wgetenv(L"VANTREL_CONFIG_EXE"); path && *path) return path;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir = self;
  dir.resize(dir.find_last_of(L'\\'));  // ...\wine-tests
  dir.resize(dir.find_last_of(L'\\'));  // the build tree
  return dir + L"\\config\\Vantrel Configuration.exe";
}

bool ConfigDialog::Start() {
  const std::wstring exe = ExePath();
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process_)) {
    return false;
  }
  // The caption is set during initialisation; the form is filled right after
  // it, so wait for the status line's first refresh as well.
  return WaitUntil(
      [&] {
        window_ = FindWindowW(L"#32770", kDialogCaption);
        return window_ != nullptr && IsWindowVisible(window_);
      },
      20000);
}

bool ConfigDialog::Running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::wstring ConfigDialog::Text(int id) const {
  wchar_t buffer[2048] = {};
  SendTo(Item(id), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

void ConfigDialog::SetText(int id, const std::wstring& text) const {
  SendTo(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool ConfigDialog::IsChecked(int id) const { return SendTo(Item(id), BM_GETCHECK) == BST_CHECKED; }

bool ConfigDialog::IsEnabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }

void ConfigDialog::Click(int id) const { SendTo(Item(id), BM_CLICK); }

void ConfigDialog::PostCommand(int id) const {
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

void ConfigDialog::ClickLink(int id) const {
  const LPARAM at = MAKELPARAM(6, 6);
  PostMessageW(Item(id), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(Item(id), WM_LBUTTONUP, 0, at);
}

std::vector<std::wstring> ConfigDialog::FormatEntries() const {
  std::vector<std::wstring> entries;
  const HWND box = Item(kFormatBox);
  const LRESULT count = SendTo(box, CB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t buffer[2048] = {};
    if (SendTo(box, CB_GETLBTEXTLEN, i) >= 2048) continue;
    SendTo(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
    entries.emplace_back(buffer);
  }
  return entries;
}

int ConfigDialog::FormatSelection() const {
  return static_cast<int>(SendTo(Item(kFormatBox), CB_GETCURSEL));
}

void ConfigDialog::SelectFormat(int index) const {
  SendTo(Item(kFormatBox), CB_SETCURSEL, static_cast<WPARAM>(index));
}

std::vector<DriverEntry> ConfigDialog::Drivers() const {
  std::vector<DriverEntry> drivers;
  const HWND list = Item(kDriverList);
  constexpr size_t kChars = 1024;
  RemoteBuffer remote(process_.hProcess, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote.get()) return drivers;
  const LRESULT count = SendTo(list, LVM_GETITEMCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(LVITEMW)));
    item.cchTextMax = kChars;
    remote.Write(0, &item, sizeof(item));
    const LRESULT length =
        SendTo(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(remote.get()));
    std::wstring name(length > 0 ? static_cast<size_t>(length) : 0, L'\0');
    if (length > 0) remote.Read(sizeof(LVITEMW), name.data(), name.size() * sizeof(wchar_t));
    const LRESULT state = SendTo(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK);
    drivers.push_back({name, (state & INDEXTOSTATEIMAGEMASK(2)) != 0});
  }
  return drivers;
}

void ConfigDialog::SetDriverChecked(int index, bool checked) const {
  RemoteBuffer remote(process_.hProcess, sizeof(LVITEMW));
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  remote.Write(0, &item, sizeof(item));
  SendTo(Item(kDriverList), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
         reinterpret_cast<LPARAM>(remote.get()));
}

HWND ConfigDialog::FindMessageBox(const std::wstring& caption, DWORD timeoutMs) const {
  WindowSearch search{process_.dwProcessId, window_, caption.c_str(), nullptr};
  WaitUntil(
      [&] {
        EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeoutMs);
  return search.found;
}

bool ConfigDialog::AnswerMessageBox(const std::wstring& caption, int button) const {
  const HWND box = FindMessageBox(caption, 10000);
  if (!box) return false;
  const HWND target = GetDlgItem(box, button);
  if (!target) return false;
  PostMessageW(target, BM_CLICK, 0, 0);
  return WaitUntil([&] { return !IsWindow(box); }, 10000);
}

bool ConfigDialog::HasOtherWindow() const {
  WindowSearch search{process_.dwProcessId, window_, nullptr, nullptr};
  EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found != nullptr;
}

bool ConfigDialog::WaitForStatus(const std::wstring& text, DWORD timeoutMs) const {
  return WaitUntil([&] { return Text(kStatusBar) == text; }, timeoutMs);
}

DWORD ConfigDialog::Close() {
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

}  // namespace vantrel::testing
