#include "platform/win32/wmi_win32.h"

#include <windows.h>
// The headers below build on <windows.h>.
#include <oleauto.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win32/scoped_handle.h"

namespace vantrel {
namespace {

using Microsoft::WRL::ComPtr;

constexpr ULONG kBatchSize = 10;
// How long one batch may take. A stuck provider would otherwise hold the
// rename pass, and with it the service's STOPPED report, for ever. One tick
// (10 s) is far beyond what a healthy WMI needs for ten printers even under
// load, and short enough that a STOP during a stuck pass still gets through
// before the Service Control Manager gives up on the service.
constexpr LONG kBatchWaitMs = 10000;
static_assert(hresult::kWbemTimedOut == static_cast<int32_t>(WBEM_E_TIMED_OUT));

// The one BSTR idiom here: an owned copy that never throws, null when it
// could not be allocated.
using unique_bstr = win32::GenericScopedHandle<win32::traits::NullIsNone<BSTR, &::SysFreeString>>;

unique_bstr MakeBstr(const std::wstring& text) {
  return unique_bstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// CatchToStatus for this adapter: the standard containers report a failed
// allocation as std::bad_alloc.
template <typename Body>
Status Guarded(Body&& body) {
  return CatchToStatus(kComNoMemory, std::forward<Body>(body));
}

// A call that succeeded without handing back its object counts as E_FAIL.
Status Outcome(HRESULT hr, bool gotObject) {
  return Status(FAILED(hr) ? hr : gotObject ? S_OK : E_FAIL);
}

// A VARIANT cleared on every path out.
class ScopedVariant {
 public:
  ScopedVariant() { ::VariantInit(&v_); }
  ~ScopedVariant() { ::VariantClear(&v_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* get() { return &v_; }

 private:
  VARIANT v_;
};

// An integer variant as the 32-bit value WMI means: uint32 keeps its bits
// (WMI hands uint32 properties back as VT_I4); a 64-bit value that does not
// fit is refused rather than truncated.
bool VariantToInt32(const VARIANT& v, int32_t* out) {
  switch (V_VT(&v)) {
    case VT_I1:
      *out = V_I1(&v);
      return true;
    case VT_UI1:
      *out = V_UI1(&v);
      return true;
    case VT_I2:
      *out = V_I2(&v);
      return true;
    case VT_UI2:
      *out = V_UI2(&v);
      return true;
    case VT_I4:
      *out = V_I4(&v);
      return true;
    case VT_UI4:
      *out = static_cast<int32_t>(V_UI4(&v));
      return true;
    case VT_INT:
      *out = V_INT(&v);
      return true;
    case VT_UINT:
      *out = static_cast<int32_t>(V_UINT(&v));
      return true;
    case VT_I8:
      if (V_I8(&v) < INT32_MIN || V_I8(&v) > INT32_MAX) return false;
      *out = static_cast<int32_t>(V_I8(&v));
      return true;
    case VT_UI8:
      if (V_UI8(&v) > static_cast<ULONGLONG>(INT32_MAX)) return false;
      *out = static_cast<int32_t>(V_UI8(&v));
      return true;
    default:
      return false;
  }
}

Status GetText(IWbemClassObject& object, const wchar_t* name, std::wstring* value) {
  return Guarded([&]() -> Status {
    ScopedVariant v;
    const HRESULT hr = object.Get(name, 0, v.get(), nullptr, nullptr);
    if (FAILED(hr)) return Status(hr);
    if (V_VT(v.get()) != VT_BSTR) return Status(hresult::kWbemTypeMismatch);
    const BSTR text = V_BSTR(v.get());
    *value = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    return Status(hr);
  });
}

Status GetInt32(IWbemClassObject& object, const wchar_t* name, int32_t* value) {
  ScopedVariant v;
  const HRESULT hr = object.Get(name, 0, v.get(), nullptr, nullptr);
  if (FAILED(hr)) return Status(hr);
  return VariantToInt32(*v.get(), value) ? Status(hr) : Status(hresult::kWbemTypeMismatch);
}

Status PutText(IWbemClassObject& object, const wchar_t* name, const std::wstring& text) {
  ScopedVariant v;
  unique_bstr copy = MakeBstr(text);
  if (!copy) return kComNoMemory;
  V_VT(v.get()) = VT_BSTR;
  V_BSTR(v.get()) = copy.release();  // the variant owns it now
  return Status(object.Put(name, 0, v.get(), 0));
}

// Win32_Printer.RenamePrinter's in-parameter signature, fetched for the
// first printer of a listing that is renamed rather than once per printer;
// a failure is tried again for the next one.
struct RenameMethod {
  ComPtr<IWbemServices> services;
  ComPtr<IWbemClassObject> printerClass;
  ComPtr<IWbemClassObject> signature;

  Status Fetch() {
    return Guarded([&]() -> Status {
      HRESULT hr = S_OK;
      if (!printerClass) {
        const unique_bstr className = MakeBstr(L"Win32_Printer");
        if (!className) return kComNoMemory;
        hr = services->GetObject(className.get(), 0, nullptr, &printerClass, nullptr);
        if (!printerClass) return Outcome(hr, false);
      }
      if (!signature) hr = printerClass->GetMethod(L"RenamePrinter", 0, &signature, nullptr);
      return Outcome(hr, signature != nullptr);
    });
  }
};

class Win32ListedPrinter : public ListedPrinter {
 public:
  Win32ListedPrinter(ComPtr<IWbemClassObject> row, std::shared_ptr<RenameMethod> method)
      : row_(std::move(row)), method_(std::move(method)) {}

  Status ReadText(Property property, std::wstring* value) override {
    return GetText(*row_.Get(), property == kDeviceId ? L"DeviceID" : L"DriverName", value);
  }

  RenameResult Rename(const std::wstring& newName) override {
    RenameResult result;
    const Status status = Guarded([&]() -> Status {
      // The new name goes into the in-parameters first: calling without it
      // could report a clash for a name nobody asked for.
      result.step = RenameResult::kPrepare;
      if (!inParams_) {
        ComPtr<IWbemClassObject> spawned;
        if (Status s = method_->Fetch(); !s.ok()) return s;
        if (Status s = Outcome(method_->signature->SpawnInstance(0, &spawned), spawned != nullptr);
            !s.ok())
          return s;
        if (Status s = PutText(*spawned.Get(), L"NewPrinterName", newName); !s.ok()) return s;
        inParams_ = std::move(spawned);
        name_ = newName;
      } else if (newName != name_) {
        if (Status s = PutText(*inParams_.Get(), L"NewPrinterName", newName); !s.ok()) return s;
        name_ = newName;
      }

      // An unreadable path is passed on empty, for WMI to refuse.
      result.step = RenameResult::kExecute;
      if (!pathRead_) {
        const Status s = GetText(*row_.Get(), L"__PATH", &path_);
        if (s == kComNoMemory) return s;
        if (!s.ok()) path_.clear();
        pathRead_ = true;
      }
      const unique_bstr path = MakeBstr(path_), method = MakeBstr(L"RenamePrinter");
      if (!path || !method) return kComNoMemory;
      ComPtr<IWbemClassObject> out;
      const HRESULT hr = method_->services->ExecMethod(path.get(), method.get(), 0, nullptr,
                                                       inParams_.Get(), &out, nullptr);
      // A success without out-parameters is reported with its own code.
      if (FAILED(hr) || !out) return Status(hr);

      result.step = RenameResult::kReadResult;
      if (Status s = GetInt32(*out.Get(), L"ReturnValue", &result.returnValue); !s.ok()) return s;
      result.step = RenameResult::kDone;
      return Status::Ok();
    });
    result.status = status;
    return result;
  }

 private:
  ComPtr<IWbemClassObject> row_;
  std::shared_ptr<RenameMethod> method_;
  ComPtr<IWbemClassObject> inParams_;
  std::wstring name_;
  std::wstring path_;
  bool pathRead_ = false;
};

// The query's rows, taken from WMI ten at a time.
class Win32PrinterListing : public PrinterListing {
 public:
  Win32PrinterListing(ComPtr<IEnumWbemClassObject> enumerator, ComPtr<IWbemServices> services)
      : enumerator_(std::move(enumerator)), method_(std::make_shared<RenameMethod>()) {
    method_->services = std::move(services);
  }

  Status Next(std::unique_ptr<ListedPrinter>* printer) override {
    printer->reset();
    return Guarded([&]() -> Status {
      while (next_ == batch_.size()) {
        if (timedOut_) return Status(hresult::kWbemTimedOut);
        if (!more_) return Status::Ok();
        batch_.clear();
        next_ = 0;
        // Everything is allocated before the call, so that no object it
        // hands over can be lost to a failed allocation afterwards.
        std::vector<IWbemClassObject*> raw(kBatchSize, nullptr);
        batch_.reserve(kBatchSize);
        ULONG returned = 0;
        const HRESULT hr = enumerator_->Next(kBatchWaitMs, kBatchSize, raw.data(), &returned);
        for (ULONG i = 0; i < returned && i < kBatchSize; ++i) {
          batch_.emplace_back();
          batch_.back().Attach(raw[i]);
        }
        // WBEM_S_FALSE marks the last batch; an empty one that claims to be
        // full would otherwise never end the loop.
        more_ = hr == WBEM_S_NO_ERROR && returned > 0;
        if (FAILED(hr)) {
          batch_.clear();
          more_ = false;
          return Status(hr);
        }
        // A success code, but the listing cannot go on: the rows that came
        // in time are handed over, then the listing fails.
        if (hr == WBEM_S_TIMEDOUT) timedOut_ = true;
      }
      ComPtr<IWbemClassObject> row = std::move(batch_[next_++]);
      if (row) *printer = std::make_unique<Win32ListedPrinter>(std::move(row), method_);
      return Status::Ok();
    });
  }

 private:
  ComPtr<IEnumWbemClassObject> enumerator_;
  std::shared_ptr<RenameMethod> method_;
  std::vector<ComPtr<IWbemClassObject>> batch_;
  size_t next_ = 0;
  bool more_ = true;
  bool timedOut_ = false;
};

class Win32PrinterInventory : public PrinterInventory {
 public:
  Win32PrinterInventory(ComPtr<IWbemLocator> locator, ComPtr<IWbemServices> services)
      : locator_(std::move(locator)), services_(std::move(services)) {}

  Status ListPrinters(const std::wstring& query, bool toRename,
                      std::unique_ptr<PrinterListing>* listing) override {
    listing->reset();
    return Guarded([&]() -> Status {
      // Renaming needs each row's __PATH, which only a locatable query gives.
      // Returning at once leaves the waiting to Next, where it is bounded.
      const LONG flags = WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY |
                         (toRename ? WBEM_FLAG_ENSURE_LOCATABLE : 0);
      const unique_bstr language = MakeBstr(L"WQL"), text = MakeBstr(query);
      if (!language || !text) return kComNoMemory;
      ComPtr<IEnumWbemClassObject> enumerator;
      const HRESULT hr =
          services_->ExecQuery(language.get(), text.get(), flags, nullptr, &enumerator);
      if (enumerator)
        *listing = std::make_unique<Win32PrinterListing>(std::move(enumerator), services_);
      return Outcome(hr, *listing != nullptr);
    });
  }

 private:
  // Released in reverse: the services before the locator.
  ComPtr<IWbemLocator> locator_;
  ComPtr<IWbemServices> services_;
};

}  // namespace

Status Win32Wmi::Connect(std::unique_ptr<PrinterInventory>* inventory) {
  inventory->reset();
  return Guarded([&]() -> Status {
    ComPtr<IWbemLocator> locator;
    HRESULT hr =
        ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                           reinterpret_cast<void**>(locator.GetAddressOf()));
    if (!locator) return Outcome(hr, false);
    ComPtr<IWbemServices> services;
    const unique_bstr space = MakeBstr(L"ROOT\\CIMV2");
    if (!space) return kComNoMemory;
    hr = locator->ConnectServer(space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                &services);
    if (!services) return Outcome(hr, false);
    *inventory = std::make_unique<Win32PrinterInventory>(std::move(locator), std::move(services));
    return Status::Ok();
  });
}

}  // namespace vantrel
