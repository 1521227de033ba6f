#include "platform/win32/log_file_win32.h"

#include <share.h>

namespace vantrel {

Win32LogFileSink::~Win32LogFileSink() {
  // The sink lives until the process ends; closing here is what the
  // runtime would do at exit anyway.
  if (file_) std::fclose(file_);
}

bool Win32LogFileSink::Open() {
  if (file_) return true;
  file_ = _wfsopen(L"Vantrel Log.txt", L"wtc,ccs=UTF-16LE", _SH_DENYWR);
  return file_ != nullptr;
}

void Win32LogFileSink::WriteAndFlush(const std::wstring& text) {
  if (!file_) return;
  // The text is already formatted: written as it stands, never as a format.
  // The stream adds the byte-order mark and turns each LF into CR LF.
  std::fputws(text.c_str(), file_);
  std::fflush(file_);
}

}  // namespace vantrel
