// Every port of the configuration program but the dialog, faked, and the
// ports over them and a given dialog.
#pragma once

#include "config/config_ports.h"
#include "tests/fakes/fake_http.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_service_manager.h"
#include "tests/fakes/fake_ticks.h"
#include "tests/fakes/fake_wmi.h"

namespace vantrel::testing {

// The program's US-English ProductVersion. (The real resource and its path
// are read under Wine.)
class FakeVersionInfo : public VersionInfo {
 public:
  Status QueryOwnStringValue(const std::wstring&, std::wstring* value) override {
    *value = L"3.1.0.0";
    return Status::Ok();
  }
};

struct FakeConfigProgram {
  explicit FakeConfigProgram(FormView& view)
      : ports{view, registry, wmi, scm, ticks, http, versionInfo} {}

  FakeRegistry registry;
  FakeWmi wmi;
  FakeServiceManager scm;
  FakeTicks ticks;
  FakeHttp http;
  FakeVersionInfo versionInfo;
  ConfigPorts ports;
};

}  // namespace vantrel::testing
