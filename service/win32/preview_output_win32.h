// Where `Vantrel.exe preview` writes its lines.
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// To the standard output when it is redirected, else to the console of the
// process that started this one, else (started from Explorer, say) to
// "Vantrel Preview.txt" beside the executable. UTF-8 to files and pipes.
// False when the lines could be written nowhere.
bool WritePreviewLines(const std::vector<std::wstring>& lines);

}  // namespace vantrel
