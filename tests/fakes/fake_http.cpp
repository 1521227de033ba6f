#include "tests/fakes/fake_http.h"

#include <algorithm>

namespace vantrel::testing {
namespace {

// The session, the connection and the request alike: each counts itself
// among the open handles while it lives.
class FakeHandle : public HttpSession, public HttpConnection, public HttpRequest {
 public:
  explicit FakeHandle(FakeHttp& http) : http_(http) { ++http_.openHandles; }
  ~FakeHandle() override { --http_.openHandles; }

  std::unique_ptr<HttpConnection> Connect(const std::wstring& host, uint16_t port) override {
    http_.host = host;
    http_.port = port;
    return std::make_unique<FakeHandle>(http_);
  }
  std::unique_ptr<HttpRequest> OpenRequest(const std::wstring& method,
                                           const std::wstring& objectName) override {
    http_.method = method;
    http_.objectName = objectName;
    return std::make_unique<FakeHandle>(http_);
  }
  bool Send() override { return true; }
  bool ReceiveResponse() override { return !http_.Fails(FakeHttp::Step::kReceiveResponse); }
  bool QueryStatusCode(uint32_t* status) override { return *status = http_.status, true; }
  bool QueryDataAvailable(uint32_t* bytes) override {
    if (http_.Fails(FakeHttp::Step::kQueryDataAvailable, piece_)) return false;
    *bytes = static_cast<uint32_t>(piece_ < http_.pieces.size() ? Rest().size() : 0);
    return true;
  }
  bool ReadData(uint32_t capacity, std::vector<uint8_t>* data, uint32_t* bytesRead) override {
    if (http_.Fails(FakeHttp::Step::kReadData, piece_)) return false;
    const std::string taken =
        piece_ < http_.pieces.size() ? Rest().substr(0, capacity) : std::string();
    data->insert(data->end(), taken.begin(), taken.end());
    *bytesRead = static_cast<uint32_t>(taken.size());
    offset_ += taken.size();
    if (piece_ < http_.pieces.size() && Rest().empty()) ++piece_, offset_ = 0;
    return true;
  }

 private:
  std::string Rest() const { return http_.pieces[piece_].substr(offset_); }
  FakeHttp& http_;
  size_t piece_ = 0, offset_ = 0;
};

}  // namespace

std::unique_ptr<HttpSession> FakeHttp::Open(const std::wstring& agent) {
  userAgent = agent;
  if (Fails(Step::kOpen)) return nullptr;
  return std::make_unique<FakeHandle>(*this);
}

}  // namespace vantrel::testing
