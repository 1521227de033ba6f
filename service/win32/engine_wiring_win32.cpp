// Builds the run's Printers over the Win32 adapters. The adapters live for
// the whole process: the engine and the Settings keep references to them.
#include "service/win32/engine_wiring_win32.h"

#include "platform/win32/accounts_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/spooler_win32.h"
#include "platform/win32/terminal_services_win32.h"
#include "platform/win32/wmi_win32.h"
#include "service/engine/printers.h"
#include "service/win32/host_ports_win32.h"

namespace vantrel {

Registry& ProcessRegistry() {
  static Win32Registry registry;
  return registry;
}

std::unique_ptr<PrinterEngine> Win32HostPlatform::CreateEngine() {
  static Win32Wmi wmi;
  static Win32TerminalServices terminalServices;
  static Win32Accounts accounts;
  static Win32Spooler spooler;
  static Win32SettingChangeBroadcaster broadcaster;
  EnginePorts ports{wmi, terminalServices, accounts, spooler, ProcessRegistry(), broadcaster};
  return std::make_unique<Printers>(ports);
}

}  // namespace vantrel
