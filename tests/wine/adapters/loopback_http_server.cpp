#include "tests/wine/adapters/loopback_http_server.h"

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>
#include <thread>

namespace vantrel::testing {

struct LoopbackHttpServer::State {
  SOCKET listener = INVALID_SOCKET;
  uint16_t port = 0;
  bool wsaStarted = false;
  mutable std::mutex mutex;
  Reply reply;
  std::vector<std::string> requests;
  std::thread thread;

  void Serve() {
    for (;;) {
      SOCKET client = ::accept(listener, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;  // the listener was closed
      Answer(client);
      ::closesocket(client);
    }
  }

  void Answer(SOCKET client) {
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
      const int got = ::recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0) return;
      head.append(buffer, got);
    }
    Reply current;
    {
      std::lock_guard<std::mutex> lock(mutex);
      requests.push_back(head.substr(0, head.find("\r\n\r\n")));
      current = reply;
    }
    if (current.hangUp) return;
    for (size_t i = 0; i < current.pieces.size(); ++i) {
      if (i > 0 && current.pauseMs > 0) ::Sleep(current.pauseMs);
      const std::string& piece = current.pieces[i];
      if (::send(client, piece.data(), static_cast<int>(piece.size()), 0) < 0) return;
    }
    // A graceful close: the request was read in full, so nothing unread
    // turns the close into a reset and the client gets every byte.
    ::shutdown(client, SD_SEND);
  }
};

std::string LoopbackHttpServer::Response(int status, const std::string& reason,
                                         const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

LoopbackHttpServer::LoopbackHttpServer() : state_(std::make_unique<State>()) {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  state_->wsaStarted = true;
  SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof(address);
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listener, 4) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::closesocket(listener);
    return;
  }
  state_->listener = listener;
  state_->port = ntohs(address.sin_port);
  state_->thread = std::thread([state = state_.get()] { state->Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  if (state_->listener != INVALID_SOCKET) ::closesocket(state_->listener);
  if (state_->thread.joinable()) state_->thread.join();
  if (state_->wsaStarted) ::WSACleanup();
}

uint16_t LoopbackHttpServer::port() const { return state_->port; }

void LoopbackHttpServer::SetReply(Reply reply) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->reply = std::move(reply);
}

std::vector<std::string> LoopbackHttpServer::requests() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->requests;
}

}  // namespace vantrel::testing
