// What the update check stands on: WinHTTP against a loopback server, read
// as the update check reads it, and the program's own version resource
// (3.1.0.0); then the update check itself over them, with an in-memory
// dialog for the offer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/http_win32.h"
#include "platform/win32/version_info_win32.h"
#include "tests/wine/adapters/loopback_http_server.h"

#if VANTREL_TEST_UPDATE_CHECK
#include "config/config_app.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/service_manager_win32.h"
#include "platform/win32/wmi_win32.h"
#include "tests/fakes/fake_dialog.h"
#include "tests/fakes/fake_ticks.h"
#endif

namespace vantrel {
namespace {

using testing::LoopbackHttpServer;

// The update check's request, every piece of the body read as it becomes
// available: "<status> <each size available> <body>", or where it stopped.
std::string Get(uint16_t port) {
  Win32Http http;
  auto session = http.Open(L"Orlenk Rodo/1.0");
  auto connection = session ? session->Connect(L"127.0.0.1", port) : nullptr;
  auto request =
      connection ? connection->OpenRequest(L"GET", L"products/vantrel/3/version") : nullptr;
  if (!request) return "no request";
  // Dropped before their request: its handles must stay usable.
  session.reset();
  connection.reset();
  if (!request->Send()) return "not sent";
  if (!request->ReceiveResponse()) return "no response";
  uint32_t status = 0, available = 0, read = 0;
  if (!request->QueryStatusCode(&status)) return "no status";
  std::string result = std::to_string(status);
  std::vector<uint8_t> body;  // each read appends
  while (request->QueryDataAvailable(&available) && available > 0) {
    result += ' ';
    result += std::to_string(available);
    if (!request->ReadData(available, &body, &read) || read != available) return result + " short";
  }
  return result + " " + std::string(body.begin(), body.end());
}

TEST(Win32VersionInfoTest, ReadsStringsOfTheProgramsOwnResource) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"\\StringFileInfo\\040904b0\\ProductVersion", L"3.1.0.0"},
      {L"\\StringFileInfo\\040904b0\\ProductName", L"Vantrel"},
      {L"\\StringFileInfo\\040904b0\\NoSuchValue", nullptr},
      {L"\\StringFileInfo\\040704b0\\ProductVersion", nullptr},  // no German table
  };
  for (const auto& [subBlock, expected] : cases) {
    std::wstring value = L"untouched";
    EXPECT_EQ(Win32VersionInfo().QueryOwnStringValue(subBlock, &value), expected != nullptr);
    EXPECT_EQ(value, expected ? expected : L"untouched") << subBlock;
  }
}

TEST(Win32HttpTest, RepliesAsTheUpdateCheckReadsThemAndOffersOnlyAnotherVersionFromA200) {
  LoopbackHttpServer server;
  ASSERT_NE(server.port(), 0) << "loopback server did not start";
  const auto ok = [](const std::string& body) {
    return LoopbackHttpServer::Reply{LoopbackHttpServer::Response(200, "OK", body)};
  };
  const std::string page = "<html><body><h1>404 Not Found</h1></body></html>";
  struct Case {
    LoopbackHttpServer::Reply reply;
    std::string read;
    bool offered;
  };
  const Case cases[] = {
      {ok("3.1.0.0\r\n"), "200 9 3.1.0.0\r\n", false},
      {ok("3.1.0.0"), "200 7 3.1.0.0", false},
      {ok("3.2.0.0\r\n"), "200 9 3.2.0.0\r\n", true},
      {ok("3.0.9.9\r\n"), "200 9 3.0.9.9\r\n", true},
      {{LoopbackHttpServer::Response(404, "Not Found", page)}, "404 48 " + page, false},
      {{}, "no response", false},
      // What is available first is the first piece only; the comparison
      // must see all of it.
      {LoopbackHttpServer::Slow("3.1.0.0\r\n"), "200 4 5 3.1.0.0\r\n", false},
      {LoopbackHttpServer::Slow("3.2.0.0\r\n"), "200 4 5 3.2.0.0\r\n", true},
  };
#if VANTREL_TEST_UPDATE_CHECK
  testing::FakeDialog dialog;
  Win32Registry registry;
  Win32Wmi wmi;
  Win32ServiceManager serviceManager;
  testing::FakeTicks ticks;
  Win32Http http;
  Win32VersionInfo versionInfo;
  ConfigPorts ports{dialog, registry,    wmi,          serviceManager, ticks,
                    http,   versionInfo, L"127.0.0.1", server.port()};
#endif
  for (const Case& c : cases) {
    server.SetReply(c.reply);
    EXPECT_EQ(Get(server.port()), c.read);
#if VANTREL_TEST_UPDATE_CHECK
    // The offer's texts and the answers are checked against fakes natively.
    dialog.boxes.clear();
    CheckForUpdate(ports);
    EXPECT_EQ(dialog.boxes.size(), c.offered ? 1u : 0u) << c.read;
#endif
  }
  for (const std::string& request : server.requests()) {
    EXPECT_EQ(request.rfind("GET /products/vantrel/3/version HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: Orlenk Rodo/1.0"), std::string::npos) << request;
  }
  // A port nobody listens on: a loopback server's own, once it is gone.
  const uint16_t closed = LoopbackHttpServer().port();
  EXPECT_EQ(Get(closed), "not sent");
}

}  // namespace
}  // namespace vantrel
