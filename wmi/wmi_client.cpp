#include "wmi/wmi_client.h"

#include <cstdint>
#include <new>

namespace presetra {

namespace {

constexpr win::HResult kEPointer = static_cast<win::HResult>(0x80004003);

bool IsWindowsXPOrLater(platform::Shell& shell) {
  win::Dword major = 0;
  win::Dword minor = 0;
  if (!shell.GetVersion(&major, &minor)) return false;
  return major > 5 || (major == 5 && minor >= 1);
}

WString TrimWideSpace(WStringView text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsWideSpace(text[begin])) ++begin;
  while (end > begin && IsWideSpace(text[end - 1])) --end;
  return WString(text.substr(begin, end - begin));
}

}  // namespace

win::HResult CWMIObjectPtr::GetValueAsString(platform::Com& com, WString& value) const {
  if (!object_) return kEPointer;
  platform::Variant variant;
  win::HResult hr = object_->Get(u"Value", &variant);
  if (win::Succeeded(hr)) hr = com.ChangeTypeToBstr(&variant);
  if (win::Succeeded(hr)) value = variant.text.value_or(WString());
  return hr;
}

win::HResult CWMIObjectPtr::GetOEMStringArray(std::vector<WString>& strings) const {
  strings.clear();
  if (!object_) return kEPointer;
  platform::Variant variant;
  win::HResult hr = object_->Get(u"OEMStringArray", &variant);
  if (hr != win::kSOk) return hr;
  if (variant.vt != (win::kVtArray | win::kVtBstr) || !variant.array) {
    return win::kWbemETypeMismatch;
  }
  const platform::SafeArray& array = *variant.array;
  std::size_t count = array.bounds.empty() ? 0 : array.bounds.front().elements;
  for (std::size_t i = 0; i < count && i < array.elements.size(); ++i) {
    strings.push_back(TrimWideSpace(array.elements[i].text.value_or(WString())));
  }
  return win::kSOk;
}

CWMIClient::CWMIClient(platform::System& system, ComSecurity& security)
    : system_(system), security_(security), lastResult_(win::kWbemEInitializationFailure) {}

CWMIClient::~CWMIClient() {
  enumerator_.reset();
  current_.Release();
  services_.reset();
  comInitializer_.reset();
}

win::HResult CWMIClient::Connect(const char16_t* namespacePath) {
  if (services_) return win::kSOk;
  lastResult_ = 1;
  platform::Com& com = system_.com();
  if (!comInitializer_) {
    comInitializer_.reset(new (std::nothrow) CAutoInitializeCOM(com));
    if (!comInitializer_) {
      lastResult_ = win::kErrorNotEnoughMemory;
      return lastResult_;
    }
  }
  lastResult_ = comInitializer_->Result();

  if (security_.pending != 0) {
    security_.pending = com.CoInitializeSecurity(win::kRpcCAuthnLevelDefault,
                                                 win::kRpcCImpLevelImpersonate, win::kEoacNone);
    if (security_.pending == win::kRpcETooLate) {
      // The host process has set COM security already; that is as good as our own.
      security_.pending = 0;
    } else if (security_.pending != 0) {
      lastResult_ = security_.pending;
      return lastResult_;
    }
  }

  platform::WbemLocatorPtr locator;
  lastResult_ = com.CreateWbemLocator(&locator);
  if (lastResult_ == win::kSOk) {
    std::optional<WString> path;
    if (namespacePath != nullptr) path = WString(namespacePath);
    std::int32_t flags = IsWindowsXPOrLater(system_.shell()) ? win::kWbemFlagConnectUseMaxWait : 0;
    lastResult_ = locator->ConnectServer(path, flags, &services_);
    if (lastResult_ != win::kSOk) {
      services_.reset();
    } else {
      lastResult_ = com.SetProxyBlanket(services_, win::kRpcCAuthnWinnt, win::kRpcCAuthzNone,
                                        win::kRpcCAuthnLevelDefault, win::kRpcCImpLevelImpersonate,
                                        win::kEoacNone);
    }
  }
  if (lastResult_ != win::kSOk) services_.reset();
  locator.reset();
  return lastResult_;
}

win::HResult CWMIClient::ExecQuery(const char16_t* query) {
  if (query == nullptr) return win::kErrorInvalidParameter;
  if (!services_) {
    lastResult_ = win::kWbemEInitializationFailure;
    return lastResult_;
  }
  enumerator_.reset();
  lastResult_ = services_->ExecQuery(u"WQL", query, win::kWbemFlagForwardOnly, &enumerator_);
  if (lastResult_ != win::kSOk) {
    enumerator_.reset();
    return lastResult_;
  }
  return Next();
}

win::HResult CWMIClient::Next() {
  current_.Release();
  if (!enumerator_) {
    lastResult_ = kEPointer;
    return lastResult_;
  }
  lastResult_ = enumerator_->Next(10000, &current_.Ref());
  if (lastResult_ != win::kSOk) {
    current_.Release();
    return lastResult_;
  }
  return win::kSOk;
}

win::HResult CWMIClient::PutProperty(const char16_t* name, const platform::Variant& value) {
  if (name == nullptr) return win::kErrorInvalidParameter;
  if (!services_) {
    lastResult_ = win::kWbemENotFound;
    return lastResult_;
  }
  if (!current_) {
    lastResult_ = kEPointer;
    return lastResult_;
  }
  lastResult_ = current_.Ref()->Put(name, value, 0);
  if (lastResult_ == win::kSOk) {
    lastResult_ = services_->PutInstance(current_.Ref(), win::kWbemFlagUpdateOnly);
  }
  return lastResult_;
}

win::HResult CWMIClient::GetValueAsString(WString& value) {
  lastResult_ = current_.GetValueAsString(system_.com(), value);
  return lastResult_;
}

win::HResult CWMIClient::GetOEMStringArray(std::vector<WString>& strings) {
  lastResult_ = current_.GetOEMStringArray(strings);
  return lastResult_;
}

}  // namespace presetra
