// A scripted WinHTTP: one reply (status code and body pieces) and a failure
// at a chosen step of the exchange, with a record of what was asked and of
// the handles still open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/http.h"

namespace vantrel::testing {

class FakeHttp : public Http {
 public:
  enum class Step {
    kNone,
    kOpen,
    kReceiveResponse,
    kQueryDataAvailable,  // at the piece `failAtPiece`
    kReadData,            // at the piece `failAtPiece`
  };

  Status Open(const std::wstring& userAgent, std::unique_ptr<HttpSession>* session) override;

  // The reply. Each piece is what one availability query reports; a read
  // takes at most the rest of the current piece.
  uint32_t status = 200;
  std::vector<std::string> pieces;
  Step failAt = Step::kNone;
  size_t failAtPiece = 0;

  // Record.
  std::wstring userAgent, host, method, objectName;
  uint16_t port = 0;
  int openHandles = 0;

  bool Fails(Step step, size_t piece = 0) const {
    return failAt == step && (step < Step::kQueryDataAvailable || piece == failAtPiece);
  }
};

}  // namespace vantrel::testing
