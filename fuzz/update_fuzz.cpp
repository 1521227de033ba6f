// The update check over any reply: status, body pieces of any length and a
// failure at any step. Every handle is closed, and the download is offered
// only for a 200 reply whose body starts with a dotted version.
#include <algorithm>
#include <numeric>

#include "config/update_check.h"
#include "fuzz/fuzz_input.h"
#include "tests/fakes/fake_config_program.h"
#include "tests/fakes/fake_dialog.h"

using namespace vantrel;
using namespace vantrel::testing;

// Field 0: the status (decimal). Field 1: the port call that fails (first
// byte less one, none for 0) and 'y' to accept the offer (third byte).
// Further fields: the body as the availability queries report it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> fields = Fields(data, size);
  fields.resize(std::max<size_t>(fields.size(), 2));
  UserReplies replies;
  FakeDialog dialog(replies);
  FakeConfigProgram program(dialog);
  FakeHttp& http = program.http;
  http.status = static_cast<uint32_t>(std::strtoul(fields[0].c_str(), nullptr, 10));
  const std::string control = fields[1] + "   ";
  http.failAtCall = static_cast<uint8_t>(control[0]) - 1;
  if (control[2] == 'y') replies.answers.push_back(true);
  http.pieces.assign(fields.begin() + 2, fields.end());

  CheckForUpdate(program.ports);
  FUZZ_CHECK(http.openHandles == 0);

  // The body ends at the first empty piece (no more data) or at the cap.
  std::string body =
      std::accumulate(http.pieces.begin(), std::ranges::find(http.pieces, ""), std::string());
  body.resize(std::min<size_t>(body.size(), kMaxReplyBytes));
  const std::string version = LeadingVersion(body);
  FUZZ_CHECK(body.compare(0, version.size(), version) == 0);
  FUZZ_CHECK(version.find_first_not_of("0123456789.") == std::string::npos);
  if (!replies.boxes.empty()) FUZZ_CHECK(http.status == 200 && version.find('.') != version.npos);
  return 0;
}
