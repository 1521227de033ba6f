// The settings form of dialog 101: its record, its start-up fill, Apply,
// Restore Defaults and the enable rules, and the commands of its buttons.
#pragma once

#include "config/config_ports.h"
#include "settings/settings.h"

namespace vantrel {

// The form's one Settings record, created over the ports' registry and
// loaded the first time the form needs it, then kept for the whole run (only
// Apply Changes writes into it); null when it could not be created. Later
// calls return the same record whatever registry they are given.
Settings* GetFormSettings(ConfigPorts& ports);
// Tests only: frees the record so the next GetFormSettings loads a new one.
void ResetFormSettingsForTesting();

// The dialog's start-up: the defaults, then the stored settings over them,
// and the status line.
void OpenForm(ConfigPorts& ports);
// Takes the form into the record, saves it and has the service reload it.
void ApplyChanges(ConfigPorts& ports);

// WM_COMMAND from the control `id` (a click, Enter or Esc alike); false when
// the form has no command of that id.
bool OnFormCommand(ConfigPorts& ports, int id);

}  // namespace vantrel
