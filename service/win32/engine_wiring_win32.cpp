// Builds the run's Printers, or a preview's, over the Win32 adapters. The adapters live for
// the whole process: the engine and the Settings keep references to them.
#include "service/win32/engine_wiring_win32.h"

#include "platform/win32/accounts_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/spooler_win32.h"
#include "platform/win32/terminal_services_win32.h"
#include "platform/win32/wmi_win32.h"
#include "service/engine/printers.h"
#include "service/engine/read_only_ports.h"
#include "service/win32/host_ports_win32.h"

namespace vantrel {

Registry& ProcessRegistry() {
  static Win32Registry registry;
  return registry;
}

namespace {

struct Win32EngineAdapters {
  Win32Wmi wmi;
  Win32TerminalServices terminalServices;
  Win32Accounts accounts;
  Win32Spooler spooler;
  Win32SettingChangeBroadcaster broadcaster;
};

Win32EngineAdapters& Adapters() {
  static Win32EngineAdapters adapters;
  return adapters;
}

}  // namespace

std::unique_ptr<PrinterEngine> Win32HostPlatform::CreateEngine() {
  Win32EngineAdapters& a = Adapters();
  EnginePorts ports{a.wmi,     a.terminalServices, a.accounts,
                    a.spooler, ProcessRegistry(),  a.broadcaster};
  return std::make_unique<Printers>(ports);
}

PreviewReport PreviewOverWin32() {
  Win32EngineAdapters& a = Adapters();
  // Only read-only ports reach the engine here: the preview cannot rename,
  // delete or write, whatever path it takes.
  ReadOnlyWmi wmi(a.wmi);
  ReadOnlySpooler spooler(a.spooler);
  NoRegistryAccess registry;
  NoBroadcast broadcaster;
  Printers printers({wmi, a.terminalServices, a.accounts, spooler, registry, broadcaster});
  return printers.Preview();
}

}  // namespace vantrel
