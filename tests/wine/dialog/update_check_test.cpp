// The update check over the real WinHTTP, against a loopback server, and
// over the real version resource that this program compiles in: only a
// whole 200 reply that names another version is offered. The offer's texts
// and answers are checked natively.
#include "config/update_check.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/win32/http_win32.h"
#include "platform/win32/version_info_win32.h"
#include "tests/fakes/fake_config_program.h"
#include "tests/fakes/fake_dialog.h"

namespace vantrel::testing {
namespace {

// Answers one connection on 127.0.0.1 with the reply's pieces, 300 ms
// apart (none: closes without a word), and keeps the request's head.
class LoopbackServer {
 public:
  explicit LoopbackServer(std::vector<std::string> reply) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    auto* at = reinterpret_cast<sockaddr*>(&address);
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (::bind(listener_, at, length) != 0 || ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, at, &length) != 0)
      return;  // port stays 0
    port = ntohs(address.sin_port);
    thread_ = std::thread([this, reply] {
      const SOCKET client = ::accept(listener_, nullptr, nullptr);
      char buffer[1024];
      for (int got; head.find("\r\n\r\n") == std::string::npos &&
                    (got = ::recv(client, buffer, sizeof(buffer), 0)) > 0;)
        head.append(buffer, got);
      for (size_t i = 0; i < reply.size(); ++i) {
        if (i > 0) ::Sleep(300);
        ::send(client, reply[i].data(), static_cast<int>(reply[i].size()), 0);
      }
      // A graceful close: the request was read in full, so the client gets
      // every byte rather than a reset.
      ::shutdown(client, SD_SEND);
      ::closesocket(client);
    });
  }
  ~LoopbackServer() {
    ::closesocket(listener_);
    if (thread_.joinable()) thread_.join();
    ::WSACleanup();
  }

  uint16_t port = 0;
  std::string head;  // read once the client has its reply

 private:
  SOCKET listener_;
  std::thread thread_;
};

std::string Response(int status, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) +
         " X\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

// The last five bytes come later: what is available first is a piece only,
// and the comparison must see all of it.
std::vector<std::string> Slowly(const std::string& body) {
  const std::string whole = Response(200, body);
  return {whole.substr(0, whole.size() - 5), whole.substr(whole.size() - 5)};
}

TEST(UpdateCheckOverWin32Test, OffersOnlyAnotherVersionFromAWhole200Reply) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{Response(200, "3.1.0.0\r\n")}, false}, {{Response(200, "3.2.0.0\r\n")}, true},
      {{Response(404, "3.2.0.0")}, false},     {{}, false},  // no answer
      {Slowly("3.1.0.0\r\n"), false},          {Slowly("3.2.0.0\r\n"), true},
  };
  UserReplies replies;
  FakeDialog view(replies);
  FakeConfigProgram fakes(view);
  Win32Http http;
  Win32VersionInfo versionInfo;
  ConfigPorts ports{view,        fakes.registry, fakes.wmi,   fakes.scm,
                    fakes.ticks, http,           versionInfo, L"127.0.0.1"};
  for (size_t i = 0; i < std::size(cases); ++i) {
    LoopbackServer server(cases[i].first);
    ASSERT_NE(server.port, 0) << "loopback server did not start";
    ports.updatePort = server.port;
    replies.boxes.clear();
    CheckForUpdate(ports);
    EXPECT_EQ(replies.boxes.size(), cases[i].second ? 1u : 0u) << "case " << i;
    EXPECT_EQ(server.head.rfind("GET /products/vantrel/3/version HTTP/1.1\r\n", 0), 0u) << i;
    EXPECT_NE(server.head.find("\r\nUser-Agent: Orlenk Rodo/1.0"), std::string::npos) << i;
  }
}

}  // namespace
}  // namespace vantrel::testing
