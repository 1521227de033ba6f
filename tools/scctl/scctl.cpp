// scctl: a small Service Control Manager client for scripts.
//
//   scctl [-s NAME] start [ARGS...]     StartServiceW with the arguments
//   scctl [-s NAME] stop | pause | continue | interrogate
//   scctl [-s NAME] control CODE        ControlService with any code
//   scctl [-s NAME] query               prints "STATE NAME checkpoint N ..."
//   scctl [-s NAME] wait STATE MS       polls until STATE (number or name),
//                                       printing every state it sees
//   scctl [-s NAME] config              QueryServiceConfigW: "type 0x10 start 2
//                                       error 1 path ..."
//   scctl [-s NAME] failure             the failure actions: "reset S" and
//                                       "TYPE/DELAY" for each action
//   scctl [-s NAME] pid                 the service's process id (0: none)
//
// The service name defaults to "Vantrel". Exit codes: 0 done, 1 the call
// failed (the line "error N" gives GetLastError), 2 usage, 3 wait timed out.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/product.h"
#include "platform/win32/scoped_handle.h"

namespace {

using vantrel::win32::unique_schandle;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitTimeout = 3;

const wchar_t* const kStateNames[] = {
    L"?",       L"STOPPED",          L"START_PENDING", L"STOP_PENDING",
    L"RUNNING", L"CONTINUE_PENDING", L"PAUSE_PENDING", L"PAUSED"};

const wchar_t* StateName(DWORD state) { return state <= 7 ? kStateNames[state] : L"?"; }

// A state given as a number or a name; 0 when unknown.
DWORD ParseState(const wchar_t* text) {
  for (DWORD s = 1; s <= 7; ++s) {
    if (_wcsicmp(text, kStateNames[s]) == 0) return s;
  }
  wchar_t* end = nullptr;
  unsigned long n = wcstoul(text, &end, 10);
  return (end && *end == L'\0' && n >= 1 && n <= 7) ? static_cast<DWORD>(n) : 0;
}

void PrintStatus(const SERVICE_STATUS& s) {
  wprintf(L"%lu %ls checkpoint %lu controls 0x%lX exit %lu waithint %lu\n", s.dwCurrentState,
          StateName(s.dwCurrentState), s.dwCheckPoint, s.dwControlsAccepted, s.dwWin32ExitCode,
          s.dwWaitHint);
}

int Fail(const wchar_t* call) {
  DWORD error = GetLastError();
  wprintf(L"error %lu (%ls)\n", error, call);
  return kExitFailed;
}

int Usage() {
  fwprintf(stderr,
           L"usage: scctl [-s NAME] start [ARGS...] | stop | pause | continue | interrogate |"
           L" control CODE | query | wait STATE MS | config | failure | pid\n");
  return kExitUsage;
}

int Run(int argc, wchar_t** argv) {
  std::wstring name = vantrel::kServiceName;
  int i = 1;
  if (i + 1 < argc && wcscmp(argv[i], L"-s") == 0) {
    name = argv[i + 1];
    i += 2;
  }
  if (i >= argc) return Usage();
  std::wstring command = argv[i++];

  unique_schandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return Fail(L"OpenSCManagerW");
  unique_schandle service(OpenServiceW(manager.get(), name.c_str(),
                                       SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG | SERVICE_START |
                                           SERVICE_STOP | SERVICE_PAUSE_CONTINUE |
                                           SERVICE_INTERROGATE | SERVICE_USER_DEFINED_CONTROL));
  if (!service) return Fail(L"OpenServiceW");

  if (command == L"start") {
    std::vector<const wchar_t*> args(argv + i, argv + argc);
    if (!StartServiceW(service.get(), static_cast<DWORD>(args.size()),
                       args.empty() ? nullptr : args.data())) {
      return Fail(L"StartServiceW");
    }
    return kExitOk;
  }

  if (command == L"query") {
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.get(), &status)) return Fail(L"QueryServiceStatus");
    PrintStatus(status);
    return kExitOk;
  }

  if (command == L"pid") {
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                              reinterpret_cast<BYTE*>(&status), sizeof(status), &needed)) {
      return Fail(L"QueryServiceStatusEx");
    }
    wprintf(L"%lu\n", status.dwProcessId);
    return kExitOk;
  }

  if (command == L"config" || command == L"failure") {
    // Sized by a first call; 8-byte units keep the structure aligned.
    const bool failure = command == L"failure";
    auto query = [&](void* buffer, DWORD size, DWORD* needed) {
      return failure
                 ? QueryServiceConfig2W(service.get(), SERVICE_CONFIG_FAILURE_ACTIONS,
                                        static_cast<BYTE*>(buffer), size, needed)
                 : QueryServiceConfigW(service.get(), static_cast<QUERY_SERVICE_CONFIGW*>(buffer),
                                       size, needed);
    };
    const wchar_t* call = failure ? L"QueryServiceConfig2W" : L"QueryServiceConfigW";
    DWORD needed = 0;
    if (!query(nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
      return Fail(call);
    std::vector<unsigned long long> buffer(needed / 8 + 1);
    if (!query(buffer.data(), static_cast<DWORD>(buffer.size() * 8), &needed)) return Fail(call);
    if (failure) {
      const auto* actions = reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(buffer.data());
      wprintf(L"reset %lu", actions->dwResetPeriod);
      for (DWORD a = 0; a < actions->cActions; ++a)
        wprintf(L" %d/%lu", actions->lpsaActions[a].Type, actions->lpsaActions[a].Delay);
      wprintf(L"\n");
    } else {
      const auto* config = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(buffer.data());
      wprintf(L"type 0x%lX start %lu error %lu path %ls\n", config->dwServiceType,
              config->dwStartType, config->dwErrorControl,
              config->lpBinaryPathName ? config->lpBinaryPathName : L"");
    }
    return kExitOk;
  }

  if (command == L"wait") {
    if (argc - i != 2) return Usage();
    DWORD wanted = ParseState(argv[i]);
    if (wanted == 0) return Usage();
    DWORD limit = wcstoul(argv[i + 1], nullptr, 10);
    DWORD started = GetTickCount();
    DWORD last = 0;
    for (;;) {
      SERVICE_STATUS status{};
      if (!QueryServiceStatus(service.get(), &status)) return Fail(L"QueryServiceStatus");
      if (status.dwCurrentState != last) {
        PrintStatus(status);
        last = status.dwCurrentState;
      }
      if (status.dwCurrentState == wanted) return kExitOk;
      if (GetTickCount() - started >= limit) {
        wprintf(L"timeout waiting for %ls\n", StateName(wanted));
        return kExitTimeout;
      }
      Sleep(100);
    }
  }

  DWORD code = 0;
  if (command == L"stop") {
    code = SERVICE_CONTROL_STOP;
  } else if (command == L"pause") {
    code = SERVICE_CONTROL_PAUSE;
  } else if (command == L"continue") {
    code = SERVICE_CONTROL_CONTINUE;
  } else if (command == L"interrogate") {
    code = SERVICE_CONTROL_INTERROGATE;
  } else if (command == L"control" && argc - i == 1) {
    wchar_t* end = nullptr;
    code = wcstoul(argv[i], &end, 10);
    if (!end || *end != L'\0') return Usage();
  } else {
    return Usage();
  }
  SERVICE_STATUS status{};
  if (!ControlService(service.get(), code, &status)) return Fail(L"ControlService");
  PrintStatus(status);
  return kExitOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rc = Run(argc, argv);
  fflush(stdout);
  return rc;
}
