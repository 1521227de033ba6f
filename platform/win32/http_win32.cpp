#include "platform/win32/http_win32.h"

#include <windows.h>
#include <winhttp.h>

#include <new>
#include <utility>

#include "platform/win32/scoped_handle.h"

namespace vantrel {
namespace {

// One WinHTTP handle that keeps its parent's alive. Whatever order the
// caller drops the port objects in, the handles close child first: request,
// connection, session.
struct InternetNode {
  InternetNode(std::shared_ptr<InternetNode> p, HINTERNET h) : parent(std::move(p)), handle(h) {}
  std::shared_ptr<InternetNode> parent;  // declared first, so released last
  win32::unique_hinternet handle;
};

// Wraps a fresh handle; null (with the handle closed) when the call failed or
// memory ran out.
std::shared_ptr<InternetNode> MakeNode(std::shared_ptr<InternetNode> parent, HINTERNET handle) {
  win32::unique_hinternet owned(handle);
  if (!owned) return nullptr;
  try {
    auto node = std::make_shared<InternetNode>(std::move(parent), nullptr);
    node->handle = std::move(owned);
    return node;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

class Win32HttpRequest : public HttpRequest {
 public:
  explicit Win32HttpRequest(std::shared_ptr<InternetNode> node) : node_(std::move(node)) {}

  bool Send() override {
    return ::WinHttpSendRequest(node_->handle.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                WINHTTP_NO_REQUEST_DATA, 0, 0, 0) != FALSE;
  }

  bool ReceiveResponse() override {
    return ::WinHttpReceiveResponse(node_->handle.get(), nullptr) != FALSE;
  }

  bool QueryStatusCode(uint32_t* status) override {
    DWORD code = 0;
    DWORD size = sizeof(code);
    if (!::WinHttpQueryHeaders(
            node_->handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
            WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
      return false;
    }
    *status = code;
    return true;
  }

  bool QueryDataAvailable(uint32_t* bytes) override {
    DWORD available = 0;
    if (!::WinHttpQueryDataAvailable(node_->handle.get(), &available)) return false;
    *bytes = available;
    return true;
  }

  bool ReadData(uint32_t capacity, std::vector<uint8_t>* data, uint32_t* bytesRead) override {
    *bytesRead = 0;
    const size_t before = data->size();
    try {
      data->resize(before + capacity);
    } catch (const std::bad_alloc&) {
      return false;
    }
    DWORD read = 0;
    const BOOL ok = ::WinHttpReadData(node_->handle.get(), data->data() + before, capacity, &read);
    if (!ok || read > capacity) read = 0;
    data->resize(before + read);
    *bytesRead = read;
    return ok != FALSE;
  }

 private:
  std::shared_ptr<InternetNode> node_;
};

class Win32HttpConnection : public HttpConnection {
 public:
  explicit Win32HttpConnection(std::shared_ptr<InternetNode> node) : node_(std::move(node)) {}

  std::unique_ptr<HttpRequest> OpenRequest(const std::wstring& method,
                                           const std::wstring& objectName) override {
    auto node = MakeNode(
        node_, ::WinHttpOpenRequest(node_->handle.get(), method.c_str(), objectName.c_str(),
                                    nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!node) return nullptr;
    try {
      return std::make_unique<Win32HttpRequest>(std::move(node));
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }

 private:
  std::shared_ptr<InternetNode> node_;
};

class Win32HttpSession : public HttpSession {
 public:
  explicit Win32HttpSession(std::shared_ptr<InternetNode> node) : node_(std::move(node)) {}

  std::unique_ptr<HttpConnection> Connect(const std::wstring& host, uint16_t port) override {
    auto node = MakeNode(node_, ::WinHttpConnect(node_->handle.get(), host.c_str(), port, 0));
    if (!node) return nullptr;
    try {
      return std::make_unique<Win32HttpConnection>(std::move(node));
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }

 private:
  std::shared_ptr<InternetNode> node_;
};

}  // namespace

std::unique_ptr<HttpSession> Win32Http::Open(const std::wstring& userAgent) {
  auto node = MakeNode(nullptr, ::WinHttpOpen(userAgent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY,
                                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!node) return nullptr;
  try {
    return std::make_unique<Win32HttpSession>(std::move(node));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace vantrel
