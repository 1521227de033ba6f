#include "service/service_entry.h"

#include <optional>
#include <string_view>

#include "platform/text.h"
#include "service/events.h"
#include "service/log.h"

namespace vantrel {

bool IsDebugCommandLine(const std::vector<std::wstring>& argv) {
  for (const auto& arg : argv) {
    if (EqualsIgnoringAsciiCase(arg, L"debug")) return true;
  }
  return false;
}

PreviewForm PreviewCommandLine(const std::vector<std::wstring>& argv) {
  if (argv.size() < 2 || argv.size() > 3 || !EqualsIgnoringAsciiCase(argv[1], L"preview"))
    return PreviewForm::kNone;
  if (argv.size() == 2) return PreviewForm::kText;
  return EqualsIgnoringAsciiCase(argv[2], L"--json") ? PreviewForm::kJson : PreviewForm::kNone;
}

bool HasWithLogParameter(const std::vector<std::wstring>& args) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (EqualsIgnoringAsciiCase(args[i], L"withlog")) return true;
  }
  return false;
}

void RunServiceMain(const std::vector<std::wstring>& args, HostPlatform& platform,
                    ControlRegistration& registration, CheckPointCounter& checkPoints,
                    ControlGate& gate) {
  if (HasWithLogParameter(args)) logEnabled = true;

  std::optional<ServiceContext> context;
  try {
    context.emplace(platform, checkPoints);
  } catch (...) {
    // Reported once the handler is registered, in the usual order.
  }
  auto statusHandle = registration.RegisterHandler(gate);
  if (!statusHandle) {
    // Without a handler nothing could stop the run or hear of it; leaving
    // at once lets the dispatcher end the process.
    return;
  }
  if (!context) {
    // No context, so the gate stays closed; the manager still hears that the
    // service stopped, and why, so its restart-on-failure actions apply.
    ServiceContext::ReportStatus(*statusHandle, checkPoints, service_state::kStartPending, 0, 0,
                                 3000);
    RecordEvent(event_id::kServiceFailed, {std::to_wstring(win32_error::kExceptionInService)});
    ServiceContext::ReportStatus(*statusHandle, checkPoints, service_state::kStopped,
                                 kAcceptedControls, win32_error::kExceptionInService, 0);
    return;
  }
  context->SetStatusHandle(std::move(statusHandle));
  // Opened once the context can report (until then only an interrogation
  // could come, and it needs nothing); closed on every way out, before the
  // context goes.
  gate.Open(*context);
  struct CloseGate {
    ControlGate& gate;
    ~CloseGate() { gate.Close(); }
  } closeGate{gate};
  context->ReportStatus(service_state::kStartPending, 0, 0, 3000);

  if (context->StartError() != 0) {
    RecordEvent(event_id::kServiceFailed, {std::to_wstring(context->StartError())});
    context->ReportStatus(service_state::kStopped, kAcceptedControls, context->StartError(), 0);
    return;
  }

  uint32_t exitCode = 0;
  try {
    context->ArmTimer();
    context->WatchPrinterAdditions();
    context->WatchSettings();
    context->ReportStatus(service_state::kRunning, kAcceptedControls, 0, 0);
    RecordEvent(event_id::kServiceStarted, {L"" VANTREL_PRODUCT_VERSION});
    exitCode = context->WaitForStop();
  } catch (...) {
    // The manager must still hear that the service stopped, and why.
    exitCode = win32_error::kExceptionInService;
  }
  // A control still being handled finishes first, so the stopped report is
  // the last one the manager sees.
  gate.Close();
  // Before the report: once the manager hears of the stop, it may end the
  // process.
  if (exitCode == 0)
    RecordEvent(event_id::kServiceStopped);
  else
    RecordEvent(event_id::kServiceFailed, {std::to_wstring(exitCode)});
  context->ReportStatus(service_state::kStopped, kAcceptedControls, exitCode, 0);
}

uint32_t RunDebugWork(HostPlatform& platform) {
  try {
    ServiceContext context(platform);
    if (context.StartError() == 0) {
      context.ArmTimer();
      context.WatchPrinterAdditions();
      context.WatchSettings();
    }
    return context.WaitForStop();
  } catch (...) {
    return win32_error::kExceptionInService;
  }
}

}  // namespace vantrel
