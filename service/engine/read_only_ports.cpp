#include "service/engine/read_only_ports.h"

#include <utility>

namespace vantrel {
namespace {

class QueryOnlyPrinter : public ListedPrinter {
 public:
  explicit QueryOnlyPrinter(std::unique_ptr<ListedPrinter> printer)
      : printer_(std::move(printer)) {}
  Status ReadText(Property property, std::wstring* value) override {
    return printer_->ReadText(property, value);
  }
  RenameResult Rename(const std::wstring&) override {
    return {RenameResult::kPrepare, Status(hresult::kAccessDenied), 0};
  }

 private:
  std::unique_ptr<ListedPrinter> printer_;
};

class QueryOnlyListing : public PrinterListing {
 public:
  explicit QueryOnlyListing(std::unique_ptr<PrinterListing> listing)
      : listing_(std::move(listing)) {}
  Status Next(std::unique_ptr<ListedPrinter>* printer) override {
    std::unique_ptr<ListedPrinter> real;
    const Status status = listing_->Next(&real);
    *printer = real ? std::make_unique<QueryOnlyPrinter>(std::move(real)) : nullptr;
    return status;
  }

 private:
  std::unique_ptr<PrinterListing> listing_;
};

class QueryOnlyInventory : public PrinterInventory {
 public:
  explicit QueryOnlyInventory(std::unique_ptr<PrinterInventory> inventory)
      : inventory_(std::move(inventory)) {}
  Status ListPrinters(const std::wstring& query, bool toRename,
                      std::unique_ptr<PrinterListing>* listing) override {
    std::unique_ptr<PrinterListing> real;
    const Status status = inventory_->ListPrinters(query, toRename, &real);
    *listing = real ? std::make_unique<QueryOnlyListing>(std::move(real)) : nullptr;
    return status;
  }

 private:
  std::unique_ptr<PrinterInventory> inventory_;
};

class NoDeleteHandle : public PrinterHandle {
 public:
  explicit NoDeleteHandle(std::unique_ptr<PrinterHandle> handle) : handle_(std::move(handle)) {}
  Status Delete() override { return Status(win32_error::kAccessDenied); }
  Status ReadInfo(PrinterInfo* info) override { return handle_->ReadInfo(info); }

 private:
  std::unique_ptr<PrinterHandle> handle_;
};

}  // namespace

Status ReadOnlyWmi::Connect(std::unique_ptr<PrinterInventory>* inventory) {
  std::unique_ptr<PrinterInventory> real;
  const Status status = wmi_.Connect(&real);
  *inventory = real ? std::make_unique<QueryOnlyInventory>(std::move(real)) : nullptr;
  return status;
}

Status ReadOnlySpooler::Open(const std::wstring& name, uint32_t,
                             std::unique_ptr<PrinterHandle>* printer) {
  std::unique_ptr<PrinterHandle> handle;
  const Status status = spooler_.Open(name, kPrinterAccessUse, &handle);
  *printer = handle ? std::make_unique<NoDeleteHandle>(std::move(handle)) : nullptr;
  return status;
}

Status NoRegistryAccess::CreateKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*,
                                   bool*) {
  return Status(win32_error::kAccessDenied);
}

Status NoRegistryAccess::OpenKey(RegistryRoot, const std::wstring&, std::unique_ptr<RegistryKey>*) {
  return Status(win32_error::kAccessDenied);
}

Status NoRegistryAccess::OpenKeyForReading(RegistryRoot, const std::wstring&,
                                           std::unique_ptr<RegistryKey>*) {
  return Status(win32_error::kAccessDenied);
}

}  // namespace vantrel
