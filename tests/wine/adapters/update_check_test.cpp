// The update check over the real WinHTTP, against a loopback server, and
// over the program's own version resource (3.1.0.0, from version.rc): only a
// whole 200 reply that names another version is offered. The offer's texts
// and answers are checked natively.
#include "config/update_check.h"

#include <gtest/gtest.h>

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
  using Server = LoopbackHttpServer;
  const auto ok = [](const std::string& body) { return Server::Response(200, "OK", body); };
  // The last five bytes come later: what is available first is a piece
  // only, and the comparison must see all of it.
  const auto slow = [&](const std::string& body) {
    const std::string whole = ok(body);
    return Server::Reply{whole.substr(0, whole.size() - 5), whole.substr(whole.size() - 5)};
  };
  const std::pair<Server::Reply, bool> cases[] = {
      {{ok("3.1.0.0\r\n")}, false},
      {{ok("3.1.0.0")}, false},
      {{ok("3.2.0.0\r\n")}, true},
      {{ok("3.0.9.9\r\n")}, true},
      {{Server::Response(404, "Not Found", "3.2.0.0")}, false},
      {{}, false},  // no answer
      {slow("3.1.0.0\r\n"), false},
      {slow("3.2.0.0\r\n"), true},
  };
  UserReplies replies;
  FakeDialog dialog(replies);
  Win32Registry registry;
  Win32Wmi wmi;
  Win32ServiceManager serviceManager;
  FakeTicks ticks;
  Win32Http http;
  Win32VersionInfo versionInfo;
  ConfigPorts ports{dialog, registry, wmi, serviceManager, ticks, http, versionInfo, L"127.0.0.1"};
  for (size_t i = 0; i < std::size(cases); ++i) {
    Server server(cases[i].first);
    ASSERT_NE(server.port(), 0) << "loopback server did not start";
    ports.updatePort = server.port();
    replies.boxes.clear();
    CheckForUpdate(ports);
    EXPECT_EQ(replies.boxes.size(), cases[i].second ? 1u : 0u) << "case " << i;
    ASSERT_EQ(server.requests().size(), 1u) << "case " << i;
    EXPECT_EQ(server.requests()[0].rfind("GET /products/vantrel/3/version HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(server.requests()[0].find("\r\nUser-Agent: Orlenk Rodo/1.0"), std::string::npos);
  }
  // A port nobody listens on: a loopback server's own, once it is gone.
  ports.updatePort = Server().port();
  replies.boxes.clear();
  CheckForUpdate(ports);
  EXPECT_TRUE(replies.boxes.empty());
}

}  // namespace
}  // namespace vantrel::testing
