// Printers: the service's one view of the local printers. It holds the WMI
// connection to ROOT\CIMV2, remembers the names it gave per session, and
// runs the rename pass.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/accounts.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/terminal_services.h"
#include "platform/wmi.h"
#include "service/printer_engine.h"

namespace vantrel {

// The platform services the engine calls. All must outlive the Printers.
struct EnginePorts {
  Wmi& wmi;
  TerminalServices& terminalServices;
  Accounts& accounts;
  Spooler& spooler;
  Registry& registry;
  SettingChangeBroadcaster& broadcaster;
};

class Printers : public PrinterEngine {
 public:
  // Connects to WMI (locator, then ROOT\CIMV2); a failure leaves the object
  // unconnected for its whole life and is not logged.
  explicit Printers(const EnginePorts& ports);
  virtual ~Printers();

  Printers(const Printers&) = delete;
  Printers& operator=(const Printers&) = delete;

  // One rename pass over the printers the query lists. Never throws.
  void RunRenamePass() override;

  // Drops every name given in that session (log-off, disconnect).
  void ForgetSession(uint32_t sessionId) override;

  bool IsConnected() const;
};

}  // namespace vantrel
