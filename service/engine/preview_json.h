// The preview as one JSON document, for scripts that read the decisions of a
// whole farm (PowerShell's ConvertFrom-Json, say).
#pragma once

#include <string>

#include "service/engine/preview.h"

namespace vantrel {

// The report as `Vantrel.exe preview --json` writes it, on one line: the
// same decisions and words as FormatPreview, with every string escaped so
// that any name a remote client chose stays one JSON string.
std::wstring FormatPreviewJson(const PreviewReport& report);

}  // namespace vantrel
