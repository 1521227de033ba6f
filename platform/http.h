// WinHTTP as the update check uses it: one synchronous GET over plain HTTP.
// Status codes are Win32 error codes (WinHTTP's own are among them).
// Adapter: platform/win32/http_win32.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace vantrel {

class HttpRequest {
 public:
  virtual ~HttpRequest() = default;
  // WinHttpSendRequest(no headers, no body).
  virtual Status Send() = 0;
  // WinHttpReceiveResponse.
  virtual Status ReceiveResponse() = 0;
  // WinHttpQueryHeaders(WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER).
  virtual Status QueryStatusCode(uint32_t* status) = 0;
  // WinHttpQueryDataAvailable.
  virtual Status QueryDataAvailable(uint32_t* bytes) = 0;
  // WinHttpReadData of at most `capacity` bytes, appended to `*data`;
  // `*bytesRead` 0 means the body has ended.
  virtual Status ReadData(uint32_t capacity, std::vector<uint8_t>* data, uint32_t* bytesRead) = 0;
};

// Each handle keeps its parent's alive, so the port objects may be dropped
// in any order.
class HttpConnection {
 public:
  virtual ~HttpConnection() = default;
  // WinHttpOpenRequest(method, objectName, default version, no referrer,
  // default accept types, flags 0).
  virtual Status OpenRequest(const std::wstring& method, const std::wstring& objectName,
                             std::unique_ptr<HttpRequest>* request) = 0;
};

class HttpSession {
 public:
  virtual ~HttpSession() = default;
  // WinHttpConnect(session, host, port, 0).
  virtual Status Connect(const std::wstring& host, uint16_t port,
                         std::unique_ptr<HttpConnection>* connection) = 0;
};

class Http {
 public:
  virtual ~Http() = default;
  // WinHttpOpen(userAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, no proxy name, no
  // bypass, flags 0 (synchronous)).
  virtual Status Open(const std::wstring& userAgent, std::unique_ptr<HttpSession>* session) = 0;
};

}  // namespace vantrel
