#include "service/recovery.h"

#include <memory>

#include "platform/product.h"
#include "platform/text.h"

namespace vantrel {

FailureActions ServiceFailureActions() {
  constexpr uint32_t kMinute = 60 * 1000;
  FailureActions actions;
  actions.resetPeriodSeconds = 24 * 60 * 60;
  actions.actions = {{failure_action::kRestart, kMinute},
                     {failure_action::kRestart, kMinute},
                     {failure_action::kRestart, 5 * kMinute}};
  return actions;
}

std::wstring QuotedImagePath(const std::wstring& path) {
  // Only a bare program path: one with arguments is left as registered.
  const bool bare =
      path.size() > 4 && EqualsIgnoringAsciiCase(path.substr(path.size() - 4), L".exe");
  if (!bare || path.front() == L'"' || path.find(L' ') == std::wstring::npos) return L"";
  return L"\"" + path + L"\"";
}

bool IsRecoveryCommandLine(const std::vector<std::wstring>& argv) {
  return argv.size() == 2 && argv[1] == L"recovery";
}

uint32_t ApplyServiceFailureActions(ServiceManager& scm) {
  std::unique_ptr<ServiceManagerHandle> manager;
  Status status = scm.Open(scm_access::kManagerConnect, &manager);
  // The manager refuses restart actions without the right to start.
  std::unique_ptr<ServiceHandle> service;
  if (status.ok())
    status = manager->OpenByName(kServiceName,
                                 scm_access::kServiceQueryConfig |
                                     scm_access::kServiceChangeConfig | scm_access::kServiceStart,
                                 &service);
  if (status.ok())
    status = CatchToStatus(kWin32NoMemory,
                           [&] { return service->SetFailureActions(ServiceFailureActions()); });
  if (status.ok()) {
    status = service->SetFailureActionsOnErrorExit(true);
    // Wine 8 does not know this flag and answers ERROR_INVALID_LEVEL; the
    // actions themselves are set.
    if (status.code() == win32_error::kInvalidLevel) status = Status::Ok();
  }
  // Windows Installer registers the path quoted; Wine's does not.
  std::wstring path;
  if (status.ok())
    status = CatchToStatus(kWin32NoMemory, [&] { return service->QueryImagePath(&path); });
  if (status.ok())
    status = CatchToStatus(kWin32NoMemory, [&] {
      const std::wstring quoted = QuotedImagePath(path);
      // The package's dependencies, given again since Wine drops them.
      return quoted.empty() ? Status::Ok()
                            : service->SetImagePath(quoted, {L"Winmgmt", L"Spooler"});
    });
  return static_cast<uint32_t>(status.code());
}

}  // namespace vantrel
