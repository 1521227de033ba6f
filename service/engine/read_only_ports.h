// Ports for a preview: they forward what only reads (the printer query,
// session and account look-ups, opening a printer to read its kind) and
// refuse everything that would change the server, so no fault in the
// preview's path can rename, delete or write anything.
#pragma once

#include <memory>

#include "platform/accounts.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/wmi.h"

namespace vantrel {

class ReadOnlyWmi : public Wmi {
 public:
  explicit ReadOnlyWmi(Wmi& wmi) : wmi_(wmi) {}
  // The connection it yields runs queries only: each printer's Rename is
  // refused with E_ACCESSDENIED before anything is asked of WMI.
  Status Connect(std::unique_ptr<PrinterInventory>* inventory) override;

 private:
  Wmi& wmi_;
};

class ReadOnlySpooler : public Spooler {
 public:
  explicit ReadOnlySpooler(Spooler& spooler) : spooler_(spooler) {}
  // Opens with PRINTER_ACCESS_USE whatever is asked; the handle refuses to
  // delete.
  Status Open(const std::wstring& name, uint32_t desiredAccess,
              std::unique_ptr<PrinterHandle>* printer) override;

 private:
  Spooler& spooler_;
};

// No hive is read or written by a preview.
class NoRegistryAccess : public Registry {
 public:
  Status CreateKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*,
                   bool*) override;
  Status OpenKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*) override;
  Status OpenKeyForReading(RegistryRoot, const std::wstring&,
                           std::unique_ptr<RegistryKey>*) override;
};

class NoBroadcast : public SettingChangeBroadcaster {
 public:
  void BroadcastSettingChange(const std::wstring&) override {}
};

}  // namespace vantrel
