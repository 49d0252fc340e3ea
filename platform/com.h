// COM, OLE Automation and the WMI client interfaces (IWbemLocator, IWbemServices,
// IEnumWbemClassObject, IWbemClassObject). A shared_ptr is a counted COM reference: the last
// owner releases the object.
#pragma once

#include <memory>
#include <optional>

#include "platform/text.h"
#include "platform/variant.h"
#include "platform/win_constants.h"

namespace presetra::platform {

class WbemClassObject {
 public:
  virtual ~WbemClassObject() = default;
  // IWbemClassObject::Get(name, 0, value, no CIM type, no flavour). On failure *value is left
  // unchanged.
  [[nodiscard]] virtual win::HResult Get(WStringView name, Variant* value) = 0;
  // IWbemClassObject::Put(name, 0, value, cimType).
  [[nodiscard]] virtual win::HResult Put(WStringView name, const Variant& value,
                                         std::int32_t cimType) = 0;
};
using WbemClassObjectPtr = std::shared_ptr<WbemClassObject>;

class WbemEnumerator {
 public:
  virtual ~WbemEnumerator() = default;
  // IEnumWbemClassObject::Next with a count of 1. S_OK with an object, WBEM_S_FALSE when none
  // is left, WBEM_S_TIMEDOUT when the time-out passed.
  [[nodiscard]] virtual win::HResult Next(std::int32_t timeoutMs, WbemClassObjectPtr* object) = 0;
};
using WbemEnumeratorPtr = std::shared_ptr<WbemEnumerator>;

class WbemServices {
 public:
  virtual ~WbemServices() = default;
  // IWbemServices::ExecQuery(language, query, flags, no context).
  [[nodiscard]] virtual win::HResult ExecQuery(WStringView language, WStringView query,
                                               std::int32_t flags,
                                               WbemEnumeratorPtr* enumerator) = 0;
  // IWbemServices::PutInstance(object, flags, no context, no call result).
  [[nodiscard]] virtual win::HResult PutInstance(const WbemClassObjectPtr& object,
                                                 std::int32_t flags) = 0;
};
using WbemServicesPtr = std::shared_ptr<WbemServices>;

class WbemLocator {
 public:
  virtual ~WbemLocator() = default;
  // IWbemLocator::ConnectServer(path, no user, no password, no locale, securityFlags, no
  // authority, no context). A null path is a null BSTR.
  [[nodiscard]] virtual win::HResult ConnectServer(const std::optional<WString>& path,
                                                   std::int32_t securityFlags,
                                                   WbemServicesPtr* services) = 0;
};
using WbemLocatorPtr = std::shared_ptr<WbemLocator>;

class Com {
 public:
  virtual ~Com() = default;
  [[nodiscard]] virtual win::HResult OleInitialize() = 0;
  virtual void OleUninitialize() = 0;
  // CoInitializeEx(null, coinit).
  [[nodiscard]] virtual win::HResult CoInitializeEx(win::Dword coinit) = 0;
  virtual void CoUninitialize() = 0;
  // CoInitializeSecurity(no descriptor, -1, no services, no reserved, authnLevel, impLevel, no
  // authentication list, capabilities, no reserved).
  [[nodiscard]] virtual win::HResult CoInitializeSecurity(std::int32_t authnLevel,
                                                          std::int32_t impLevel,
                                                          std::int32_t capabilities) = 0;
  // CoCreateInstance(CLSID_WbemLocator, no outer, CLSCTX_INPROC_SERVER, IID_IWbemLocator).
  [[nodiscard]] virtual win::HResult CreateWbemLocator(WbemLocatorPtr* locator) = 0;
  // CoSetProxyBlanket on the services' proxy (no principal name, no identity).
  [[nodiscard]] virtual win::HResult SetProxyBlanket(const WbemServicesPtr& services,
                                                     std::int32_t authnService,
                                                     std::int32_t authzService,
                                                     std::int32_t authnLevel, std::int32_t impLevel,
                                                     std::int32_t capabilities) = 0;
  // VariantChangeType(value, value, 0, VT_BSTR). On failure the value is left unchanged.
  [[nodiscard]] virtual win::HResult ChangeTypeToBstr(Variant* value) = 0;
};

}  // namespace presetra::platform
