// WMI as the service's engine and the configuration program use it: the
// locator, the ROOT\CIMV2 services, query enumerators and class objects. The
// port follows the COM interfaces call for call (IWbemLocator,
// IWbemServices, IEnumWbemClassObject, IWbemClassObject) so the engine's
// sequence of calls is the one the real adapter makes; only
// platform/win32/wmi_win32.cpp touches COM. Statuses are HRESULTs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/status.h"

namespace vantrel {

using HResult = int32_t;

// The other HRESULTs the programs name live in platform/status.h.
namespace hresult {
inline constexpr HResult kFalse = 1;  // WBEM_S_FALSE / S_FALSE
inline constexpr bool Failed(HResult hr) { return hr < 0; }
}  // namespace hresult

namespace wbem {
inline constexpr int32_t kInfinite = -1;
inline constexpr int32_t kFlagForwardOnly = 0x20;
inline constexpr int32_t kFlagEnsureLocatable = 0x100;
}  // namespace wbem

// A VARIANT reduced to what the system reads and writes: empty (VT_EMPTY or
// VT_NULL), a string (VT_BSTR) or a 32-bit integer (VT_I4 and the other
// integer types WMI hands back for uint32 properties).
using WmiValue = std::variant<std::monostate, std::wstring, int32_t>;

class WmiObject {
 public:
  virtual ~WmiObject() = default;
  // IWbemClassObject::Get(name, 0, &value, nullptr, nullptr).
  virtual HResult Get(const std::wstring& name, WmiValue* value) = 0;
  // IWbemClassObject::Put(name, 0, &value, 0).
  virtual HResult Put(const std::wstring& name, const WmiValue& value) = 0;
  // IWbemClassObject::GetMethod(name, 0, &inSignature, nullptr).
  virtual HResult GetMethod(const std::wstring& name, std::unique_ptr<WmiObject>* inSignature) = 0;
  // IWbemClassObject::SpawnInstance(0, &instance).
  virtual HResult SpawnInstance(std::unique_ptr<WmiObject>* instance) = 0;
};

class WmiEnumerator {
 public:
  virtual ~WmiEnumerator() = default;
  // IEnumWbemClassObject::Next(timeout, count, objects, &returned). The
  // objects returned are appended to `*objects` (cleared first).
  virtual HResult Next(int32_t timeout, uint32_t count,
                       std::vector<std::unique_ptr<WmiObject>>* objects) = 0;
};

class WmiServices {
 public:
  virtual ~WmiServices() = default;
  // IWbemServices::ExecQuery(language, query, flags, nullptr, &enumerator).
  virtual HResult ExecQuery(const std::wstring& language, const std::wstring& query, int32_t flags,
                            std::unique_ptr<WmiEnumerator>* enumerator) = 0;
  // IWbemServices::GetObject(path, 0, nullptr, &object, nullptr).
  virtual HResult GetObject(const std::wstring& path, std::unique_ptr<WmiObject>* object) = 0;
  // IWbemServices::ExecMethod(path, method, 0, nullptr, inParams, outParams,
  // nullptr). `outParams` null means the caller does not ask for them.
  virtual HResult ExecMethod(const std::wstring& objectPath, const std::wstring& method,
                             WmiObject* inParams, std::unique_ptr<WmiObject>* outParams) = 0;
};

class WmiLocator {
 public:
  virtual ~WmiLocator() = default;
  // IWbemLocator::ConnectServer(resource, no user/password/locale, flags 0,
  // no authority, no context, &services).
  virtual HResult ConnectServer(const std::wstring& resource,
                                std::unique_ptr<WmiServices>* services) = 0;
};

class Wmi {
 public:
  virtual ~Wmi() = default;
  // CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
  // IID_IWbemLocator, &locator).
  virtual HResult CreateLocator(std::unique_ptr<WmiLocator>* locator) = 0;
};

}  // namespace vantrel
