#include "service/win32/host_ports_win32.h"

#include <utility>

#include "platform/win32/service_status_win32.h"

namespace vantrel {

namespace {
// Relative, in 100-ns units: the first tick 10 s after arming.
constexpr LONGLONG kFirstTickDue = -100000000LL;
constexpr LONG kTickPeriodMs = 10000;
}  // namespace

std::unique_ptr<Win32TickTimer> Win32TickTimer::Create() {
  // Auto-reset, not manual-reset: nothing waits on this handle, only its
  // completion routine matters, and Windows queues the routine every period
  // whatever the reset type. Wine honours the period only for auto-reset
  // timers; a manual-reset one fires once there.
  unique_handle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
  if (!timer) return nullptr;
  HANDLE thread = nullptr;
  // A real handle to this (the service) thread, for QueueUserAPC from the
  // control thread.
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread,
                       THREAD_SET_CONTEXT, FALSE, 0)) {
    thread = nullptr;
  }
  return std::unique_ptr<Win32TickTimer>(
      new Win32TickTimer(std::move(timer), unique_handle(thread), GetCurrentThreadId()));
}

Win32TickTimer::Win32TickTimer(unique_handle timer, unique_handle serviceThread,
                               DWORD serviceThreadId)
    : state_(std::make_shared<State>()),
      serviceThread_(std::move(serviceThread)),
      serviceThreadId_(serviceThreadId) {
  state_->timer = std::move(timer);
}

Win32TickTimer::~Win32TickTimer() {
  std::lock_guard lock(state_->mutex);
  state_->timer.reset();
  state_->context = nullptr;
}

void Win32TickTimer::SetTimerLocked(State& state) {
  if (!state.timer || !state.context) return;
  LARGE_INTEGER due;
  due.QuadPart = kFirstTickDue;
  SetWaitableTimer(state.timer.get(), &due, kTickPeriodMs, OnTimerTick, state.context, FALSE);
}

void CALLBACK Win32TickTimer::ArmOnServiceThread(ULONG_PTR parameter) {
  std::unique_ptr<std::shared_ptr<State>> state(
      reinterpret_cast<std::shared_ptr<State>*>(parameter));
  std::lock_guard lock((*state)->mutex);
  SetTimerLocked(**state);
}

void Win32TickTimer::Arm(ServiceContext& context) {
  std::unique_lock lock(state_->mutex);
  state_->context = &context;
  if (GetCurrentThreadId() == serviceThreadId_ || !serviceThread_) {
    SetTimerLocked(*state_);
    return;
  }
  lock.unlock();
  auto parameter = std::make_unique<std::shared_ptr<State>>(state_);
  if (QueueUserAPC(ArmOnServiceThread, serviceThread_.get(),
                   reinterpret_cast<ULONG_PTR>(parameter.get()))) {
    parameter.release();
  }
}

void Win32TickTimer::Cancel() {
  std::lock_guard lock(state_->mutex);
  // Also disarms an arming APC still queued, so a pause that follows a
  // continue closely is not undone by it.
  state_->context = nullptr;
  if (state_->timer) CancelWaitableTimer(state_->timer.get());
}

std::unique_ptr<Win32StopEvent> Win32StopEvent::Create() {
  unique_handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event) return nullptr;
  return std::unique_ptr<Win32StopEvent>(new Win32StopEvent(std::move(event)));
}

void Win32StopEvent::Set() { SetEvent(event_.get()); }

StopEvent::WaitResult Win32StopEvent::WaitAlertable() {
  return WaitForSingleObjectEx(event_.get(), INFINITE, TRUE) == WAIT_IO_COMPLETION
             ? WaitResult::kIoCompletion
             : WaitResult::kEnded;
}

void Win32StatusReporter::Report(const ServiceStatus& status) {
  SERVICE_STATUS s = win32::ToWin32(status);
  SetServiceStatus(handle_, &s);
}

std::unique_ptr<StatusReporter> Win32ControlRegistration::RegisterHandler(ServiceContext& context) {
  SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExW(L"Vantrel", handler_, &context);
  if (!handle) return nullptr;
  return std::make_unique<Win32StatusReporter>(handle);
}

}  // namespace vantrel
