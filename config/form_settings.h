// The configuration program's one Settings record: created over the ports'
// registry and loaded the first time the form needs it, then kept for the
// whole run. Only Apply Changes writes into it.
#pragma once

#include "config/config_app.h"
#include "settings/settings.h"

namespace vantrel {

// The form's record, or null when it could not be created (out of memory).
// Later calls return the same record whatever registry they are given.
Settings* GetFormSettings(ConfigPorts& ports);

// Tests only: frees the record so the next GetFormSettings loads a new one.
void ResetFormSettingsForTesting();

}  // namespace vantrel
