// Printers: the service's one view of the local printers. It holds the WMI
// connection to ROOT\CIMV2, remembers the names it gave per session, and
// runs a rename pass (rename_pass.h) over the printers its query lists.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "service/engine/preview.h"
#include "service/engine/printer_query.h"
#include "service/engine/rename_pass.h"
#include "service/printer_engine.h"
#include "settings/settings.h"

namespace vantrel {

class Printers : public PrinterEngine, private GivenNames {
 public:
  // Connects to WMI; a failure is not logged, and each pass tries again.
  explicit Printers(const EnginePorts& ports);

  Printers(const Printers&) = delete;
  Printers& operator=(const Printers&) = delete;

  // One rename pass over the printers the query lists. Never throws.
  void RunRenamePass() override;

  // Drops every name given in that session (log-off, disconnect).
  void ForgetSession(uint32_t sessionId) override;

  bool IsConnected() const { return inventory_ != nullptr; }

  // What a pass would do now with each listed printer, decided as the pass
  // decides but without renaming, deleting, recording or repointing
  // anything. Give the engine read-only ports (read_only_ports.h) for it.
  // Never throws.
  PreviewReport Preview();

  // The query text of the next pass, from the process-wide Settings and the
  // names given so far.
  std::wstring NextQueryText() const;

  // A copy of the names given per session, each session's in the order
  // given.
  std::map<uint32_t, std::vector<std::wstring>> RenamedBySession() const;

 private:
  using PrinterVisitor = std::function<void(ListedPrinter& printer, const std::wstring& name)>;

  void RunRenamePassUnguarded();
  // Connects when not connected; a failure of the first try after a
  // connected spell (or after start) is logged once, so that a WMI that is
  // slow to start at boot does not flood the log. Throws on out of memory.
  bool Connect(bool quiet);
  PrinterQuery BuildQuery(const Settings& settings) const;
  enum class Listing { kComplete, kRefused, kBrokenOff };
  // Runs the query and hands each listed printer whose DeviceID could be
  // read to `visit`, in the order of the results. When the query is refused
  // or the listing cannot read on, the connection is dropped for the next
  // pass to renew; a listing that broke off is logged.
  Listing VisitPrinters(const std::wstring& query, const PrinterVisitor& visit);
  RenamePass StartPass(const PrinterQuery& query, Settings settings);
  void Record(uint32_t sessionId, const std::wstring& name) override;
  std::vector<uint32_t> SessionsGiven(const std::wstring& name) const override;
  // Reported once per printer name and session, until the session is
  // forgotten.
  void LeftAlone(uint32_t sessionId, const std::wstring& name, const std::wstring& reason) override;
  // The events a pass's end may owe: a pattern that cannot be used (once
  // per pattern) and how many exclusions the pass applied itself (when
  // that count changes).
  void ReportPassProblems(const RenamePass& pass, size_t clausesInPass);
  std::vector<std::wstring> AllGivenNames() const;

  EnginePorts ports_;

  // ForgetSession arrives on the control thread while a pass may be reading
  // or recording names on the service thread.
  mutable std::mutex cacheMutex_;
  // Every name given in a session, kept until that session is forgotten:
  // keeping only the last one would let an earlier renamed printer of the
  // session be listed and renamed again.
  std::map<uint32_t, std::vector<std::wstring>> renamedBySession;
  // The printers already reported as left alone, under cacheMutex_.
  std::set<std::pair<uint32_t, std::wstring>> leftAloneReported_;

  std::unique_ptr<PrinterInventory> inventory_;
  // Also the Event Log's "WMI cannot be reached" state: reported once, and
  // its recovery once.
  bool unconnectedLogged_ = false;
  std::wstring patternReported_;
  size_t clausesReported_ = 0;
};

}  // namespace vantrel
