// The update check end to end: WinHTTP against a loopback server, the
// program's own version resource, and an in-memory dialog for the offer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_app.h"
#include "platform/win32/http_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/service_manager_win32.h"
#include "platform/win32/version_info_win32.h"
#include "platform/win32/wmi_win32.h"
#include "tests/fakes/fake_dialog.h"
#include "tests/wine/adapters/loopback_http_server.h"

namespace vantrel {
namespace {

using testing::LoopbackHttpServer;

class NoTicks : public Ticks {
 public:
  uint32_t GetTickCount() override { return 0; }
  void Sleep(uint32_t) override {}
};

class UpdateCheckOverWin32Http : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(server_.port(), 0) << "loopback server did not start"; }

  ConfigPorts Ports() {
    ConfigPorts ports{dialog_, registry_, wmi_, serviceManager_, ticks_, http_, versionInfo_};
    ports.updateHost = L"127.0.0.1";
    ports.updatePort = server_.port();
    return ports;
  }

  LoopbackHttpServer server_;
  testing::FakeDialog dialog_;
  Win32Registry registry_;
  Win32Wmi wmi_;
  Win32ServiceManager serviceManager_;
  NoTicks ticks_;
  Win32Http http_;
  Win32VersionInfo versionInfo_;  // this program's resource says 3.1.0.0
};

TEST_F(UpdateCheckOverWin32Http, OffersOnlyADifferentVersionFromA200) {
  const auto ok = [](const std::string& body) {
    return std::vector<std::string>{LoopbackHttpServer::Response(200, "OK", body)};
  };
  const std::string slow = LoopbackHttpServer::Response(200, "OK", "3.2.0.0\r\n");
  const std::string slowSame = LoopbackHttpServer::Response(200, "OK", "3.1.0.0\r\n");
  struct Case {
    const char* what;
    LoopbackHttpServer::Reply reply;
    bool offered;
  };
  const Case cases[] = {
      {"same version", {ok("3.1.0.0\r\n")}, false},
      {"same version, bare", {ok("3.1.0.0")}, false},
      {"newer version", {ok("3.2.0.0\r\n")}, true},
      {"older version", {ok("3.0.9.9\r\n")}, true},
      {"error page", {{LoopbackHttpServer::Response(404, "Not Found", "<html>404</html>")}}, false},
      {"no answer", {{}, 0, true}, false},
      // The body in two pieces: the comparison must see all of it.
      {"slow, same",
       {{slowSame.substr(0, slowSame.size() - 5), slowSame.substr(slowSame.size() - 5)}, 300},
       false},
      {"slow, newer", {{slow.substr(0, slow.size() - 5), slow.substr(slow.size() - 5)}, 300}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server_.SetReply(c.reply);
    dialog_.boxes.clear();
    ConfigPorts ports = Ports();
    CheckForUpdate(ports);
    ASSERT_EQ(dialog_.boxes.size(), c.offered ? 1u : 0u);
    if (c.offered) {
      EXPECT_EQ(dialog_.boxes[0].caption, L"New Vantrel version available!");
      EXPECT_EQ(dialog_.boxes[0].text,
                L"There is a new version available.\r\nWould you like to download and install "
                L"this now?");
    }
    EXPECT_TRUE(dialog_.openedUrls.empty());  // answered No
  }
  EXPECT_EQ(server_.requests().size(), std::size(cases));
}

TEST_F(UpdateCheckOverWin32Http, YesOpensTheDownloadPageAndEndsTheDialog) {
  server_.SetReply({{LoopbackHttpServer::Response(200, "OK", "3.2.0.0\r\n")}});
  dialog_.answers.push_back(dialog_value::kIdYes);
  ConfigPorts ports = Ports();
  CheckForUpdate(ports);
  EXPECT_EQ(dialog_.openedUrls,
            std::vector<std::wstring>{L"http://www.orlenk-technologies.com/products/vantrel/3/"});
  EXPECT_EQ(dialog_.endDialogResults, std::vector<intptr_t>{0});
}

}  // namespace
}  // namespace vantrel
