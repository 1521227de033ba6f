// A terminal server made of fakes, and the engine's ports over it; shared by
// the engine's tests and its benchmark.
#pragma once

#include <cstdint>
#include <string>

#include "service/engine/printers.h"
#include "tests/fakes/fake_accounts.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_spooler.h"
#include "tests/fakes/fake_terminal_services.h"
#include "tests/fakes/fake_wmi.h"

namespace vantrel::testing {

struct FakeTerminalServer {
  FakeTerminalServer() {
    wmi.faultPlan = wts.faultPlan = accounts.faultPlan = spooler.faultPlan = registry.faultPlan =
        broadcaster.faultPlan = &faultPlan;
  }
  // A session whose user has an account.
  void AddUser(uint32_t session, const std::wstring& user, const std::wstring& client,
               const std::wstring& sid) {
    wts.AddSession(session, user, client);
    accounts.AddUser(user, sid);
  }

  FakeWmi wmi;
  FakeTerminalServices wts;
  FakeAccounts accounts;
  FakeSpooler spooler{wmi.printers};
  FakeRegistry registry;
  FakeSettingChangeBroadcaster broadcaster;
  EnginePorts ports{wmi, wts, accounts, spooler, registry, broadcaster};
  // One count of the calls of all the fakes above.
  FaultPlan faultPlan;
};

}  // namespace vantrel::testing
