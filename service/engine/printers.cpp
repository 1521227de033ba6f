#include "service/engine/printers.h"

#include <exception>
#include <new>
#include <utility>

#include "service/engine/rename_pass.h"
#include "service/log.h"
#include "settings/settings.h"

namespace vantrel {
namespace {

// For messages on paths that must not throw: a log that cannot allocate
// loses the message, not the caller.
template <typename... Args>
void LogNoThrow(const wchar_t* format, const Args&... args) {
  try {
    LogPrintfW(format, args...);
  } catch (...) {
  }
}

}  // namespace

Printers::Printers(const EnginePorts& ports) : ports_(ports) {
  try {
    Connect(/*quiet=*/true);
  } catch (const std::bad_alloc&) {
    LogNoThrow(L"Ran out of memory while connecting to WMI; the next pass tries again\n");
  } catch (...) {
    LogNoThrow(L"Could not connect to WMI because of an unexpected error\n");
  }
}

bool Printers::Connect(bool quiet) {
  if (IsConnected()) return true;
  services.reset();
  locator.reset();
  std::unique_ptr<WmiLocator> newLocator;
  HResult hr = ports_.wmi.CreateLocator(&newLocator);
  ThrowIfOutOfMemory(hr);
  std::unique_ptr<WmiServices> newServices;
  if (!hresult::Failed(hr) && newLocator) {
    hr = newLocator->ConnectServer(L"ROOT\\CIMV2", &newServices);
    ThrowIfOutOfMemory(hr);
  }
  if (hresult::Failed(hr) || !newLocator || !newServices) {
    if (!quiet && !unconnectedLogged_) {
      unconnectedLogged_ = true;
      LogPrintfW(L"Could not connect to WMI.  hr: 0x%X; every pass tries again\n",
                 static_cast<uint32_t>(hresult::Failed(hr) ? hr : hresult::kFail));
    }
    return false;
  }
  locator = std::move(newLocator);
  services = std::move(newServices);
  if (!quiet) LogPrintfW(L"Connected to WMI\n");
  unconnectedLogged_ = false;
  return true;
}

Printers::~Printers() {
  services.reset();
  locator.reset();
}

bool Printers::IsConnected() const { return locator && services; }

void Printers::ForgetSession(uint32_t sessionId) {
  std::lock_guard<std::mutex> lock(cacheMutex_);
  LogNoThrow(L"Clearing printers for the session: %d\n", static_cast<int32_t>(sessionId));
  renamedBySession.erase(sessionId);
}

void Printers::RecordGivenName(uint32_t sessionId, const std::wstring& name) {
  std::lock_guard<std::mutex> lock(cacheMutex_);
  std::vector<std::wstring>& names = renamedBySession[sessionId];
  for (const std::wstring& given : names)
    if (given == name) return;
  names.push_back(name);
}

std::vector<std::wstring> Printers::GivenNames() const {
  std::lock_guard<std::mutex> lock(cacheMutex_);
  std::vector<std::wstring> all;
  for (const auto& [session, names] : renamedBySession)
    all.insert(all.end(), names.begin(), names.end());
  return all;
}

std::map<uint32_t, std::vector<std::wstring>> Printers::RenamedBySession() const {
  std::lock_guard<std::mutex> lock(cacheMutex_);
  return renamedBySession;
}

std::wstring Printers::BuildPrinterQuery() const { return BuildQuery(CopySettings()).text; }

PrinterQuery Printers::BuildQuery(const Settings& settings) const {
  return vantrel::BuildPrinterQuery(settings.OnlyRenTS, settings.DoNotRenList, GivenNames());
}

bool Printers::EnumeratePrinters(const std::wstring& query, const PrinterHandler& handle) {
  LogPrintfW(L"Printer query is %s\n", query);
  std::unique_ptr<WmiEnumerator> enumerator;
  HResult hr = services->ExecQuery(
      L"WQL", query, wbem::kFlagForwardOnly | wbem::kFlagEnsureLocatable, &enumerator);
  ThrowIfOutOfMemory(hr);
  if (hresult::Failed(hr) || !enumerator) {
    // The WMI service may have restarted under the connection, which then
    // fails every call: the next pass connects afresh.
    services.reset();
    locator.reset();
    return false;
  }
  LogPrintfW(L"Query succeeded, going to start iterating printers\n");

  std::vector<std::unique_ptr<WmiObject>> batch;
  for (;;) {
    hr = enumerator->Next(wbem::kInfinite, 10, &batch);
    ThrowIfOutOfMemory(hr);
    if (hresult::Failed(hr)) break;
    // A full batch is followed by another call; an empty one that claims to
    // be full would otherwise never end the loop.
    const bool more = hr == hresult::kOk && !batch.empty();
    for (std::unique_ptr<WmiObject>& printer : batch) {
      if (!printer) continue;
      WmiValue deviceId;
      HResult got = printer->Get(L"DeviceID", &deviceId);
      ThrowIfOutOfMemory(got);
      const std::wstring* name = std::get_if<std::wstring>(&deviceId);
      if (!hresult::Failed(got) && name) handle(*printer, *name);
      printer.reset();
    }
    batch.clear();
    if (!more) break;
  }
  return true;
}

void Printers::RunRenamePass() {
  try {
    RunRenamePassUnguarded();
  } catch (const std::bad_alloc&) {
    LogNoThrow(L"Ran out of memory, so this rename pass ends here\n");
  } catch (const std::exception& e) {
    LogNoThrow(L"The rename pass ended early because of an error: %s\n", e.what());
  } catch (...) {
    LogNoThrow(L"The rename pass ended early because of an unexpected error\n");
  }
}

}  // namespace vantrel
