// The process's registry adapter, shared by the Settings and the engine,
// and the preview over the Win32 adapters.
#pragma once

#include "platform/registry.h"
#include "service/engine/preview.h"

namespace vantrel {

Registry& ProcessRegistry();

// What a pass would do now with the stored settings; changes nothing.
PreviewReport PreviewOverWin32();

}  // namespace vantrel
