// dialog_shot: opens "Vantrel Configuration.exe", waits until its status line
// reads the given text, prints "ready X Y W H" (the dialog's client area on
// the screen; "timeout ..." if the text never came) and closes the dialog
// with IDCANCEL once a line arrives on standard input. Lets a script take a
// screenshot of the live dialog.
//
//   dialog_shot.exe [STATUS TEXT] [TIMEOUT MS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/wine/dialog/dialog_driver.h"

int main(int argc, char** argv) {
  std::wstring status = L"Service Status: Running";
  if (argc > 1) status.assign(argv[1], argv[1] + strlen(argv[1]));  // ASCII texts only
  const DWORD timeoutMs = argc > 2 ? strtoul(argv[2], nullptr, 10) : 20000;

  vantrel::testing::ConfigDialog dialog;
  if (!dialog.Start()) return std::printf("error no dialog\n"), 1;
  const bool reached = dialog.WaitForStatus(status, timeoutMs);
  // The status line can change before every control has painted: repaint
  // all, then let the dialog's thread catch up.
  RedrawWindow(dialog.window(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(dialog.window(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
  Sleep(1000);
  RECT client{};
  GetClientRect(dialog.window(), &client);
  MapWindowPoints(dialog.window(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  std::printf("%s %ld %ld %ld %ld\n", reached ? "ready" : "timeout", client.left, client.top,
              client.right - client.left, client.bottom - client.top);
  std::fflush(stdout);

  std::getchar();  // a line, or the end of input, closes it
  const DWORD exitCode = dialog.Close();
  return reached && exitCode == 0 ? 0 : 1;
}
