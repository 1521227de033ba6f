// WinHTTP, synchronous, without a proxy and without time-outs of its own.
#pragma once

#include "platform/http.h"

namespace vantrel {

class Win32Http : public Http {
 public:
  Win32Http() = default;
  Status Open(const std::wstring& userAgent, std::unique_ptr<HttpSession>* session) override;
};

}  // namespace vantrel
