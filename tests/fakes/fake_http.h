// A scripted WinHTTP: one reply (its status, its body in pieces), one port call
// that fails, and a count of the handles still open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/http.h"

namespace vantrel::testing {

class FakeHttp : public Http {
 public:
  Status Open(const std::wstring&, std::unique_ptr<HttpSession>* session) override {
    return Call([&] { *session = std::make_unique<Handle>(*this); });
  }

  // Each piece is what one availability query reports; a read takes at most
  // the rest of the current piece.
  std::vector<std::string> pieces;
  // The call that fails, counted from 0 over every port call in order: Open,
  // Connect, OpenRequest, Send, ReceiveResponse, QueryStatusCode, then
  // QueryDataAvailable and ReadData in turn. Negative: none.
  int failAtCall = -1;
  int openHandles = 0;
  uint32_t status = 200;  // the reply's status code

 private:
  // Counts the call and, unless it is the failing one, does `body`.
  template <typename Body>
  Status Call(Body body) {
    if (calls_++ == failAtCall) return Status(12002);  // ERROR_WINHTTP_TIMEOUT
    body();
    return Status::Ok();
  }

  // The session, the connection and the request alike: each counts itself
  // among the open handles while it lives.
  class Handle : public HttpSession, public HttpConnection, public HttpRequest {
   public:
    explicit Handle(FakeHttp& http) : http_(http) { ++http_.openHandles; }
    ~Handle() override { --http_.openHandles; }

    Status Connect(const std::wstring&, uint16_t, std::unique_ptr<HttpConnection>* c) override {
      return http_.Call([&] { *c = std::make_unique<Handle>(http_); });
    }
    Status OpenRequest(const std::wstring&, const std::wstring&,
                       std::unique_ptr<HttpRequest>* request) override {
      return http_.Call([&] { *request = std::make_unique<Handle>(http_); });
    }
    Status Send() override {
      return http_.Call([] {});
    }
    Status ReceiveResponse() override {
      return http_.Call([] {});
    }
    Status QueryStatusCode(uint32_t* status) override {
      return http_.Call([&] { *status = http_.status; });
    }
    Status QueryDataAvailable(uint32_t* bytes) override {
      return http_.Call([&] { *bytes = static_cast<uint32_t>(Rest().size()); });
    }
    Status ReadData(uint32_t capacity, std::vector<uint8_t>* data, uint32_t* bytesRead) override {
      return http_.Call([&] {
        const std::string taken = Rest().substr(0, capacity);
        data->insert(data->end(), taken.begin(), taken.end());
        *bytesRead = static_cast<uint32_t>(taken.size());
        offset_ += taken.size();
        if (piece_ < http_.pieces.size() && Rest().empty()) ++piece_, offset_ = 0;
      });
    }

   private:
    std::string Rest() const {
      return piece_ < http_.pieces.size() ? http_.pieces[piece_].substr(offset_) : std::string();
    }
    FakeHttp& http_;
    size_t piece_ = 0, offset_ = 0;
  };

  int calls_ = 0;
};

}  // namespace vantrel::testing
