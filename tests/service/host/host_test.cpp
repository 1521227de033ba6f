// The service host over fakes of its ports. The fakes and the log write into
// one journal, so a test compares a single transcript of the engine, timer,
// event, status channel and log in their order; log lines end in "\n".
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <regex>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "service/events.h"
#include "service/log.h"
#include "service/service_entry.h"
#include "settings/settings.h"
#include "tests/fakes/fake_registry.h"

namespace vantrel::testing {
namespace {

using Step = std::function<void()>;

struct Journal : LogSink, EventSink {
  bool Open() override { return true; }
  void WriteAndFlush(const std::wstring& text) override { Add(text); }
  void Report(uint32_t id, const std::vector<std::wstring>& strings) override {
    std::wstring entry = L"event " + std::to_wstring(id);
    for (const std::wstring& s : strings) entry += L" " + s;
    Add(entry);
  }
  void Add(const std::wstring& entry) {
    std::lock_guard lock(mutex);
    text += (text.empty() ? L"" : L"; ") + entry;
  }
  std::mutex mutex;
  std::wstring text;
};

// The journal is owned by the log's slot; the events' slot forwards to it.
struct Events : EventSink {
  explicit Events(Journal& journal) : journal(journal) {}
  void Report(uint32_t id, const std::vector<std::wstring>& strings) override {
    journal.Report(id, strings);
  }
  Journal& journal;
};

// What the parts of a run do.
struct Knobs {
  Journal* journal = nullptr;  // the log's sink
  int64_t now = 1000;
  uint64_t nowMs = 0;      // the monotonic clock
  bool added = false;      // the step's wait ends with a printer added
  bool changed = false;    // the step's wait ends with a settings change,
  bool elsewhere = false;  // or with a notice of a missing key's sibling
  bool timesOut = false;   // the step's wait runs out: its time passes
  std::optional<Status> watchFailure, settingsWatchFailure;
  int rearmFailures = 0;
  std::optional<Status> eventFailure, timerFailure;  // no object, and this answer
  std::optional<Status> waitFailure;                 // every wait fails so
  bool engineThrows = false;
  int armFailures = 0;
  bool registrationFails = false;
  Step duringPass;
  // Each wait runs the next step, as a queued tick would run, and returns;
  // after the script it ends, or with `waitBlocks` waits for the stop.
  std::vector<Step> waitScript;
  bool waitBlocks = false;
  ServiceContext* armed = nullptr;  // the context the timer ticks for
};

// Every part a run owns, each instance in the one role it was made for.
// A limited wait shows as "wait <ms>", a report as "<state> <accepted, hex>
// <exit code> <check point> <wait hint>".
struct Part : PrinterEngine, TickTimer, StopEvent, StatusReporter {
  explicit Part(Knobs& k) : k(k) {}
  void RunRenamePass() override {
    if (k.duringPass) k.duringPass();
    k.journal->Add(L"pass");
  }
  void ForgetSession(uint32_t id) override { k.journal->Add(L"forget " + std::to_wstring(id)); }
  Status Arm(ServiceContext& context) override {
    k.journal->Add(k.armFailures > 0 ? L"arm refused" : L"armed");
    if (k.armFailures > 0) return Status(k.armFailures--);
    k.armed = &context;
    return Status::Ok();
  }
  void Cancel() override { k.journal->Add(L"cancel"); }
  void Set() override { k.journal->Add(L"stop"), set = true; }
  void Wake() override { k.journal->Add(L"wake"); }
  WaitResult WaitAlertable(uint32_t timeoutMs, Status* failure) override {
    if (timeoutMs != kInfinite) k.journal->Add(L"wait " + std::to_wstring(timeoutMs));
    if (k.waitFailure) return *failure = *k.waitFailure, WaitResult::kFailed;
    if (!set && next < k.waitScript.size()) {
      k.added = k.changed = k.elsewhere = k.timesOut = false;
      k.waitScript[next++]();
      if (k.timesOut && timeoutMs != kInfinite) k.nowMs += timeoutMs;
      return k.added      ? WaitResult::kPrinterAdded
             : k.changed  ? WaitResult::kSettingsChanged
             : k.timesOut ? WaitResult::kWoken
                          : WaitResult::kIoCompletion;
    }
    while (k.waitBlocks && !set) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return WaitResult::kEnded;
  }
  Status WatchPrinterAdditions() override {
    k.journal->Add(k.watchFailure ? L"watch refused" : L"watch");
    return k.watchFailure.value_or(Status::Ok());
  }
  Status WatchSettingsKey(const std::wstring&) override {
    if (k.settingsWatchFailure) k.journal->Add(L"settings watch refused");
    return k.settingsWatchFailure.value_or(Status::Ok());
  }
  Status RearmSettingsWatch(bool* aboutKey) override {
    *aboutKey = !k.elsewhere;
    return Status::Ok();
  }
  Status RearmPrinterAdditions() override {
    if (k.rearmFailures == 0) return Status::Ok();
    k.journal->Add(L"rearm refused");
    return Status(k.rearmFailures--);
  }
  void Report(const ServiceStatus& s) override {
    wchar_t text[64];
    swprintf(text, 64, L"%u %X %u %u %u", s.currentState, s.controlsAccepted, s.win32ExitCode,
             s.checkPoint, s.waitHint);
    k.journal->Add(text);
  }
  Knobs& k;
  std::atomic<bool> set = false;
  size_t next = 0;
};

struct Host : Knobs, HostPlatform, Clock, ControlRegistration {
  std::unique_ptr<PrinterEngine> CreateEngine() override {
    if (engineThrows) throw std::runtime_error("engine");
    return std::make_unique<Part>(*this);
  }
  Status CreateTickTimer(std::unique_ptr<TickTimer>* timer) override {
    if (timerFailure) return *timerFailure;
    *timer = std::make_unique<Part>(*this);
    return Status::Ok();
  }
  Status CreateStopEvent(std::unique_ptr<StopEvent>* event) override {
    if (eventFailure) return *eventFailure;
    *event = std::make_unique<Part>(*this);
    return Status::Ok();
  }
  std::unique_ptr<StatusReporter> RegisterHandler(ControlGate&) override {
    return registrationFails ? nullptr : std::make_unique<Part>(*this);
  }
  Clock& clock() override { return *this; }
  int64_t NowSeconds() override { return now; }
  uint64_t MonotonicMs() override { return nowMs; }
};

// The process-wide Settings over an in-memory registry; the log, off until
// a test or "withlog" turns it on, goes into the journal.
class HostTest : public ::testing::Test {
 protected:
  HostTest() {
    SetSettingsRegistry(&registry);
    ResetSettingsForTesting();
    SetLogSink(std::unique_ptr<LogSink>(host.journal = new Journal));
    SetEventSink(std::make_unique<Events>(*host.journal));
  }
  ~HostTest() override {
    logEnabled = false;
    SetEventSink(nullptr);
    SetLogSink(nullptr);
    SetSettingsRegistry(nullptr);
    ResetSettingsForTesting();
  }
  // A context made at `now`, the journal cleared.
  std::unique_ptr<ServiceContext> MakeContext(int64_t now) {
    host.now = now;
    auto context = std::make_unique<ServiceContext>(host, checkPoints);
    host.journal->text.clear();
    return context;
  }
  // A run in a fresh process: check points start at 1.
  void Run(const std::vector<std::wstring>& args) {
    CheckPointCounter fresh;
    RunServiceMain(args, host, host, fresh, gate);
  }
  void Control(uint32_t control, uint32_t eventType = 0) { gate.Handle(control, eventType, 3); }

  FakeRegistry registry;
  Host host;
  CheckPointCounter checkPoints;
  ControlGate gate;
};

// A pass within 300 s of the last logon (or before it, after the clock was
// set back), none until 18 000 s have passed, then a pass and the clock
// restarted. The tick's FILETIME loses its fraction of a second.
TEST_F(HostTest, TickPacing) {
  constexpr int64_t kEpoch = 116444736000000000;  // 1970-01-01 as a FILETIME
  // Seconds since the last logon; whether a pass runs; whether the clock restarts.
  const std::tuple<int64_t, bool, bool> cases[] = {{300, true, false},
                                                   {301, false, false},
                                                   {18000, false, false},
                                                   {18001, true, true},
                                                   {-100000, true, false}};
  for (const auto& [elapsed, pass, clockReset] : cases) {
    auto context = MakeContext(1000000);
    host.now = 2000000;  // "now" differs from the tick time on purpose
    const auto tick = static_cast<uint64_t>(kEpoch + (1000000 + elapsed) * 10000000 + 9999999);
    context->OnTimerTick(FileTimeToUnixSeconds(uint32_t(tick), uint32_t(tick >> 32)));
    EXPECT_EQ(host.journal->text, pass ? L"pass" : L"") << elapsed;
    EXPECT_EQ(context->LastLogonTime(), clockReset ? 2000000 : 1000000) << elapsed;
  }
}

// Session changes, interrogation and 200, each on a context of its own (stop,
// pause and continue are in the runs below). A logon or a remote connect
// restarts the session-activity clock; 200 reads the settings again; a code
// outside the table is answered with 120.
TEST_F(HostTest, Controls) {
  const struct {
    uint32_t control, eventType;
    std::optional<uint32_t> sessionId;
    const wchar_t* transcript;
    bool clockReset = false;
    uint32_t answer = 0;
  } cases[] = {
      {14, 3, 9, L"User logged in\n", true},  // remote connect
      {14, 5, 9, L"User logged in\n", true},  // log-on
      {14, 4, 7, L"User logged out.  Session: 7\n; forget 7"},
      {14, 6, 4294967295u, L"User logged out.  Session: -1\n; forget 4294967295"},
      {14, 6, std::nullopt, L""},  // no notification data: no session to forget
      {14, 7, 9, L""},             // lock
      {4, 0, {}, L""},
      {200, 0, {}, L"Loading configuration\n; event 1002 none"},
      {5, 0, {}, L"", false, 120},
      {201, 0, {}, L"", false, 120},
  };
  logEnabled = true;
  for (const auto& c : cases) {
    registry.SetString(RegistryRoot::kLocalMachine, kSettingsKeyPath, L"NamingFormat", L"old");
    auto context = MakeContext(100);
    registry.SetString(RegistryRoot::kLocalMachine, kSettingsKeyPath, L"NamingFormat", L"new");
    host.now = 20000;
    EXPECT_EQ(context->HandleControl(c.control, c.eventType, c.sessionId), c.answer) << c.control;
    EXPECT_EQ(host.journal->text, c.transcript) << c.control << "/" << c.eventType;
    EXPECT_EQ(context->LastLogonTime(), c.clockReset ? 20000 : 100) << c.eventType;
    EXPECT_EQ(GetSettings().NamingFormat, c.control == 200 ? L"new" : L"old") << c.control;
  }
}

// Whole runs. The full one: a tick; a pause, and a tick queued before it
// that must not run a pass; a continue whose arming the service thread does;
// a continue taken back by a pause before the service thread could arm; a
// stop while paused. Check points go on from start-pending's 1. A run that
// cannot go on reports STOPPED with a failure code, never 0, so that the
// manager restarts it; a debug run returns it. Printer additions: a burst
// settles into one pass (0.5 s after the last, at most 2 s after the first);
// none while paused, one after CONTINUE; an addition restarts the session
// window, and a failed re-arm is followed by reopening at the next tick;
// without the spooler's notice, ticks only. Settings changes settle the
// same way into one reload (a notice about another key reloads nothing); a
// watch that cannot be set is logged once and control 200 still reloads.
TEST_F(HostTest, Runs) {
  const std::wstring loaded = L"event 1002 none; ";
  const std::wstring logged = L"Loading configuration\n; " + loaded + L"User logged in\n; ";
  const std::wstring started = L"4 83 0 0 0; event 1000 " VANTREL_PRODUCT_VERSION;
  const std::wstring full =
      L"2 0 0 1 3000; armed; watch; " + started +
      L"; pass; 6 83 0 2 0; cancel; 7 83 0 3 0; 5 83 0 4 0; wake; "
      L"4 83 0 0 0; armed; 5 83 0 5 0; wake; 4 83 0 0 0; 6 83 0 6 0; cancel; 7 83 0 7 0; stop; "
      L"event 1001; 1 83 0 0 0";
  const std::vector<std::wstring> plain = {L"Vantrel"}, withLog = {L"Vantrel", L"WithLog"};
  auto throws = [&] { host.waitScript = {[] { throw std::runtime_error("tick"); }}; };
  auto refusesTwice = [&] {
    host.armFailures = 2;
    host.waitScript = {[] {}, [] {}, [&] { Control(1); }};
  };
  auto add = [&](uint64_t ms) -> Step { return [&, ms] { host.nowMs += ms, host.added = true; }; };
  auto change = [&](uint64_t ms) -> Step {
    return [&, ms] { host.nowMs += ms, host.changed = true; };
  };
  const Step idle = [&] { host.timesOut = true; }, stop = [&] { Control(1); };
  auto script = [&](std::vector<Step> steps) -> Step {
    return [&, steps] { host.waitScript = steps; };
  };
  const Step readdAfterRefusal = [&] { host.now = 5000, host.rearmFailures = 1, add(0)(); };
  const struct {
    std::vector<std::wstring> args;  // none: a debug run
    Step setUp;
    std::wstring transcript;
  } cases[] = {
      {withLog, {}, logged + full},
      // The service name is no parameter.
      {{L"withlog"},
       [&] { host.eventFailure = Status(1450); },
       loaded + L"2 0 0 1 3000; event 1300 1450; 1 83 1450 0 0"},
      {plain, [&] { host.eventFailure = Status(0); },
       loaded + L"2 0 0 1 3000; event 1300 31; 1 83 31 0 0"},
      {plain, [&] { host.timerFailure = Status(1450); },
       loaded + L"2 0 0 1 3000; event 1300 1450; 1 83 1450 0 0"},
      {plain, [&] { host.engineThrows = true; }, L"2 0 0 1 3000; event 1300 1064; 1 83 1064 0 0"},
      {plain, throws,
       loaded + L"2 0 0 1 3000; armed; watch; " + started + L"; event 1300 1064; 1 83 1064 0 0"},
      {plain, [&] { host.waitScript = {[&] { host.waitFailure = Status(6); }}; },
       loaded + L"2 0 0 1 3000; armed; watch; " + started + L"; event 1300 6; 1 83 6 0 0"},
      {plain, script({add(0), add(400), add(400), add(400), add(400), idle, stop}),
       loaded + L"2 0 0 1 3000; armed; watch; " + started +
           L"; wait 500; wait 500; wait 500; wait 500; wait 400; pass; stop; event 1001; "
           L"1 83 0 0 0"},
      {plain,
       script({change(0), change(300), change(300), change(600), change(600), idle,
               [&] { host.changed = host.elsewhere = true; }, stop}),
       loaded + L"2 0 0 1 3000; armed; watch; " + started +
           L"; wait 500; wait 500; wait 500; wait 500; wait 200; event 1002 none; stop; event "
           L"1001; "
           L"1 83 0 0 0"},
      {withLog,
       [&] {
         host.settingsWatchFailure = Status(5);
         host.waitScript = {[&] { Control(200); }, stop};
       },
       logged +
           L"2 0 0 1 3000; armed; watch; settings watch refused; settings watch refused; Settings "
           L"changes cannot be watched (5), so they apply on control 200 only\n; " +
           started + L"; Loading configuration\n; event 1002 none; stop; event 1001; 1 83 0 0 0"},
      {plain,
       script(
           {[&] { Control(2); }, add(0), [&] { host.nowMs += 5000; }, [&] { Control(3); }, stop}),
       loaded + L"2 0 0 1 3000; armed; watch; " + started +
           L"; 6 83 0 2 0; cancel; 7 83 0 3 0; 5 83 0 4 0; wake; 4 83 0 0 0; armed; pass; stop; "
           L"event 1001; 1 83 0 0 0"},
      {plain, script({readdAfterRefusal, idle, [&] { host.armed->OnTimerTick(5010); }, stop}),
       loaded + L"2 0 0 1 3000; armed; watch; " + started +
           L"; rearm refused; wait 500; pass; watch; pass; stop; event 1001; 1 83 0 0 0"},
      {withLog,
       [&] {
         host.watchFailure = Status(6);
         host.waitScript = {[&] { host.armed->OnTimerTick(1010); }, stop};
       },
       logged +
           L"2 0 0 1 3000; armed; watch refused; Printer additions cannot be watched (6), so "
           L"passes come on the ticks only\n; " +
           started + L"; pass; stop; event 1001; 1 83 0 0 0"},
      // Logged once, retried as limited waits end.
      {withLog, refusesTwice,
       logged +
           L"2 0 0 1 3000; arm refused; Could not set the tick timer; trying again\n; "
           L"watch; " +
           started + L"; wait 1000; arm refused; wait 1000; armed; stop; event 1001; 1 83 0 0 0"},
      {plain, [&] { host.registrationFails = true; }, L"event 1002 none"},  // leaves at once
      // debug: the same ticks, no controls, no reports
      {{}, {}, loaded + L"armed; watch; pass; pass; exit 0"},
      {{}, [&] { host.engineThrows = true; }, L"exit 1064"},
  };
  for (const auto& c : cases) {
    host.journal->text.clear();
    host.eventFailure.reset(), host.timerFailure.reset(), host.waitFailure.reset();
    host.armFailures = 0, host.registrationFails = false, host.engineThrows = false;
    host.watchFailure.reset(), host.settingsWatchFailure.reset();
    host.rearmFailures = 0, host.now = 1000;
    host.waitScript = {[&] { host.armed->OnTimerTick(1010); },
                       [&] { Control(2), host.armed->OnTimerTick(1020); }, [&] { Control(3); },
                       [&] { Control(3), Control(2); }, [&] { Control(1); }};
    if (c.setUp) c.setUp();
    logEnabled = false;
    if (c.args.empty())
      host.journal->Add(L"exit " + std::to_wstring(RunDebugWork(host)));
    else
      Run(c.args), Control(200);  // too late: the closed gate keeps it from the gone context
    // The log's lines show whether "withlog" turned it on.
    EXPECT_EQ(host.journal->text, c.transcript) << ::testing::PrintToString(c.args);
  }
}

// While a pass is blocked in the engine, every control returns within
// 500 ms (the pass holds on for 2 s). Then controls race the service thread's ticks, printer
// additions and passes (each pass copies the settings that 200 reloads); nothing acts after STOP,
// controls that keep coming while the run ends never reach the destroyed context, and STOPPED is
// the last report.
TEST_F(HostTest, ControlsNeverWaitForAPass) {
  host.waitBlocks = true;
  const std::pair<uint32_t, uint32_t> controls[] = {{2, 0}, {3, 0}, {200, 0}, {14, 5}, {14, 6}};
  auto sendControls = [&] {
    for (int i = 0; i < 100; ++i) {
      const auto start = std::chrono::steady_clock::now();
      Control(controls[i % 5].first, controls[i % 5].second);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    }
  };
  for (int round = 0; round < 10; ++round) {
    host.journal->text.clear();
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    int passes = 0;
    host.duringPass = [&] {
      const Settings copy = CopySettings();
      if (passes++ > 0) return;
      entered.set_value();
      // Bounded, so a control that waits for the pass fails the test
      // rather than hanging it.
      released.wait_for(std::chrono::seconds(2));
    };
    host.waitScript.clear();
    for (int i = 0; i < 50; ++i)
      host.waitScript.push_back(i % 3   ? Step([&] { host.armed->OnTimerTick(host.now); })
                                : i % 2 ? Step([&] { host.nowMs += 600, host.added = true; })
                                        : Step([&] { host.nowMs += 600, host.changed = true; }));
    auto run = std::async(std::launch::async, [&] { Run({L"Vantrel"}); });
    entered.get_future().wait();
    sendControls();
    release.set_value();
    sendControls();
    Control(1);
    while (run.wait_for(std::chrono::seconds(0)) != std::future_status::ready) Control(3);
    run.get();
    // A pass or a reload that had begun before the stop may still finish,
    // and a wait whose limit was chosen before it still begins (the stop
    // ends it).
    std::wstring tail = host.journal->text.substr(host.journal->text.find(L"stop"));
    tail = std::regex_replace(tail, std::wregex(L"(pass|wait \\d+|event 1002 none); "), L"");
    EXPECT_EQ(tail, L"stop; event 1001; 1 83 0 0 0");
  }
}

}  // namespace
}  // namespace vantrel::testing
