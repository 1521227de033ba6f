#include "service/service_entry.h"

#include <string_view>

#include "service/log.h"

namespace vantrel {

namespace {
// Only ASCII letters fold: both keywords are ASCII, so nothing else could
// match them.
bool EqualsIgnoringCase(std::wstring_view text, std::wstring_view keyword) {
  if (text.size() != keyword.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != keyword[i]) return false;
  }
  return true;
}
}  // namespace

bool IsDebugCommandLine(const std::vector<std::wstring>& argv) {
  for (const auto& arg : argv) {
    if (EqualsIgnoringCase(arg, L"debug")) return true;
  }
  return false;
}

bool HasWithLogParameter(const std::vector<std::wstring>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (EqualsIgnoringCase(args[i], L"withlog")) return true;
  }
  return false;
}

void RunServiceMain(const std::vector<std::wstring>& args, HostPlatform& platform,
                    ControlRegistration& registration, CheckPointCounter& checkPoints) {
  if (HasWithLogParameter(args)) logEnabled = true;

  ServiceContext context(platform, checkPoints);
  auto statusHandle = registration.RegisterHandler(context);
  if (!statusHandle) {
    // Without a handler nothing could stop the run or hear of it; leaving
    // at once lets the dispatcher end the process.
    return;
  }
  context.SetStatusHandle(std::move(statusHandle));
  context.ReportStatus(service_state::kStartPending, 0, 0, 3000);

  if (!context.HasStopEvent()) {
    context.ReportStatus(service_state::kStopped, kAcceptedControls, registration.LastError(), 0);
    return;
  }

  context.ArmTimer();
  context.ReportStatus(service_state::kRunning, kAcceptedControls, 0, 0);
  context.WaitForStop();
  context.ReportStatus(service_state::kStopped, kAcceptedControls, 0, 0);
}

uint32_t RunDebugWork(HostPlatform& platform) {
  ServiceContext context(platform);
  context.ArmTimer();
  context.WaitForStop();
  return 0;
}

}  // namespace vantrel
