// The service program's entry points: WinMain, ServiceMain, the control
// handler and the debug-mode thread. Each is a boundary no exception may
// cross.
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>
#include <wtsapi32.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/product.h"
#include "platform/win32/log_file_win32.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/service_manager_win32.h"
#include "service/engine/preview_json.h"
#include "service/log.h"
#include "service/recovery.h"
#include "service/service_entry.h"
#include "service/win32/control_registration_win32.h"
#include "service/win32/engine_wiring_win32.h"
#include "service/win32/event_log_win32.h"
#include "service/win32/host_ports_win32.h"
#include "service/win32/preview_output_win32.h"
#include "settings/settings.h"

namespace vantrel {

DWORD WINAPI ServiceControlHandler(DWORD dwControl, DWORD dwEventType, LPVOID lpEventData,
                                   LPVOID lpContext) {
  try {
    std::optional<uint32_t> sessionId;
    if (dwControl == SERVICE_CONTROL_SESSIONCHANGE && lpEventData) {
      sessionId = static_cast<const WTSSESSION_NOTIFICATION*>(lpEventData)->dwSessionId;
    }
    return static_cast<ControlGate*>(lpContext)->Handle(dwControl, dwEventType, sessionId);
  } catch (...) {
    return ERROR_EXCEPTION_IN_SERVICE;
  }
}

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv) {
  try {
    std::vector<std::wstring> args;
    for (DWORD i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : L"");
    Win32HostPlatform platform;
    Win32ControlRegistration registration(ServiceControlHandler);
    RunServiceMain(args, platform, registration);
  } catch (...) {
  }
}

DWORD WINAPI DebugThread(LPVOID) {
  try {
    Win32HostPlatform platform;
    return RunDebugWork(platform);
  } catch (...) {
    return ERROR_EXCEPTION_IN_SERVICE;
  }
}

int RunProcess() {
  SetSettingsRegistry(&ProcessRegistry());
  SetLogSink(std::make_unique<Win32LogFileSink>());

  HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(hr)) return hr;
  hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  if (FAILED(hr)) return hr;

  SERVICE_TABLE_ENTRYW dispatchTable[] = {
      {const_cast<LPWSTR>(kServiceName), ServiceMain},
      {nullptr, nullptr},
  };

  bool debugMode = false;
  int argc = 0;
  if (win32::unique_hlocal_ptr<LPWSTR> argv(CommandLineToArgvW(GetCommandLineW(), &argc)); argv) {
    std::vector<std::wstring> args(argv.get(), argv.get() + argc);
    debugMode = IsDebugCommandLine(args);
    if (const PreviewForm form = PreviewCommandLine(args); form != PreviewForm::kNone) {
      // Read-only: prints what a pass would do with the stored settings,
      // which it only opens for reading (no administrator needed, no key
      // created).
      SetSettingsRegistry(&ProcessRegistry(), SettingsAccess::kReadOnly);
      const PreviewReport report = PreviewOverWin32();
      const bool written =
          WritePreviewLines(form == PreviewForm::kJson ? std::vector{FormatPreviewJson(report)}
                                                       : FormatPreview(report));
      CoUninitialize();
      return written && report.failure.empty() ? 0 : 1;
    }
    if (IsRecoveryCommandLine(args)) {
      // The installer's custom action: set the failure actions and end.
      Win32ServiceManager scm;
      const uint32_t error = ApplyServiceFailureActions(scm);
      CoUninitialize();
      return static_cast<int>(error);
    }
  }
  // Always on, in a service run and a debug run alike; deregistered when
  // the work is over.
  SetEventSink(MakeWin32EventSink());
  struct DropEventSink {
    ~DropEventSink() { SetEventSink(nullptr); }
  } dropEventSink;
  if (debugMode) {
    // Nothing stops the debug thread; the process runs until it is killed,
    // or ends with the reason the run failed.
    DWORD exitCode = 0;
    if (win32::unique_handle thread(CreateThread(nullptr, 0, DebugThread, nullptr, 0, nullptr));
        thread) {
      WaitForSingleObject(thread.get(), INFINITE);
      if (!GetExitCodeThread(thread.get(), &exitCode)) exitCode = 0;
    }
    CoUninitialize();
    return static_cast<int>(exitCode);
  }

  StartServiceCtrlDispatcherW(dispatchTable);
  CoUninitialize();
  return 0;
}

}  // namespace vantrel

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return vantrel::RunProcess();
  } catch (...) {
    return 0;
  }
}
