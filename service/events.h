// The service's Windows Event Log entries: their stable IDs and the
// process-wide sink they go to. Unlike the diagnostic log they are always
// on, so an administrator's collector sees renames and failures without a
// restart "withlog". The Win32 sink (service/win32/event_log_win32.h)
// reports them under the source "Vantrel"; tests install a recording one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

// The message table (service/win32/vantrel_events.mc) carries the text and
// the type of each; these numbers never change once shipped.
namespace event_id {
inline constexpr uint32_t kServiceStarted = 1000;    // version
inline constexpr uint32_t kServiceStopped = 1001;    // -
inline constexpr uint32_t kSettingsLoaded = 1002;    // settings set by policy, or "none"
inline constexpr uint32_t kPrinterRenamed = 1100;    // old name, new name, user, session
inline constexpr uint32_t kHolderDeleted = 1101;     // deleted name, session of the taker
inline constexpr uint32_t kPrinterLeftAlone = 1102;  // printer name, reason
inline constexpr uint32_t kWmiUnreachable = 1200;    // HRESULT, "0x%08X"
inline constexpr uint32_t kWmiReachable = 1201;      // -
inline constexpr uint32_t kPatternUnusable = 1202;   // expression, reason
inline constexpr uint32_t kClausesInService = 1203;  // how many
inline constexpr uint32_t kServiceFailed = 1300;     // Win32 error code
}  // namespace event_id

class EventSink {
 public:
  virtual ~EventSink() = default;
  // One event with its insertion strings (%1, %2, ...), already escaped.
  virtual void Report(uint32_t id, const std::vector<std::wstring>& strings) = 0;
};

// Installs the sink events go to (none: they are dropped). The previous
// sink is destroyed, so the Win32 one deregisters its source here.
void SetEventSink(std::unique_ptr<EventSink> sink);

// Reports an event to the installed sink. Control characters in the
// strings (names from remote clients) are escaped as in the log. Never
// throws; callable from any thread.
void RecordEvent(uint32_t id, std::vector<std::wstring> strings = {});

// "0x8004100E": how an HRESULT appears in an event.
std::wstring HresultText(uint32_t hr);

}  // namespace vantrel
