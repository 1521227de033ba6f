// Printers: the service's one view of the local printers. It holds the WMI
// connection to ROOT\CIMV2, remembers the names it gave per session, and
// runs the rename pass.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <string>
#include <vector>

#include "platform/accounts.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/terminal_services.h"
#include "platform/wmi.h"
#include "service/engine/preview.h"
#include "service/engine/printer_query.h"
#include "service/engine/rename_decision.h"
#include "service/printer_engine.h"
#include "settings/settings.h"

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

struct RenamePassState;

class Printers : public PrinterEngine {
 public:
  // Connects to WMI (locator, then ROOT\CIMV2); a failure is not logged, and
  // each pass tries again.
  explicit Printers(const EnginePorts& ports);
  virtual ~Printers();

  Printers(const Printers&) = delete;
  Printers& operator=(const Printers&) = delete;

  // One rename pass over the printers the query lists. Never throws.
  void RunRenamePass() override;

  // Drops every name given in that session (log-off, disconnect).
  void ForgetSession(uint32_t sessionId) override;

  bool IsConnected() const;

  // What a pass would do now with each listed printer, decided as the pass
  // decides but without renaming, deleting, recording or repointing
  // anything. Give the engine read-only ports (read_only_ports.h) for it.
  // Never throws.
  PreviewReport Preview();

  // The query text of the next pass, from the process-wide Settings and the
  // names given so far.
  std::wstring BuildPrinterQuery() const;

  // A copy of the names given per session, each session's in the order
  // given.
  std::map<uint32_t, std::vector<std::wstring>> RenamedBySession() const;

 private:
  using PrinterHandler = std::function<void(WmiObject& printer, const std::wstring& currentName)>;

  void RunRenamePassUnguarded();
  // Connects when not connected; a failure of the first try after a
  // connected spell (or after start) is logged once, so that a WMI that is
  // slow to start at boot does not flood the log. Throws on out of memory.
  bool Connect(bool quiet);
  PrinterQuery BuildQuery(const Settings& settings) const;
  // Runs the query and hands each listed printer whose DeviceID could be
  // read to `handle`, in the order of the results. False when the query
  // failed; the connection is then dropped for the next pass to renew.
  bool EnumeratePrinters(const std::wstring& query, const PrinterHandler& handle);
  // The per-printer steps up to the rename, with their messages.
  RenameDecision Decide(RenamePassState& pass, WmiObject& printer, const std::wstring& currentName);
  void HandlePrinter(RenamePassState& pass, WmiObject& printer, const std::wstring& currentName);
  PreviewEntry PreviewPrinter(RenamePassState& pass, WmiObject& printer,
                              const std::wstring& currentName,
                              std::unordered_set<std::wstring>& taken);
  void ResolveClashByDeleting(RenamePassState& pass, const std::wstring& path, WmiObject& inParams,
                              uint32_t sessionId, const std::wstring& newName,
                              const std::wstring& sid);
  void ResolveClashByAppending(RenamePassState& pass, const std::wstring& path, WmiObject& inParams,
                               uint32_t sessionId, const std::wstring& newName,
                               const std::wstring& sid);
  void RecordGivenName(uint32_t sessionId, const std::wstring& name);
  std::vector<std::wstring> GivenNames() const;

  EnginePorts ports_;

  // ForgetSession arrives on the control thread while a pass may be reading
  // or recording names on the service thread.
  mutable std::mutex cacheMutex_;
  // Every name given in a session, kept until that session is forgotten:
  // keeping only the last one would let an earlier renamed printer of the
  // session be listed and renamed again.
  std::map<uint32_t, std::vector<std::wstring>> renamedBySession;

  // Both held or neither. Released services first, then the locator.
  std::unique_ptr<WmiLocator> locator;
  std::unique_ptr<WmiServices> services;
  bool unconnectedLogged_ = false;
};

}  // namespace vantrel
