// The Event Log sink: the source "Vantrel" in the Application log, whose
// texts are the message table compiled into Vantrel.exe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "service/events.h"

namespace vantrel {

// The full event identifier (severity bits included) for one of
// event_id's numbers, or 0 for a number the message table lacks.
uint32_t FullEventId(uint32_t id);

// Registers the source once; deregisters it when destroyed. Without a
// source (registration refused) events are dropped.
std::unique_ptr<EventSink> MakeWin32EventSink();

}  // namespace vantrel
