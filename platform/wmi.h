// The printers WMI lists (Win32_Printer in ROOT\CIMV2), at the level of the
// tasks the service and the configuration program have: connect, run a
// printer query and take its printers one by one, rename one of them. The
// COM sequence behind each lives in platform/win32/wmi_win32.cpp. Statuses
// are HRESULTs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/status.h"

namespace vantrel {

// What a RenamePrinter call came to. `step` names the step that failed, with
// its status: kPrepare (the method's in-parameters or the new name in them),
// kExecute (ExecMethod, whose status may be a success that brought no
// out-parameters), kReadResult (the ReturnValue). With kDone the method ran
// and `returnValue` is its result (0: renamed).
struct RenameResult {
  enum Step { kDone, kPrepare, kExecute, kReadResult };
  Step step = kDone;
  Status status;
  int32_t returnValue = 0;
};

// One printer a query listed. Valid while its listing lives.
class ListedPrinter {
 public:
  enum Property { kDeviceId, kDriverName };

  virtual ~ListedPrinter() = default;
  // The property as text; kWbemTypeMismatch when it is not text (null, say).
  virtual Status ReadText(Property property, std::wstring* value) = 0;
  // Win32_Printer.RenamePrinter on this printer. Calls after the first
  // reuse its in-parameters, setting the name again only when it differs.
  virtual RenameResult Rename(const std::wstring& newName) = 0;
};

class PrinterListing {
 public:
  virtual ~PrinterListing() = default;
  // The next printer, in WMI's order: null at the end, or with the failing
  // status when the enumeration broke off.
  virtual Status Next(std::unique_ptr<ListedPrinter>* printer) = 0;
};

// A connection to ROOT\CIMV2.
class PrinterInventory {
 public:
  virtual ~PrinterInventory() = default;
  // Runs a WQL query over Win32_Printer. `toRename` asks for printers that
  // can be renamed (their paths kept); without it only properties are read.
  virtual Status ListPrinters(const std::wstring& query, bool toRename,
                              std::unique_ptr<PrinterListing>* listing) = 0;
};

class Wmi {
 public:
  virtual ~Wmi() = default;
  // A connection, or the status of the step that failed (a step that
  // succeeded without a result counts as E_FAIL).
  virtual Status Connect(std::unique_ptr<PrinterInventory>* inventory) = 0;
};

}  // namespace vantrel
