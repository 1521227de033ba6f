#include "service/engine/rename_pass.h"

#include <new>
#include <utility>

#include "service/engine/default_printer.h"
#include "service/engine/name_composition.h"
#include "service/engine/printer_query.h"
#include "service/engine/printers.h"
#include "service/log.h"
#include "settings/settings.h"

namespace vantrel {

void ThrowIfOutOfMemory(HResult hr) {
  if (hr == hresult::kOutOfMemory) throw std::bad_alloc();
}

bool RenamePattern::Search(const std::wstring& name) {
  if (!compiled_) {
    compiled_ = true;
    try {
      regex_.assign(text_, std::regex_constants::ECMAScript);
      valid_ = true;
    } catch (const std::regex_error& e) {
      LogPrintfW(
          L"The regular expression %s could not be compiled (%s), so no printer is of "
          L"interest in this pass\n",
          text_, e.what());
    }
  }
  if (!valid_) return false;
  try {
    return std::regex_search(name, regex_);
  } catch (const std::regex_error& e) {
    // Too complex a match for the library; the printer is left for later.
    LogPrintfW(L"The regular expression could not be matched against %s (%s)\n", name, e.what());
    return false;
  }
}

bool IsPrinterOfInterest(const Settings& settings, RenamePattern& pattern,
                         const std::wstring& currentName) {
  if (!settings.OnlyUseRegex) return true;
  LogPrintfW(L"We are using regular expressions to determine whether %s matches %s\n", currentName,
             pattern.text());
  return pattern.Search(currentName);
}

bool IsRedirectedPrinter(const PrinterInfo& info) {
  const bool tsPort = info.portName.size() > 2 && (info.portName[0] == L'T' || info.portName[0] == L't') &&
                      (info.portName[1] == L'S' || info.portName[1] == L's');
  return tsPort && (info.attributes & kPrinterAttributeTs) != 0;
}

bool DeletePrinterByName(Spooler& spooler, const std::wstring& name) {
  LogPrintfW(L"Deleting the printer named %s\n", name);
  std::unique_ptr<PrinterHandle> printer = spooler.OpenPrinter(name, kPrinterAllAccess);
  if (!printer) {
    LogPrintfW(L"Was unable to open the printer\n");
    return false;
  }
  LogPrintfW(L"Was able to open the printer\n");
  // The holder of the wanted name may be one of the server's own queues that
  // a client printer was named after; only a printer Remote Desktop
  // redirected may give way.
  PrinterInfo info;
  uint32_t lastError = 0;
  if (!printer->ReadInfo(&info, &lastError)) {
    LogPrintfW(L"Could not read what kind of printer %s is, so it is not deleted.  Error: %d\n", name,
               static_cast<int32_t>(lastError));
    return false;
  }
  if (!IsRedirectedPrinter(info)) {
    LogPrintfW(L"The printer named %s is not a redirected printer on a TS port, so it is not deleted\n",
               name);
    return false;
  }
  const bool deleted = printer->DeletePrinter(&lastError) == 1;
  LogPrintfW(L"The call to DeletePrinter returned %d with error code %d\n", deleted ? 1 : 0,
             static_cast<int32_t>(lastError));
  return deleted;
}

namespace {

// "ReturnValue" of a RenamePrinter call; false when it cannot be read.
bool ReadReturnValue(WmiObject& outParams, int32_t* value) {
  WmiValue result;
  HResult hr = outParams.Get(L"ReturnValue", &result);
  ThrowIfOutOfMemory(hr);
  const int32_t* number = std::get_if<int32_t>(&result);
  if (hresult::Failed(hr) || !number) return false;
  *value = *number;
  return true;
}

uint32_t AsHex(HResult hr) { return static_cast<uint32_t>(hr); }

}  // namespace

void Printers::RunRenamePassUnguarded() {
  LogPrintfW(L"We want to rename printers now\n");
  if (!Connect(/*quiet=*/false)) return;
  Settings settings = CopySettings();
  const PrinterQuery query = BuildQuery(settings);
  if (!query.namesLeftOut.empty() || !query.driversLeftOut.empty())
    LogPrintfW(
        L"The query would be too long, so this pass itself leaves out %d printer names and %d "
        L"drivers\n",
        static_cast<int32_t>(query.namesLeftOut.size()),
        static_cast<int32_t>(query.driversLeftOut.size()));
  RenamePassState pass(*services, std::move(settings), query);
  EnumeratePrinters(query.text, [&](WmiObject& printer, const std::wstring& name) {
    HandlePrinter(pass, printer, name);
  });
  LogPrintfW(L"All done renaming printers\n");
}

RenameDecision Printers::Decide(RenamePassState& pass, WmiObject& printer,
                                const std::wstring& currentName) {
  RenameDecision decision;
  if (pass.LeftOutOfTheQuery(printer, currentName)) {
    decision.verdict = RenameDecision::kExcluded;
    return decision;
  }
  LogPrintfW(L"Have current name %s\n", currentName);
  if (!IsPrinterOfInterest(pass.settings, pass.pattern, currentName)) {
    LogPrintfW(L"This printer is not of interest to us, so skipping to the next printer\n");
    decision.verdict = RenameDecision::kNotOfInterest;
    return decision;
  }

  ComposedName composed = ComposeNewName(ports_.terminalServices, pass.settings, currentName);
  if (!composed.ok) {
    decision.verdict = RenameDecision::kNoSession;
    return decision;
  }
  decision.sessionId = static_cast<uint32_t>(composed.sessionId);
  decision.newName = std::move(composed.newName);
  const std::wstring& newName = decision.newName;

  decision.userName = std::move(composed.userName);
  decision.clientName = std::move(composed.clientName);
  const std::wstring& userName = decision.userName;
  const std::wstring& clientName = decision.clientName;
  // Nothing may be asked of WMI, the spooler or a hive for a name the
  // spooler would refuse, or for a session without a user: the account
  // lookup of an empty name can find the computer's own domain, and a
  // refused rename would pass for a clash.
  if (userName.empty()) {
    LogPrintfW(L"No user is known for session %d, so the printer is left as it is\n",
               composed.sessionId);
    decision.verdict = RenameDecision::kNoUser;
    return decision;
  }
  if ((decision.badName = WhyNotAPrinterName(newName))) {
    LogPrintfW(L"The name %s cannot be given to a printer (%s), so the printer is left as it is\n",
               newName, decision.badName);
    decision.verdict = RenameDecision::kBadName;
    return decision;
  }
  LogPrintfW(L"Going to rename this printer to %s for user %s on host %s\n", newName,
             clientName + L"\\" + userName, clientName);

  if (!GetUserSidString(ports_.accounts, userName, &decision.sid)) {
    decision.verdict = RenameDecision::kNoSid;
    return decision;
  }
  LogPrintfW(L"The SID for that user is %s\n", decision.sid);
  decision.verdict = RenameDecision::kRename;
  return decision;
}

void Printers::HandlePrinter(RenamePassState& pass, WmiObject& printer,
                             const std::wstring& currentName) {
  const RenameDecision decision = Decide(pass, printer, currentName);
  if (decision.verdict != RenameDecision::kRename) return;
  const uint32_t sessionId = decision.sessionId;
  const std::wstring& newName = decision.newName;
  const std::wstring& sid = decision.sid;

  // Calling RenamePrinter without the new name in place could report a
  // clash, and the clash handling might then delete an unrelated printer.
  HResult status = hresult::kOk;
  std::unique_ptr<WmiObject> inParams;
  if (WmiObject* signature = pass.RenameSignature(&status)) {
    status = signature->SpawnInstance(&inParams);
    ThrowIfOutOfMemory(status);
    if (inParams) {
      status = inParams->Put(L"NewPrinterName", newName);
      ThrowIfOutOfMemory(status);
    }
  }
  if (!inParams || hresult::Failed(status)) {
    LogPrintfW(L"Could not prepare the parameters of the rename method.  hr: 0x%X\n",
               AsHex(hresult::Failed(status) ? status : hresult::kFail));
    return;
  }

  WmiValue pathValue;
  HResult hr = printer.Get(L"__PATH", &pathValue);
  ThrowIfOutOfMemory(hr);
  std::wstring path;
  if (!hresult::Failed(hr))
    if (const std::wstring* text = std::get_if<std::wstring>(&pathValue)) path = *text;

  std::unique_ptr<WmiObject> outParams;
  hr = pass.services.ExecMethod(path, L"RenamePrinter", inParams.get(), &outParams);
  ThrowIfOutOfMemory(hr);
  if (hresult::Failed(hr) || !outParams) {
    LogPrintfW(L"Could not rename the printer.  hr: 0x%X\n", AsHex(hr));
    return;
  }
  int32_t returnValue = 0;
  if (!ReadReturnValue(*outParams, &returnValue)) return;

  if (returnValue == 0) {
    LogPrintfW(L"Successfully renamed the printer\n");
    RecordGivenName(sessionId, newName);
    RegisterDefaultPrinter(ports_.registry, ports_.broadcaster, sid, newName);
    return;
  }

  LogPrintfW(L"Failed to rename the printer named %s because of return value %d\n", currentName,
             returnValue);
  if (pass.settings.DeleteDuplicates)
    ResolveClashByDeleting(pass, path, *inParams, sessionId, newName, sid);
  else
    ResolveClashByAppending(pass, path, *inParams, sessionId, newName, sid);
}

void Printers::ResolveClashByDeleting(RenamePassState& pass, const std::wstring& path,
                                      WmiObject& inParams, uint32_t sessionId,
                                      const std::wstring& newName, const std::wstring& sid) {
  LogPrintfW(L"Name already exists, deleting the old printer\n");
  if (!DeletePrinterByName(ports_.spooler, newName)) return;
  LogPrintfW(L"Deleted the old printer, renaming it too\n");

  std::unique_ptr<WmiObject> outParams;
  HResult hr = pass.services.ExecMethod(path, L"RenamePrinter", &inParams, &outParams);
  ThrowIfOutOfMemory(hr);
  if (hresult::Failed(hr) || !outParams) {
    LogPrintfW(L"Could not execute the rename method after the deletion.  hr: 0x%X\n", AsHex(hr));
    return;
  }
  int32_t returnValue = 0;
  if (!ReadReturnValue(*outParams, &returnValue)) return;
  if (returnValue != 0) {
    LogPrintfW(L"Failed to rename the printer after deletion because of error %d\n", returnValue);
    return;
  }
  LogPrintfW(L"Successfully renamed the printer after the deletion\n");
  RecordGivenName(sessionId, newName);
  RegisterDefaultPrinter(ports_.registry, ports_.broadcaster, sid, newName);
}

void Printers::ResolveClashByAppending(RenamePassState& pass, const std::wstring& path,
                                       WmiObject& inParams, uint32_t sessionId,
                                       const std::wstring& newName, const std::wstring& sid) {
  LogPrintfW(L"Going to append something to the name of the printer\n");
  std::wstring suffix = pass.settings.AppendToDuplicates;
  TrimWhitespace(suffix);
  const std::wstring suffixedName = newName + L" " + suffix;
  if (const wchar_t* why = WhyNotAPrinterName(suffixedName)) {
    LogPrintfW(L"The name %s cannot be given to a printer (%s), so the printer is left as it is\n",
               suffixedName, why);
    return;
  }
  HResult hr = inParams.Put(L"NewPrinterName", suffixedName);
  ThrowIfOutOfMemory(hr);
  LogPrintfW(L"Attempting to rename %s to %s\n", newName, suffixedName);
  if (hresult::Failed(hr)) {
    LogPrintfW(L"Could not prepare the parameters of the rename method.  hr: 0x%X\n", AsHex(hr));
    return;
  }

  // This rename is checked like the first one: recording a name the printer
  // does not bear would hide nothing and repoint the default printer to a
  // printer that does not exist.
  std::unique_ptr<WmiObject> outParams;
  hr = pass.services.ExecMethod(path, L"RenamePrinter", &inParams, &outParams);
  ThrowIfOutOfMemory(hr);
  if (hresult::Failed(hr) || !outParams) {
    LogPrintfW(L"Could not execute the rename method with the appended name.  hr: 0x%X\n",
               AsHex(hr));
    return;
  }
  int32_t returnValue = 0;
  if (!ReadReturnValue(*outParams, &returnValue)) {
    LogPrintfW(L"Could not read the result of the rename to %s\n", suffixedName);
    return;
  }
  if (returnValue != 0) {
    LogPrintfW(L"Failed to rename the printer to %s because of return value %d\n", suffixedName,
               returnValue);
    return;
  }
  RecordGivenName(sessionId, suffixedName);
  RegisterDefaultPrinter(ports_.registry, ports_.broadcaster, sid, suffixedName);
}

}  // namespace vantrel
