#include "platform/win32/handles.h"
#include "platform/win32/system.h"
#include "platform/win32/variant_convert.h"

namespace presetra::win32 {

namespace {

class ClassObject : public platform::WbemClassObject {
 public:
  explicit ClassObject(ComPtr<IWbemClassObject> object) : object_(std::move(object)) {}
  IWbemClassObject* raw() const { return object_.get(); }

  win::HResult Get(WStringView name, platform::Variant* value) override {
    WString property(name);
    ScopedVariant variant;
    HRESULT hr = object_->Get(WidePtr(property), 0, variant.get(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    platform::Variant converted;
    HRESULT conversion = FromVariant(*variant.get(), &converted);
    if (FAILED(conversion)) return conversion;
    *value = std::move(converted);
    return hr;
  }

  win::HResult Put(WStringView name, const platform::Variant& value,
                   std::int32_t cimType) override {
    WString property(name);
    ScopedVariant variant;
    HRESULT hr = ToVariant(value, variant.get());
    if (FAILED(hr)) return hr;
    return object_->Put(WidePtr(property), 0, variant.get(), cimType);
  }

 private:
  ComPtr<IWbemClassObject> object_;
};

class Enumerator : public platform::WbemEnumerator {
 public:
  explicit Enumerator(ComPtr<IEnumWbemClassObject> enumerator)
      : enumerator_(std::move(enumerator)) {}

  win::HResult Next(std::int32_t timeoutMs, platform::WbemClassObjectPtr* object) override {
    ComPtr<IWbemClassObject> next;
    ULONG returned = 0;
    HRESULT hr = enumerator_->Next(timeoutMs, 1, next.Receive(), &returned);
    if (returned == 1 && next) *object = std::make_shared<ClassObject>(next);
    return hr;
  }

 private:
  ComPtr<IEnumWbemClassObject> enumerator_;
};

class Services : public platform::WbemServices {
 public:
  explicit Services(ComPtr<IWbemServices> services) : services_(std::move(services)) {}
  IWbemServices* raw() const { return services_.get(); }

  win::HResult ExecQuery(WStringView language, WStringView query, std::int32_t flags,
                         platform::WbemEnumeratorPtr* enumerator) override {
    WString languageText(language);
    WString queryText(query);
    ScopedBstr languageBstr(&languageText);
    ScopedBstr queryBstr(&queryText);
    ComPtr<IEnumWbemClassObject> result;
    HRESULT hr =
        services_->ExecQuery(languageBstr.get(), queryBstr.get(), flags, nullptr, result.Receive());
    if (SUCCEEDED(hr) && result) *enumerator = std::make_shared<Enumerator>(result);
    return hr;
  }

  win::HResult PutInstance(const platform::WbemClassObjectPtr& object,
                           std::int32_t flags) override {
    auto* ours = dynamic_cast<ClassObject*>(object.get());
    if (ours == nullptr) return E_INVALIDARG;
    return services_->PutInstance(ours->raw(), flags, nullptr, nullptr);
  }

 private:
  ComPtr<IWbemServices> services_;
};

class Locator : public platform::WbemLocator {
 public:
  explicit Locator(ComPtr<IWbemLocator> locator) : locator_(std::move(locator)) {}

  win::HResult ConnectServer(const std::optional<WString>& path, std::int32_t securityFlags,
                             platform::WbemServicesPtr* services) override {
    ScopedBstr pathBstr(path ? &*path : nullptr);
    if (path && pathBstr.get() == nullptr) return E_OUTOFMEMORY;
    ComPtr<IWbemServices> connected;
    HRESULT hr = locator_->ConnectServer(pathBstr.get(), nullptr, nullptr, nullptr, securityFlags,
                                         nullptr, nullptr, connected.Receive());
    if (hr == S_OK && connected) *services = std::make_shared<Services>(connected);
    return hr;
  }

 private:
  ComPtr<IWbemLocator> locator_;
};

}  // namespace

win::HResult Com::OleInitialize() {
  return ::OleInitialize(nullptr);
}

void Com::OleUninitialize() {
  ::OleUninitialize();
}

win::HResult Com::CoInitializeEx(win::Dword coinit) {
  return ::CoInitializeEx(nullptr, coinit);
}

void Com::CoUninitialize() {
  ::CoUninitialize();
}

win::HResult Com::CoInitializeSecurity(std::int32_t authnLevel, std::int32_t impLevel,
                                       std::int32_t capabilities) {
  return ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, authnLevel, impLevel, nullptr,
                                capabilities, nullptr);
}

win::HResult Com::CreateWbemLocator(platform::WbemLocatorPtr* locator) {
  ComPtr<IWbemLocator> created;
  HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(created.Receive()));
  if (hr == S_OK && created) *locator = std::make_shared<Locator>(created);
  return hr;
}

win::HResult Com::SetProxyBlanket(const platform::WbemServicesPtr& services,
                                  std::int32_t authnService, std::int32_t authzService,
                                  std::int32_t authnLevel, std::int32_t impLevel,
                                  std::int32_t capabilities) {
  auto* ours = dynamic_cast<Services*>(services.get());
  if (ours == nullptr) return E_INVALIDARG;
  return CoSetProxyBlanket(ours->raw(), authnService, authzService, nullptr, authnLevel, impLevel,
                           nullptr, capabilities);
}

win::HResult Com::ChangeTypeToBstr(platform::Variant* value) {
  ScopedVariant variant;
  HRESULT hr = ToVariant(*value, variant.get());
  if (FAILED(hr)) return hr;
  hr = VariantChangeType(variant.get(), variant.get(), 0, VT_BSTR);
  if (FAILED(hr)) return hr;
  platform::Variant converted;
  hr = FromVariant(*variant.get(), &converted);
  if (SUCCEEDED(hr)) *value = std::move(converted);
  return hr;
}

}  // namespace presetra::win32
