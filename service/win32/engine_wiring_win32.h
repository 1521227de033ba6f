// The process's registry adapter, shared by the Settings and the engine.
#pragma once

#include "platform/registry.h"

namespace vantrel {

Registry& ProcessRegistry();

}  // namespace vantrel
