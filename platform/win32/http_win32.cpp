#include "platform/win32/http_win32.h"

#include <windows.h>
#include <winhttp.h>

#include <utility>

#include "platform/win32/last_error.h"
#include "platform/win32/scoped_handle_winhttp.h"

namespace vantrel {
namespace {

// One WinHTTP handle that keeps its parent's alive. Whatever order the
// caller drops the port objects in, the handles close child first: request,
// connection, session.
struct InternetNode {
  InternetNode(std::shared_ptr<InternetNode> p, win32::unique_winhttp_hinternet h)
      : parent(std::move(p)), handle(std::move(h)) {}
  std::shared_ptr<InternetNode> parent;  // declared first, so released last
  win32::unique_winhttp_hinternet handle;
};

// Wraps a fresh handle in the port object `Port`; the call's error when it
// failed, and the handle closed when memory ran out.
template <typename Port, typename Base>
Status Wrap(std::shared_ptr<InternetNode> parent, HINTERNET handle, std::unique_ptr<Base>* port) {
  win32::unique_winhttp_hinternet owned(handle);
  if (!owned) return LastErrorStatus();
  return CatchToStatus(kWin32NoMemory, [&] {
    *port =
        std::make_unique<Port>(std::make_shared<InternetNode>(std::move(parent), std::move(owned)));
    return Status::Ok();
  });
}

class Win32HttpRequest : public HttpRequest {
 public:
  explicit Win32HttpRequest(std::shared_ptr<InternetNode> node) : node_(std::move(node)) {}

  Status Send() override {
    return StatusFromBool(::WinHttpSendRequest(node_->handle.get(), WINHTTP_NO_ADDITIONAL_HEADERS,
                                               0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0));
  }

  Status ReceiveResponse() override {
    return StatusFromBool(::WinHttpReceiveResponse(node_->handle.get(), nullptr));
  }

  Status QueryStatusCode(uint32_t* status) override {
    DWORD code = 0;
    DWORD size = sizeof(code);
    if (!::WinHttpQueryHeaders(
            node_->handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
            WINHTTP_HEADER_NAME_BY_INDEX, &code, &size, WINHTTP_NO_HEADER_INDEX)) {
      return LastErrorStatus();
    }
    *status = code;
    return Status::Ok();
  }

  Status QueryDataAvailable(uint32_t* bytes) override {
    DWORD available = 0;
    if (!::WinHttpQueryDataAvailable(node_->handle.get(), &available)) return LastErrorStatus();
    *bytes = available;
    return Status::Ok();
  }

  Status ReadData(uint32_t capacity, std::vector<uint8_t>* data, uint32_t* bytesRead) override {
    *bytesRead = 0;
    const size_t before = data->size();
    return CatchToStatus(kWin32NoMemory, [&] {
      data->resize(before + capacity);
      DWORD read = 0;
      const Status status = StatusFromBool(
          ::WinHttpReadData(node_->handle.get(), data->data() + before, capacity, &read));
      if (!status.ok() || read > capacity) read = 0;
      data->resize(before + read);
      *bytesRead = read;
      return status;
    });
  }

 private:
  std::shared_ptr<InternetNode> node_;
};

class Win32HttpConnection : public HttpConnection {
 public:
  explicit Win32HttpConnection(std::shared_ptr<InternetNode> node) : node_(std::move(node)) {}

  Status OpenRequest(const std::wstring& method, const std::wstring& objectName,
                     std::unique_ptr<HttpRequest>* request) override {
    return Wrap<Win32HttpRequest>(
        node_,
        ::WinHttpOpenRequest(node_->handle.get(), method.c_str(), objectName.c_str(), nullptr,
                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0),
        request);
  }

 private:
  std::shared_ptr<InternetNode> node_;
};

class Win32HttpSession : public HttpSession {
 public:
  explicit Win32HttpSession(std::shared_ptr<InternetNode> node) : node_(std::move(node)) {}

  Status Connect(const std::wstring& host, uint16_t port,
                 std::unique_ptr<HttpConnection>* connection) override {
    return Wrap<Win32HttpConnection>(
        node_, ::WinHttpConnect(node_->handle.get(), host.c_str(), port, 0), connection);
  }

 private:
  std::shared_ptr<InternetNode> node_;
};

}  // namespace

Status Win32Http::Open(const std::wstring& userAgent, std::unique_ptr<HttpSession>* session) {
  return Wrap<Win32HttpSession>(nullptr,
                                ::WinHttpOpen(userAgent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY,
                                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0),
                                session);
}

}  // namespace vantrel
