// A terminal server in memory: a table of sessions (each with its user's
// account) answering the Terminal Services and accounts ports, the other
// fakes of the engine's ports, and one fault plan counting the calls of all.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/accounts.h"
#include "platform/terminal_services.h"
#include "service/engine/printers.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_spooler.h"
#include "tests/fakes/fake_wmi.h"
#include "tests/fakes/fault_plan.h"

namespace vantrel::testing {

class FakeSettingChangeBroadcaster : public SettingChangeBroadcaster {
 public:
  void BroadcastSettingChange(const std::wstring& area) override {
    if (Consult(faultPlan, "broadcaster BroadcastSettingChange") == Failure::kNone)
      areas.push_back(area);  // a failed one is lost without a word
  }
  std::vector<std::wstring> areas;
  FaultPlan* faultPlan = nullptr;
};

struct FakeSession {
  uint32_t id;
  std::wstring user, client;
  // The user's SID in string form. Empty: the user has no account.
  std::wstring sid;
  std::wstring domain = L"VANTREL";
};

class FakeTerminalServer : public TerminalServices, public Accounts {
 public:
  FakeTerminalServer() {
    wmi.faultPlan = spooler.faultPlan = registry.faultPlan = broadcaster.faultPlan = &faultPlan;
  }
  // Adds the session, or replaces the one of that id.
  void AddUser(uint32_t session, const std::wstring& user, const std::wstring& client,
               const std::wstring& sid) {
    std::erase_if(sessions, [&](const FakeSession& s) { return s.id == session; });
    sessions.push_back({session, user, client, sid});
  }

  // An unknown session fails with ERROR_CTX_WINSTATION_NOT_FOUND; a connect
  // state is empty text.
  Status QuerySessionInformation(uint32_t id, WtsInfoClass infoClass, std::wstring* text) override {
    const Failure fault = Consult(&faultPlan, "wts QuerySessionInformation");
    const auto session = std::ranges::find(sessions, id, &FakeSession::id);
    if (fault == Failure::kNone && session == sessions.end()) return Status(7022);
    if (fault != Failure::kNone && fault != Failure::kEmpty) return Faulted(fault);
    *text = fault == Failure::kEmpty                 ? L""
            : infoClass == WtsInfoClass::kUserName   ? session->user
            : infoClass == WtsInfoClass::kClientName ? session->client
            : infoClass == WtsInfoClass::kDomainName ? session->domain
                                                     : L"";
    return Status::Ok();
  }

  // The digits up to the first other character, wrapping at 32 bits as the
  // shell's parser does: the digit runs the engine passes.
  Status ParseInteger(const std::wstring& text, int32_t* value) override {
    const size_t digits = std::min(text.size(), text.find_first_not_of(L"0123456789"));
    if (Consult(&faultPlan, "wts ParseInteger") != Failure::kNone || digits == 0)
      return Status(win32_error::kInvalidParameter);
    uint32_t magnitude = 0;  // unsigned so the wrap is defined
    for (size_t i = 0; i < digits; ++i) magnitude = magnitude * 10u + (text[i] - L'0');
    *value = static_cast<int32_t>(magnitude);
    return Status::Ok();
  }

  // Only the account of that name in that domain.
  Status LookUpUserSid(const std::wstring& domain, const std::wstring& user,
                       std::wstring* sid) override {
    if (const Failure fault = Consult(&faultPlan, "accounts LookUpUserSid");
        fault != Failure::kNone)
      return Faulted(fault);
    const auto session = std::ranges::find_if(sessions, [&](const FakeSession& s) {
      return !s.sid.empty() && s.user == user && s.domain == domain;
    });
    if (session == sessions.end()) return Status(win32_error::kNoneMapped);
    *sid = session->sid;
    return Status::Ok();
  }

  std::vector<FakeSession> sessions;
  FakeWmi wmi;
  FakeSpooler spooler{wmi.printers};
  FakeRegistry registry;
  FakeSettingChangeBroadcaster broadcaster;
  EnginePorts ports{wmi, *this, *this, spooler, registry, broadcaster};
  FaultPlan faultPlan;

 private:
  static Status Faulted(Failure fault) {
    return Status(fault == Failure::kOutOfMemory ? win32_error::kNotEnoughMemory
                                                 : win32_error::kAccessDenied);
  }
};

}  // namespace vantrel::testing
