// Every port of the configuration program, faked, and the ports over them.
#pragma once

#include "config/config_app.h"
#include "tests/fakes/fake_dialog.h"
#include "tests/fakes/fake_http.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_service_manager.h"
#include "tests/fakes/fake_ticks.h"
#include "tests/fakes/fake_version_info.h"
#include "tests/fakes/fake_wmi.h"

namespace vantrel::testing {

struct FakeConfigProgram {
  FakeDialog dialog;
  FakeRegistry registry;
  FakeWmi wmi;
  FakeServiceManager scm;
  FakeTicks ticks;
  FakeHttp http;
  FakeVersionInfo versionInfo;
  ConfigPorts ports{dialog, registry, wmi, scm, ticks, http, versionInfo};
};

}  // namespace vantrel::testing
