// A tiny HTTP server on 127.0.0.1 and an ephemeral port, run on its own
// thread, that answers every request with the reply the test set last. One
// connection at a time; each is closed after its reply.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantrel::testing {

class LoopbackHttpServer {
 public:
  struct Reply {
    // Sent in order, with `pauseMs` between pieces.
    std::vector<std::string> pieces;
    uint32_t pauseMs = 0;
    // Read the request, then close without a byte of answer.
    bool hangUp = false;
  };

  // A complete response with Content-Length and "Connection: close".
  static std::string Response(int status, const std::string& reason, const std::string& body);

  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // 0 when the server could not start.
  uint16_t port() const;
  void SetReply(Reply reply);
  // The head of every request received so far (request line and headers).
  std::vector<std::string> requests() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vantrel::testing
