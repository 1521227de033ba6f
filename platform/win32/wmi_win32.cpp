#include <windows.h>
// wingdi.h maps GetObject to GetObjectW; the port and IWbemServices both mean
// the WMI call, so keep one spelling throughout this file.
#undef GetObject

#include <comdef.h>
#include <oleauto.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "platform/win32/wmi_win32.h"

namespace vantrel {
namespace {

using Microsoft::WRL::ComPtr;

// Runs one adapter call with the exceptions of string building turned into
// statuses: _bstr_t throws _com_error when it cannot allocate, the standard
// containers std::bad_alloc. Nothing may cross the port.
template <typename F>
HResult CatchToHResult(F&& call) {
  try {
    return call();
  } catch (const _com_error&) {
    return E_OUTOFMEMORY;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
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

// Integer variants as the 32-bit value WMI means. Unsigned 32-bit values keep
// their bits (WMI itself hands uint32 properties back as VT_I4); 64-bit values
// that do not fit are refused rather than truncated.
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

class Win32WmiObject : public WmiObject {
 public:
  explicit Win32WmiObject(ComPtr<IWbemClassObject> object) : object_(std::move(object)) {}

  IWbemClassObject* get() const { return object_.Get(); }

  HResult Get(const std::wstring& name, WmiValue* value) override {
    return CatchToHResult([&]() -> HResult {
      ScopedVariant v;
      HRESULT hr = object_->Get(name.c_str(), 0, v.get(), nullptr, nullptr);
      if (FAILED(hr)) return hr;
      const VARIANT& var = *v.get();
      int32_t number = 0;
      if (V_VT(&var) == VT_EMPTY || V_VT(&var) == VT_NULL) {
        *value = std::monostate{};
      } else if (V_VT(&var) == VT_BSTR) {
        BSTR text = V_BSTR(&var);
        *value = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
      } else if (VariantToInt32(var, &number)) {
        *value = number;
      } else {
        // A type the port cannot carry: better a failure than a wrong value.
        return WBEM_E_TYPE_MISMATCH;
      }
      return hr;
    });
  }

  HResult Put(const std::wstring& name, const WmiValue& value) override {
    return CatchToHResult([&]() -> HResult {
      ScopedVariant v;
      VARIANT& var = *v.get();
      if (const auto* text = std::get_if<std::wstring>(&value)) {
        BSTR copy = ::SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
        if (!copy) return E_OUTOFMEMORY;
        V_VT(&var) = VT_BSTR;
        V_BSTR(&var) = copy;
      } else if (const auto* number = std::get_if<int32_t>(&value)) {
        V_VT(&var) = VT_I4;
        V_I4(&var) = *number;
      } else {
        V_VT(&var) = VT_NULL;
      }
      return object_->Put(name.c_str(), 0, &var, 0);
    });
  }

  HResult GetMethod(const std::wstring& name, std::unique_ptr<WmiObject>* inSignature) override {
    return CatchToHResult([&]() -> HResult {
      inSignature->reset();
      ComPtr<IWbemClassObject> in;
      HRESULT hr = object_->GetMethod(name.c_str(), 0, &in, nullptr);
      if (in) *inSignature = std::make_unique<Win32WmiObject>(std::move(in));
      return hr;
    });
  }

  HResult SpawnInstance(std::unique_ptr<WmiObject>* instance) override {
    return CatchToHResult([&]() -> HResult {
      instance->reset();
      ComPtr<IWbemClassObject> spawned;
      HRESULT hr = object_->SpawnInstance(0, &spawned);
      if (spawned) *instance = std::make_unique<Win32WmiObject>(std::move(spawned));
      return hr;
    });
  }

 private:
  ComPtr<IWbemClassObject> object_;
};

class Win32WmiEnumerator : public WmiEnumerator {
 public:
  explicit Win32WmiEnumerator(ComPtr<IEnumWbemClassObject> enumerator)
      : enumerator_(std::move(enumerator)) {}

  HResult Next(int32_t timeout, uint32_t count,
               std::vector<std::unique_ptr<WmiObject>>* objects) override {
    objects->clear();
    HResult hr = CatchToHResult([&]() -> HResult {
      // Everything is allocated before the call, so that no object the call
      // hands over can be lost to a failed allocation afterwards.
      std::vector<IWbemClassObject*> raw(count, nullptr);
      std::vector<ComPtr<IWbemClassObject>> owned;
      owned.reserve(count);
      objects->reserve(count);
      ULONG returned = 0;
      HRESULT status = enumerator_->Next(timeout, count, raw.data(), &returned);
      for (ULONG i = 0; i < returned && i < count; ++i) {
        owned.emplace_back();
        owned.back().Attach(raw[i]);
      }
      for (auto& object : owned) {
        if (object) objects->push_back(std::make_unique<Win32WmiObject>(std::move(object)));
      }
      return status;
    });
    if (hr == E_OUTOFMEMORY) objects->clear();
    return hr;
  }

 private:
  ComPtr<IEnumWbemClassObject> enumerator_;
};

class Win32WmiServices : public WmiServices {
 public:
  explicit Win32WmiServices(ComPtr<IWbemServices> services) : services_(std::move(services)) {}

  HResult ExecQuery(const std::wstring& language, const std::wstring& query, int32_t flags,
                    std::unique_ptr<WmiEnumerator>* enumerator) override {
    return CatchToHResult([&]() -> HResult {
      enumerator->reset();
      ComPtr<IEnumWbemClassObject> result;
      HRESULT hr = services_->ExecQuery(_bstr_t(language.c_str()), _bstr_t(query.c_str()), flags,
                                        nullptr, &result);
      if (result) *enumerator = std::make_unique<Win32WmiEnumerator>(std::move(result));
      return hr;
    });
  }

  HResult GetObject(const std::wstring& path, std::unique_ptr<WmiObject>* object) override {
    return CatchToHResult([&]() -> HResult {
      object->reset();
      ComPtr<IWbemClassObject> result;
      HRESULT hr = services_->GetObject(_bstr_t(path.c_str()), 0, nullptr, &result, nullptr);
      if (result) *object = std::make_unique<Win32WmiObject>(std::move(result));
      return hr;
    });
  }

  HResult ExecMethod(const std::wstring& objectPath, const std::wstring& method,
                     WmiObject* inParams, std::unique_ptr<WmiObject>* outParams) override {
    return CatchToHResult([&]() -> HResult {
      if (outParams) outParams->reset();
      IWbemClassObject* in = nullptr;
      if (inParams) {
        // Only objects this adapter made carry a COM object to pass on.
        auto* ours = dynamic_cast<Win32WmiObject*>(inParams);
        if (!ours) return E_INVALIDARG;
        in = ours->get();
      }
      ComPtr<IWbemClassObject> out;
      HRESULT hr =
          services_->ExecMethod(_bstr_t(objectPath.c_str()), _bstr_t(method.c_str()), 0, nullptr,
                                in, outParams ? out.GetAddressOf() : nullptr, nullptr);
      if (outParams && out) *outParams = std::make_unique<Win32WmiObject>(std::move(out));
      return hr;
    });
  }

 private:
  ComPtr<IWbemServices> services_;
};

class Win32WmiLocator : public WmiLocator {
 public:
  explicit Win32WmiLocator(ComPtr<IWbemLocator> locator) : locator_(std::move(locator)) {}

  HResult ConnectServer(const std::wstring& resource,
                        std::unique_ptr<WmiServices>* services) override {
    return CatchToHResult([&]() -> HResult {
      services->reset();
      ComPtr<IWbemServices> result;
      HRESULT hr = locator_->ConnectServer(_bstr_t(resource.c_str()), nullptr, nullptr, nullptr, 0,
                                           nullptr, nullptr, &result);
      if (result) *services = std::make_unique<Win32WmiServices>(std::move(result));
      return hr;
    });
  }

 private:
  ComPtr<IWbemLocator> locator_;
};

}  // namespace

HResult Win32Wmi::CreateLocator(std::unique_ptr<WmiLocator>* locator) {
  return CatchToHResult([&]() -> HResult {
    locator->reset();
    ComPtr<IWbemLocator> result;
    HRESULT hr =
        ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                           reinterpret_cast<void**>(result.GetAddressOf()));
    if (result) *locator = std::make_unique<Win32WmiLocator>(std::move(result));
    return hr;
  });
}

}  // namespace vantrel
