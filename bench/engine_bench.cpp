// The rename pass over an in-memory terminal server with logging off: how a pass
// scales with the number of printers, what the OnlyUseRegex filter costs,
// and that a tick outside the active window touches no platform service.
// Exits non-zero when a target is missed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_server.h"
#include "service/engine/printers.h"
#include "service/engine/rename_pass.h"
#include "service/log.h"
#include "service/service_context.h"
#include "settings/settings.h"

namespace vantrel {
namespace {

constexpr int kSessions = 500;

void ConfigureSettings(bool onlyUseRegex) {
  Settings& settings = GetSettings();
  settings.NamingFormat = L"%printername% for %username%";
  settings.StripParens = false;
  settings.OnlyRenTS = true;
  settings.OnlyUseRegex = onlyUseRegex;
  settings.RenameRegex = L"in [Ss]ession [0-9]+";
}

// A terminal server with `printerCount` redirected printers spread over the
// sessions, and the engine connected to it.
struct Server : bench::BenchServer {
  explicit Server(int printerCount) {
    for (int s = 1; s <= kSessions; ++s)
      AddUser(static_cast<uint32_t>(s), L"user" + std::to_wstring(s),
              L"S-1-5-21-100-200-300-" + std::to_wstring(1000 + s));
    for (int i = 0; i < printerCount; ++i) {
      const int session = 1 + i % kSessions;
      AddPrinter(L"Printer " + std::to_wstring(i) + L" (from CLIENT) in session " +
                     std::to_wstring(session),
                 L"Generic");
    }
    printers = std::make_unique<Printers>(ports);
  }

  int PlatformCalls() const { return calls; }

  std::unique_ptr<Printers> printers;
};

bool passRenamedAll = true;

void BM_RenamePass(benchmark::State& state) {
  const int printerCount = static_cast<int>(state.range(0));
  ConfigureSettings(state.range(1) != 0);
  int renamed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto server = std::make_unique<Server>(printerCount);
    state.ResumeTiming();
    server->printers->RunRenamePass();
    state.PauseTiming();
    renamed = 0;
    for (const auto& [session, names] : server->printers->RenamedBySession())
      renamed += static_cast<int>(names.size());
    if (renamed != printerCount) passRenamedAll = false;
    server.reset();
    state.ResumeTiming();
  }
  state.counters["renamed"] = renamed;
}
BENCHMARK(BM_RenamePass)
    ->ArgNames({"printers", "regex"})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({2000, 0})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3)
    ->Repetitions(5);

// The filter alone over 1000 names: one pattern for the pass (as the engine
// does) against compiling it again for each printer.
void BM_Filter(benchmark::State& state) {
  ConfigureSettings(true);
  const bool perPass = state.range(0) != 0;
  std::vector<std::wstring> names;
  for (int i = 0; i < 1000; ++i)
    names.push_back(L"Printer " + std::to_wstring(i) + L" (from CLIENT) in session " +
                    std::to_wstring(1 + i % kSessions));
  for (auto _ : state) {
    RenamePattern shared(GetSettings().RenameRegex);
    int matched = 0;
    for (const std::wstring& name : names) {
      if (perPass) {
        matched += IsPrinterOfInterest(GetSettings(), shared, name);
      } else {
        RenamePattern fresh(GetSettings().RenameRegex);
        matched += IsPrinterOfInterest(GetSettings(), fresh, name);
      }
    }
    benchmark::DoNotOptimize(matched);
  }
}
BENCHMARK(BM_Filter)->ArgName("compiled_once")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

class FixedClock : public Clock {
 public:
  int64_t NowSeconds() override { return kNow; }
  uint64_t MonotonicMs() override { return 0; }
  static constexpr int64_t kNow = 1700000000;
};

class BenchHost : public HostPlatform {
 public:
  explicit BenchHost(Server& server) : server_(server) {}
  std::unique_ptr<PrinterEngine> CreateEngine() override {
    return std::make_unique<Printers>(server_.ports);
  }
  Status CreateTickTimer(std::unique_ptr<TickTimer>*) override {
    return Status(win32_error::kGenFailure);
  }
  Status CreateStopEvent(std::unique_ptr<StopEvent>*) override {
    return Status(win32_error::kGenFailure);
  }
  Clock& clock() override { return clock_; }

 private:
  Server& server_;
  FixedClock clock_;
};

int callsOutsideWindow = -1;

void BM_TickOutsideWindow(benchmark::State& state) {
  ConfigureSettings(false);
  Server server(1000);
  BenchHost host(server);
  ServiceContext context(host);
  const int before = server.PlatformCalls();
  for (auto _ : state) context.OnTimerTick(FixedClock::kNow + 1000);
  callsOutsideWindow = server.PlatformCalls() - before;
  state.counters["platform_calls"] = callsOutsideWindow;
}
BENCHMARK(BM_TickOutsideWindow);

// 2,000 printers in 500 sessions: the first pass renames them all; the
// second, whose query cannot name them all within WMI's limit, renames none.
bool ReportScale() {
  ConfigureSettings(false);
  Server server(2000);
  server.printers->RunRenamePass();
  size_t renamed = 0;
  for (const auto& [session, names] : server.printers->RenamedBySession()) renamed += names.size();
  const int renamesBefore = server.renames;
  server.printers->RunRenamePass();
  size_t longest = 0;
  for (const std::wstring& query : server.queries) longest = std::max(longest, query.size());
  std::printf("%-48s %zu\n", "first pass renames (of 2000)", renamed);
  std::printf("longest query: %zu characters\n", longest);
  std::printf("second pass renames: %d\n", server.renames - renamesBefore);
  return renamed == 2000;
}

// A client printer name made for a backtracking matcher: every split of the
// run of "a" into words is tried before the "_" fails the match. Best of a
// few runs, each compiling the pattern as a pass does.
double HostileNameMilliseconds() {
  ConfigureSettings(true);
  GetSettings().RenameRegex = L"^([A-Za-z0-9]+ ?)+\\(redirected [0-9]+\\)$";
  const std::wstring name = std::wstring(244, L'a') + L"_ (redirected 3)";
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    RenamePattern pattern(GetSettings().RenameRegex);
    const auto start = std::chrono::steady_clock::now();
    const bool matched = pattern.Search(name);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (matched) return 1e9;  // a wrong answer misses the target too
    best = std::min(best, took.count());
  }
  return best;
}

// A log-on's printers arriving in simulated time: the service context runs
// over a simulated wait, timer and clock, with the bench server's engine.
// Five printers arrive 0.5 s apart, the first just after a tick (the ticks'
// worst case). Measures, per printer, the time from its arrival to the end
// of the pass that renamed it; passes take no simulated time.
class ArrivalRun : public HostPlatform, public Clock {
 public:
  static constexpr uint64_t kNever = UINT64_MAX;
  static constexpr int64_t kStartSeconds = 1700000000;

  ArrivalRun(bool notices, std::vector<uint64_t> arrivalsMs)
      : server_(0),
        notices_(notices),
        arrivalsMs_(std::move(arrivalsMs)),
        renamedMs_(arrivalsMs_.size(), kNever) {}

  // The longest wait for a rename, or kNever when a printer was not renamed
  // within a simulated minute.
  uint64_t MaxArrivalToRenameMs() {
    ServiceContext context(*this);
    context.ArmTimer();
    context.WatchPrinterAdditions();
    context.WaitForStop();
    uint64_t longest = 0;
    for (size_t i = 0; i < arrivalsMs_.size(); ++i)
      longest =
          std::max(longest, renamedMs_[i] == kNever ? kNever : renamedMs_[i] - arrivalsMs_[i]);
    return longest;
  }

  std::unique_ptr<PrinterEngine> CreateEngine() override {
    return std::make_unique<EnginePart>(*this);
  }
  Status CreateTickTimer(std::unique_ptr<TickTimer>* timer) override {
    *timer = std::make_unique<TimerPart>(*this);
    return Status::Ok();
  }
  Status CreateStopEvent(std::unique_ptr<StopEvent>* event) override {
    *event = std::make_unique<WaitPart>(*this);
    return Status::Ok();
  }
  Clock& clock() override { return *this; }
  int64_t NowSeconds() override { return kStartSeconds + static_cast<int64_t>(nowMs_ / 1000); }
  uint64_t MonotonicMs() override { return nowMs_; }

 private:
  struct EnginePart : PrinterEngine {
    explicit EnginePart(ArrivalRun& run) : run(run) {}
    void RunRenamePass() override {
      run.server_.printers->RunRenamePass();
      for (size_t i = 0; i < run.arrived_; ++i)
        if (run.renamedMs_[i] == kNever && run.server_.BenchServer::printers[i].name != Name(i))
          run.renamedMs_[i] = run.nowMs_;
    }
    void ForgetSession(uint32_t) override {}
    ArrivalRun& run;
  };
  struct TimerPart : TickTimer {
    explicit TimerPart(ArrivalRun& run) : run(run) {}
    Status Arm(ServiceContext& context) override {
      run.context_ = &context;
      run.nextTickMs_ = run.nowMs_ + 10000;
      return Status::Ok();
    }
    void Cancel() override { run.nextTickMs_ = kNever; }
    ArrivalRun& run;
  };
  struct WaitPart : StopEvent {
    explicit WaitPart(ArrivalRun& run) : run(run) {}
    void Set() override { run.stopped_ = true; }
    void Wake() override {}
    WaitResult WaitAlertable(uint32_t timeoutMs, Status*) override { return run.Wait(timeoutMs); }
    Status WatchPrinterAdditions() override {
      return run.notices_ ? Status::Ok() : Status(6);  // as Wine: ERROR_INVALID_HANDLE
    }
    Status RearmPrinterAdditions() override { return Status::Ok(); }
    // The settings do not change during the run.
    Status WatchSettingsKey(const std::wstring&) override { return Status::Ok(); }
    Status RearmSettingsWatch(bool*) override { return Status::Ok(); }
    ArrivalRun& run;
  };

  static std::wstring Name(size_t i) {
    return L"Arrived " + std::to_wstring(i) + L" (from CLIENT) in session 7";
  }

  // The next event of the simulation: an arrival, a tick (run as the
  // timer's queued routine) or the end of the wait's time.
  StopEvent::WaitResult Wait(uint32_t timeoutMs) {
    for (;;) {
      const bool allRenamed =
          std::ranges::find(renamedMs_, kNever) == renamedMs_.end() && arrived_ > 0;
      if (stopped_ || allRenamed || nowMs_ > 60000) return StopEvent::WaitResult::kEnded;
      const uint64_t deadline = timeoutMs == StopEvent::kInfinite ? kNever : nowMs_ + timeoutMs;
      const uint64_t arrival = arrived_ < arrivalsMs_.size() ? arrivalsMs_[arrived_] : kNever;
      const uint64_t next = std::min({deadline, arrival, nextTickMs_});
      if (next == kNever) return StopEvent::WaitResult::kEnded;
      nowMs_ = next;
      if (next == arrival) {
        server_.AddPrinter(Name(arrived_++), L"Generic");
        if (notices_) return StopEvent::WaitResult::kPrinterAdded;
        continue;  // the spooler tells no one
      }
      if (next == nextTickMs_) {
        nextTickMs_ += 10000;
        context_->OnTimerTick(NowSeconds());
        return StopEvent::WaitResult::kIoCompletion;
      }
      return StopEvent::WaitResult::kWoken;
    }
  }

  Server server_;
  bool notices_;
  std::vector<uint64_t> arrivalsMs_;
  std::vector<uint64_t> renamedMs_;
  size_t arrived_ = 0;
  uint64_t nowMs_ = 0;
  uint64_t nextTickMs_ = kNever;
  bool stopped_ = false;
  ServiceContext* context_ = nullptr;
};

void ReportArrivals() {
  ConfigureSettings(false);
  const std::vector<uint64_t> arrivals = {10100, 10600, 11100, 11600, 12100};
  for (const bool notices : {true, false}) {
    const uint64_t longest = ArrivalRun(notices, arrivals).MaxArrivalToRenameMs();
    std::printf("arrival to rename%s, max: %lld ms\n", notices ? "" : ", ticks only",
                longest == ArrivalRun::kNever ? -1LL : static_cast<long long>(longest));
  }
}

// Keeps each benchmark's CPU time per iteration and its counters, and
// prints as usual. Of several repetitions the fastest counts: other work on
// a shared machine only ever adds time.
class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.run_name.str();
      const double time = run.GetAdjustedCPUTime();
      if (times.count(name) && times[name] <= time) continue;
      times[name] = time;
      for (const auto& [counterName, counter] : run.counters)
        counters[name][counterName] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  std::map<std::string, double> times;
  std::map<std::string, std::map<std::string, double>> counters;
};

bool Check(const char* what, double value, double limit) {
  const bool ok = value <= limit;
  std::printf("%-48s %6.2f  (target <= %.2f)  %s\n", what, value, limit, ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace
}  // namespace vantrel

int main(int argc, char** argv) {
  using namespace vantrel;
  logEnabled = false;
  SetSettingsRegistry(nullptr);
  bool filtered = false;
  for (int i = 1; i < argc; ++i)
    filtered |= std::string(argv[i]).rfind("--benchmark_filter", 0) == 0;
  // Repetitions of the compared runs take turns, so a burst of other work
  // on the machine does not land on one of them only.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  Recorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  benchmark::Shutdown();
  const bool scaled = ReportScale();
  const double hostile = HostileNameMilliseconds();
  std::printf("hostile name under OnlyUseRegex: %.3f ms\n", hostile);
  ReportArrivals();

  const std::string plain = "BM_RenamePass/printers:1000/regex:0/min_time:0.300/repeats:5";
  const std::string regex = "BM_RenamePass/printers:1000/regex:1/min_time:0.300/repeats:5";
  const std::string twice = "BM_RenamePass/printers:2000/regex:0/min_time:0.300/repeats:5";
  if (!recorder.times.count(plain) || !recorder.times.count(regex) ||
      !recorder.times.count(twice)) {
    std::printf("Some results are missing, so the targets were not checked\n");
    return filtered ? 0 : 1;
  }
  bool ok = scaled;
  std::printf("\n");
  std::printf("%-48s %6.2f ms\n", "pass over 1000 printers, 500 sessions", recorder.times[plain]);
  std::printf("%-48s %6.2f ms\n", "same with OnlyUseRegex", recorder.times[regex]);
  std::printf("%-48s %6.2f ms\n", "pass over 2000 printers", recorder.times[twice]);
  // The filter's matcher runs in polynomial time, so no client's printer
  // name can hold a pass; it costs about 2.5 us a name where a backtracking
  // one cost under 1 (the earlier bound was 1.5). Compiling the pattern per
  // printer adds about 1.7 us a name, which takes the ratio past 1.8.
  ok &= Check("OnlyUseRegex on / off", recorder.times[regex] / recorder.times[plain], 1.8);
  ok &= Check("2000 / 1000 printers", recorder.times[twice] / recorder.times[plain], 2.2);
  const double once = recorder.times["BM_Filter/compiled_once:1"];
  const double each = recorder.times["BM_Filter/compiled_once:0"];
  std::printf("%-48s %6.2f us\n", "filter, pattern compiled once, 1000 names", once);
  std::printf("%-48s %6.2f us\n", "filter, pattern compiled per name, 1000 names", each);
  if (once > 0) std::printf("%-48s %6.2f\n", "per-name compiling / compiled once", each / once);
  std::printf("%-48s %s\n", "every listed printer renamed", passRenamedAll ? "yes" : "NO");
  std::printf("%-48s %d\n", "platform calls by ticks outside the window", callsOutsideWindow);
  ok &= Check("hostile name under OnlyUseRegex, ms", hostile, 10);
  ok &= passRenamedAll && callsOutsideWindow == 0;
  std::printf("%s\n", ok ? "All targets met" : "A target was missed");
  return ok ? 0 : 1;
}
