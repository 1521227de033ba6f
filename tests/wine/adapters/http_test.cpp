#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/http_win32.h"
#include "tests/wine/adapters/loopback_http_server.h"

namespace vantrel {
namespace {

using testing::LoopbackHttpServer;

struct Exchange {
  bool received = false;
  uint32_t status = 0;
  std::vector<uint32_t> available;  // every non-zero availability seen
  std::string body;
};

class Win32HttpTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(server_.port(), 0) << "loopback server did not start"; }

  // The update check's request, with every piece of the body read as it
  // becomes available.
  Exchange Get() {
    Exchange exchange;
    auto session = http_.Open(L"Orlenk Rodo/1.0");
    EXPECT_NE(session, nullptr);
    if (!session) return exchange;
    auto connection = session->Connect(L"127.0.0.1", server_.port());
    EXPECT_NE(connection, nullptr);
    if (!connection) return exchange;
    auto request = connection->OpenRequest(L"GET", L"products/vantrel/3/version");
    EXPECT_NE(request, nullptr);
    if (!request) return exchange;
    EXPECT_TRUE(request->Send());
    if (!request->ReceiveResponse()) return exchange;
    exchange.received = true;
    EXPECT_TRUE(request->QueryStatusCode(&exchange.status));
    std::vector<uint8_t> data;
    for (;;) {
      uint32_t available = 0;
      EXPECT_TRUE(request->QueryDataAvailable(&available));
      if (available == 0) break;
      exchange.available.push_back(available);
      uint32_t read = 0;
      EXPECT_TRUE(request->ReadData(available, &data, &read));
      EXPECT_EQ(read, available);
      if (read == 0) break;
    }
    exchange.body.assign(data.begin(), data.end());
    return exchange;
  }

  LoopbackHttpServer server_;
  Win32Http http_;
};

TEST_F(Win32HttpTest, CompleteReplies) {
  struct Case {
    int status;
    const char* reason;
    std::string body;
  };
  const Case cases[] = {
      {200, "OK", "3.1.0.0\r\n"},
      {200, "OK", "3.2.0.0\r\n"},
      {404, "Not Found", "<html><body><h1>404 Not Found</h1></body></html>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    server_.SetReply({{LoopbackHttpServer::Response(c.status, c.reason, c.body)}});
    const Exchange exchange = Get();
    ASSERT_TRUE(exchange.received);
    EXPECT_EQ(exchange.status, static_cast<uint32_t>(c.status));
    EXPECT_EQ(exchange.body, c.body);
    ASSERT_FALSE(exchange.available.empty());
    EXPECT_EQ(exchange.available.front(), c.body.size());
  }
  for (const std::string& request : server_.requests()) {
    EXPECT_EQ(request.rfind("GET /products/vantrel/3/version HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: Orlenk Rodo/1.0"), std::string::npos) << request;
  }
}

TEST_F(Win32HttpTest, ServerThatHangsUpGivesNoResponse) {
  server_.SetReply({{}, 0, true});
  EXPECT_FALSE(Get().received);
}

TEST_F(Win32HttpTest, SlowBodyArrivesInTwoPieces) {
  const std::string body = "3.1.0.0\r\n";
  const std::string whole = LoopbackHttpServer::Response(200, "OK", body);
  const size_t split = whole.size() - 5;  // head and "3.1." first, the rest later
  server_.SetReply({{whole.substr(0, split), whole.substr(split)}, 300});
  const Exchange exchange = Get();
  ASSERT_TRUE(exchange.received);
  EXPECT_EQ(exchange.status, 200u);
  EXPECT_EQ(exchange.body, body);
  // What is available first is the first piece only.
  EXPECT_EQ(exchange.available, (std::vector<uint32_t>{4, 5}));
}

TEST_F(Win32HttpTest, RequestOutlivesTheSessionAndConnectionObjects) {
  server_.SetReply({{LoopbackHttpServer::Response(200, "OK", "3.1.0.0")}});
  auto session = http_.Open(L"Orlenk Rodo/1.0");
  ASSERT_NE(session, nullptr);
  auto connection = session->Connect(L"127.0.0.1", server_.port());
  ASSERT_NE(connection, nullptr);
  auto request = connection->OpenRequest(L"GET", L"products/vantrel/3/version");
  ASSERT_NE(request, nullptr);
  // Dropped in the "wrong" order: the handles must stay usable.
  session.reset();
  connection.reset();
  ASSERT_TRUE(request->Send());
  ASSERT_TRUE(request->ReceiveResponse());
  std::vector<uint8_t> data = {'>'};
  uint32_t read = 0;
  ASSERT_TRUE(request->ReadData(64, &data, &read));
  EXPECT_EQ(read, 7u);
  EXPECT_EQ(std::string(data.begin(), data.end()), ">3.1.0.0");  // appended
}

TEST_F(Win32HttpTest, RefusedConnectionFailsTheSend) {
  // A port nobody listens on: the loopback server's own, once it is gone.
  uint16_t port = 0;
  {
    LoopbackHttpServer closed;
    port = closed.port();
  }
  auto session = http_.Open(L"Orlenk Rodo/1.0");
  ASSERT_NE(session, nullptr);
  auto connection = session->Connect(L"127.0.0.1", port);
  ASSERT_NE(connection, nullptr);  // WinHttpConnect does not touch the network
  auto request = connection->OpenRequest(L"GET", L"products/vantrel/3/version");
  ASSERT_NE(request, nullptr);
  EXPECT_FALSE(request->Send());
}

}  // namespace
}  // namespace vantrel
