// A tiny HTTP server on 127.0.0.1 and an ephemeral port, on its own thread,
// that answers each connection with one fixed reply: its pieces 300 ms
// apart, or nothing at all for none. It records each request's head.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::testing {

class LoopbackHttpServer {
 public:
  using Reply = std::vector<std::string>;

  // A complete response with Content-Length and "Connection: close".
  static std::string Response(int status, const std::string& reason, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
  }

  explicit LoopbackHttpServer(Reply reply = {}) : reply_(std::move(reply)) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    auto* at = reinterpret_cast<sockaddr*>(&address);
    if (listener_ == INVALID_SOCKET || ::bind(listener_, at, sizeof(address)) != 0 ||
        ::listen(listener_, 4) != 0 || ::getsockname(listener_, at, &length) != 0) {
      return;  // port() stays 0
    }
    port_ = ntohs(address.sin_port);
    // Ends when the destructor closes the listener.
    thread_ = std::thread([this] {
      for (SOCKET client; (client = ::accept(listener_, nullptr, nullptr)) != INVALID_SOCKET;) {
        Answer(client);
        ::closesocket(client);
      }
    });
  }
  ~LoopbackHttpServer() {
    if (listener_ != INVALID_SOCKET) ::closesocket(listener_);
    if (thread_.joinable()) thread_.join();
    ::WSACleanup();
  }

  uint16_t port() const { return port_; }
  // Read only once the server thread is done with the request (after the
  // client has its reply).
  const std::vector<std::string>& requests() const { return requests_; }

 private:
  void Answer(SOCKET client) {
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
      const int got = ::recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0) return;
      head.append(buffer, got);
    }
    requests_.push_back(head.substr(0, head.find("\r\n\r\n")));
    for (size_t i = 0; i < reply_.size(); ++i) {
      if (i > 0) ::Sleep(300);
      if (::send(client, reply_[i].data(), static_cast<int>(reply_[i].size()), 0) < 0) return;
    }
    // A graceful close: the request was read in full, so nothing unread
    // turns the close into a reset and the client gets every byte.
    ::shutdown(client, SD_SEND);
  }

  const Reply reply_;
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace vantrel::testing
