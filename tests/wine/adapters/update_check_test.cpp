// The update check over the real WinHTTP, against a loopback server, and
// over the program's own version resource (3.1.0.0, from version.rc): only a
// whole 200 reply that names another version is offered. The offer's texts
// and answers are checked natively.
#include "config/update_check.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/http_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/service_manager_win32.h"
#include "platform/win32/version_info_win32.h"
#include "platform/win32/wmi_win32.h"
#include "tests/fakes/fake_dialog.h"
#include "tests/fakes/fake_ticks.h"
#include "tests/wine/adapters/loopback_http_server.h"

namespace vantrel::testing {
namespace {

TEST(UpdateCheckOverWin32Test, OffersOnlyAnotherVersionFromAWhole200Reply) {
  LoopbackHttpServer server;
  ASSERT_NE(server.port(), 0) << "loopback server did not start";
  UserReplies replies;
  FakeDialog dialog(replies);
  Win32Registry registry;
  Win32Wmi wmi;
  Win32ServiceManager serviceManager;
  FakeTicks ticks;
  Win32Http http;
  Win32VersionInfo versionInfo;
  ConfigPorts ports{dialog, registry,    wmi,          serviceManager, ticks,
                    http,   versionInfo, L"127.0.0.1", server.port()};

  const auto ok = [](const std::string& body) {
    return LoopbackHttpServer::Reply{LoopbackHttpServer::Response(200, "OK", body)};
  };
  const std::pair<LoopbackHttpServer::Reply, bool> cases[] = {
      {ok("3.1.0.0\r\n"), false},
      {ok("3.1.0.0"), false},
      {ok("3.2.0.0\r\n"), true},
      {ok("3.0.9.9\r\n"), true},
      {{LoopbackHttpServer::Response(404, "Not Found", "3.2.0.0")}, false},
      {{}, false},  // no answer
      // What is available first is a piece only; the comparison must see
      // all of it.
      {LoopbackHttpServer::Slow("3.1.0.0\r\n"), false},
      {LoopbackHttpServer::Slow("3.2.0.0\r\n"), true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    server.SetReply(cases[i].first);
    replies.boxes.clear();
    CheckForUpdate(ports);
    EXPECT_EQ(replies.boxes.size(), cases[i].second ? 1u : 0u) << "case " << i;
  }
  ASSERT_EQ(server.requests().size(), std::size(cases));
  for (const std::string& request : server.requests()) {
    EXPECT_EQ(request.rfind("GET /products/vantrel/3/version HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: Orlenk Rodo/1.0"), std::string::npos) << request;
  }

  // A port nobody listens on: a loopback server's own, once it is gone.
  ports.updatePort = LoopbackHttpServer().port();
  server.SetReply(ok("3.2.0.0"));
  replies.boxes.clear();
  CheckForUpdate(ports);
  EXPECT_TRUE(replies.boxes.empty());
}

}  // namespace
}  // namespace vantrel::testing
