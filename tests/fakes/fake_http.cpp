#include "tests/fakes/fake_http.h"

#include <algorithm>

namespace vantrel::testing {
namespace {

// WinHTTP's ERROR_WINHTTP_TIMEOUT, for every scripted failure.
constexpr Status kFailed{12002};

// The session, the connection and the request alike: each counts itself
// among the open handles while it lives.
class FakeHandle : public HttpSession, public HttpConnection, public HttpRequest {
 public:
  explicit FakeHandle(FakeHttp& http) : http_(http) { ++http_.openHandles; }
  ~FakeHandle() override { --http_.openHandles; }

  Status Connect(const std::wstring& host, uint16_t port,
                 std::unique_ptr<HttpConnection>* connection) override {
    http_.host = host;
    http_.port = port;
    *connection = std::make_unique<FakeHandle>(http_);
    return Status::Ok();
  }
  Status OpenRequest(const std::wstring& method, const std::wstring& objectName,
                     std::unique_ptr<HttpRequest>* request) override {
    http_.method = method;
    http_.objectName = objectName;
    *request = std::make_unique<FakeHandle>(http_);
    return Status::Ok();
  }
  Status Send() override { return Status::Ok(); }
  Status ReceiveResponse() override { return Result(FakeHttp::Step::kReceiveResponse); }
  Status QueryStatusCode(uint32_t* status) override {
    *status = http_.status;
    return Status::Ok();
  }
  Status QueryDataAvailable(uint32_t* bytes) override {
    if (http_.Fails(FakeHttp::Step::kQueryDataAvailable, piece_)) return kFailed;
    *bytes = static_cast<uint32_t>(piece_ < http_.pieces.size() ? Rest().size() : 0);
    return Status::Ok();
  }
  Status ReadData(uint32_t capacity, std::vector<uint8_t>* data, uint32_t* bytesRead) override {
    if (http_.Fails(FakeHttp::Step::kReadData, piece_)) return kFailed;
    const std::string taken =
        piece_ < http_.pieces.size() ? Rest().substr(0, capacity) : std::string();
    data->insert(data->end(), taken.begin(), taken.end());
    *bytesRead = static_cast<uint32_t>(taken.size());
    offset_ += taken.size();
    if (piece_ < http_.pieces.size() && Rest().empty()) ++piece_, offset_ = 0;
    return Status::Ok();
  }

 private:
  Status Result(FakeHttp::Step step) const { return http_.Fails(step) ? kFailed : Status::Ok(); }
  std::string Rest() const { return http_.pieces[piece_].substr(offset_); }
  FakeHttp& http_;
  size_t piece_ = 0, offset_ = 0;
};

}  // namespace

Status FakeHttp::Open(const std::wstring& agent, std::unique_ptr<HttpSession>* session) {
  userAgent = agent;
  if (Fails(Step::kOpen)) return kFailed;
  *session = std::make_unique<FakeHandle>(*this);
  return Status::Ok();
}

}  // namespace vantrel::testing
