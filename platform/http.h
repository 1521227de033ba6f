// WinHTTP as the update check uses it: one synchronous GET over plain HTTP.
// Adapter: platform/win32/http_win32.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

class HttpRequest {
 public:
  virtual ~HttpRequest() = default;
  // WinHttpSendRequest(no headers, no body).
  virtual bool Send() = 0;
  // WinHttpReceiveResponse.
  virtual bool ReceiveResponse() = 0;
  // WinHttpQueryHeaders(WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER).
  virtual bool QueryStatusCode(uint32_t* status) = 0;
  // WinHttpQueryDataAvailable.
  virtual bool QueryDataAvailable(uint32_t* bytes) = 0;
  // WinHttpReadData of at most `capacity` bytes, appended to `*data`;
  // `*bytesRead` 0 means the body has ended.
  virtual bool ReadData(uint32_t capacity, std::vector<uint8_t>* data, uint32_t* bytesRead) = 0;
};

class HttpConnection {
 public:
  virtual ~HttpConnection() = default;
  // WinHttpOpenRequest(method, objectName, default version, no referrer,
  // default accept types, flags 0).
  virtual std::unique_ptr<HttpRequest> OpenRequest(const std::wstring& method,
                                                   const std::wstring& objectName) = 0;
};

class HttpSession {
 public:
  virtual ~HttpSession() = default;
  // WinHttpConnect(session, host, port, 0).
  virtual std::unique_ptr<HttpConnection> Connect(const std::wstring& host, uint16_t port) = 0;
};

class Http {
 public:
  virtual ~Http() = default;
  // WinHttpOpen(userAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, no proxy name, no
  // bypass, flags 0 (synchronous)).
  virtual std::unique_ptr<HttpSession> Open(const std::wstring& userAgent) = 0;
};

}  // namespace vantrel
