#include "service/engine/read_only_ports.h"

#include <utility>

namespace vantrel {
namespace {

constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005);

class QueryOnlyServices : public WmiServices {
 public:
  explicit QueryOnlyServices(std::unique_ptr<WmiServices> services)
      : services_(std::move(services)) {}
  HResult ExecQuery(const std::wstring& language, const std::wstring& query, int32_t flags,
                    std::unique_ptr<WmiEnumerator>* enumerator) override {
    return services_->ExecQuery(language, query, flags, enumerator);
  }
  HResult GetObject(const std::wstring&, std::unique_ptr<WmiObject>*) override {
    return kAccessDenied;
  }
  HResult ExecMethod(const std::wstring&, const std::wstring&, WmiObject*,
                     std::unique_ptr<WmiObject>*) override {
    return kAccessDenied;
  }

 private:
  std::unique_ptr<WmiServices> services_;
};

class QueryOnlyLocator : public WmiLocator {
 public:
  explicit QueryOnlyLocator(std::unique_ptr<WmiLocator> locator) : locator_(std::move(locator)) {}
  HResult ConnectServer(const std::wstring& resource,
                        std::unique_ptr<WmiServices>* services) override {
    std::unique_ptr<WmiServices> real;
    const HResult hr = locator_->ConnectServer(resource, &real);
    if (real) *services = std::make_unique<QueryOnlyServices>(std::move(real));
    return hr;
  }

 private:
  std::unique_ptr<WmiLocator> locator_;
};

class NoDeleteHandle : public PrinterHandle {
 public:
  explicit NoDeleteHandle(std::unique_ptr<PrinterHandle> handle) : handle_(std::move(handle)) {}
  int32_t DeletePrinter(uint32_t* lastError) override {
    *lastError = 5;  // ERROR_ACCESS_DENIED
    return 0;
  }
  bool ReadInfo(PrinterInfo* info, uint32_t* lastError) override {
    return handle_->ReadInfo(info, lastError);
  }

 private:
  std::unique_ptr<PrinterHandle> handle_;
};

}  // namespace

HResult ReadOnlyWmi::CreateLocator(std::unique_ptr<WmiLocator>* locator) {
  std::unique_ptr<WmiLocator> real;
  const HResult hr = wmi_.CreateLocator(&real);
  if (real) *locator = std::make_unique<QueryOnlyLocator>(std::move(real));
  return hr;
}

std::unique_ptr<PrinterHandle> ReadOnlySpooler::OpenPrinter(const std::wstring& name, uint32_t) {
  std::unique_ptr<PrinterHandle> handle = spooler_.OpenPrinter(name, kPrinterAccessUse);
  if (!handle) return nullptr;
  return std::make_unique<NoDeleteHandle>(std::move(handle));
}

Status NoRegistryAccess::CreateKey(RegistryRoot, const std::wstring&,
                                   std::unique_ptr<RegistryKey>*, bool*) {
  return Status(win32_error::kAccessDenied);
}

Status NoRegistryAccess::OpenKey(RegistryRoot, const std::wstring&,
                                 std::unique_ptr<RegistryKey>*) {
  return Status(win32_error::kAccessDenied);
}

}  // namespace vantrel
