// Shared helpers of the adapter tests: where they run, who runs them, and a
// log sink that keeps what the engine writes.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vantrel::testing {

// True under Wine (ntdll exports wine_get_version there). Tests that meet a
// Wine limitation assert what Wine does and say so, and keep the Windows
// expectation for a real system.
bool RunningUnderWine();

// GetUserNameW: under Wine, the Linux user running the prefix.
std::wstring CurrentUserName();

#if VANTREL_TEST_ENGINE
// Installs a sink that records every message and switches the log on; the
// log is switched off again and the sink removed when the object goes.
class RecordedLog {
 public:
  RecordedLog();
  ~RecordedLog();
  RecordedLog(const RecordedLog&) = delete;
  RecordedLog& operator=(const RecordedLog&) = delete;

  const std::vector<std::wstring>& lines() const;
  bool Contains(const std::wstring& line) const;

 private:
  std::shared_ptr<std::vector<std::wstring>> lines_;
};
#endif

}  // namespace vantrel::testing
