#include "tests/fakes/fake_http.h"

#include <algorithm>

namespace vantrel::testing {
namespace {

class Handle {
 public:
  explicit Handle(FakeHttp& http) : http_(http) { ++http_.openHandles; }
  ~Handle() { --http_.openHandles; }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

 protected:
  FakeHttp& http_;
};

class FakeRequest : public HttpRequest, Handle {
 public:
  using Handle::Handle;

  bool Send() override {
    ++http_.sends;
    return !http_.Fails(FakeHttp::Step::kSend);
  }
  bool ReceiveResponse() override { return !http_.Fails(FakeHttp::Step::kReceiveResponse); }
  bool QueryStatusCode(uint32_t* status) override {
    if (http_.Fails(FakeHttp::Step::kQueryStatusCode)) return false;
    *status = http_.status;
    return true;
  }
  bool QueryDataAvailable(uint32_t* bytes) override {
    if (http_.Fails(FakeHttp::Step::kQueryDataAvailable, piece_)) return false;
    *bytes = piece_ < http_.pieces.size()
                 ? static_cast<uint32_t>(http_.pieces[piece_].size() - offset_)
                 : 0;
    return true;
  }
  bool ReadData(uint32_t capacity, std::vector<uint8_t>* data, uint32_t* bytesRead) override {
    ++http_.reads;
    if (http_.Fails(FakeHttp::Step::kReadData, piece_)) return false;
    *bytesRead = 0;
    if (piece_ >= http_.pieces.size()) return true;
    const std::string& piece = http_.pieces[piece_];
    const size_t n = std::min<size_t>(capacity, piece.size() - offset_);
    data->insert(data->end(), piece.begin() + offset_, piece.begin() + offset_ + n);
    *bytesRead = static_cast<uint32_t>(n);
    offset_ += n;
    if (offset_ == piece.size()) {
      ++piece_;
      offset_ = 0;
    }
    return true;
  }

 private:
  size_t piece_ = 0;
  size_t offset_ = 0;
};

class FakeConnection : public HttpConnection, Handle {
 public:
  using Handle::Handle;
  std::unique_ptr<HttpRequest> OpenRequest(const std::wstring& method,
                                           const std::wstring& objectName) override {
    http_.method = method;
    http_.objectName = objectName;
    if (http_.Fails(FakeHttp::Step::kOpenRequest)) return nullptr;
    return std::make_unique<FakeRequest>(http_);
  }
};

class FakeSession : public HttpSession, Handle {
 public:
  using Handle::Handle;
  std::unique_ptr<HttpConnection> Connect(const std::wstring& host, uint16_t port) override {
    http_.host = host;
    http_.port = port;
    if (http_.Fails(FakeHttp::Step::kConnect)) return nullptr;
    return std::make_unique<FakeConnection>(http_);
  }
};

}  // namespace

std::unique_ptr<HttpSession> FakeHttp::Open(const std::wstring& agent) {
  userAgent = agent;
  if (Fails(Step::kOpen)) return nullptr;
  return std::make_unique<FakeSession>(*this);
}

}  // namespace vantrel::testing
