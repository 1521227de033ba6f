// What a rename pass decides for one listed printer before it changes
// anything: the pass acts on it, and a preview only reports it.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

struct RenameDecision {
  enum Verdict {
    kRename,         // every field below is set
    kExcluded,       // its driver or name is excluded, by the pass itself
    kNotOfInterest,  // OnlyUseRegex did not match
    kNoSession,      // no session number in its name, or no such session
    kNoUser,         // the session has no user
    kBadName,        // the new name must not be given (`badName` says why)
    kNoSid,          // the user's account could not be found
  };
  Verdict verdict = kNoSession;
  std::wstring currentName;
  uint32_t sessionId = 0;
  std::wstring newName;
  std::wstring userName;
  std::wstring clientName;
  std::wstring sid;
  std::wstring badName;
};

}  // namespace vantrel
