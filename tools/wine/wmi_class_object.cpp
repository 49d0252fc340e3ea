#include "tools/wine/wmi_class_object.h"

#include <fstream>

#include "tools/wine/machine_facts.h"

namespace presetra::wine {

HRESULT STDMETHODCALLTYPE ClassObject::Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE* type,
                                           LONG* flavor) {
  Property* p = Find(win32::FromWide(name));
  if (p == nullptr) return WBEM_E_NOT_FOUND;
  if (value != nullptr) {
    VariantInit(value);
    VariantCopy(value, p->value.get());
  }
  if (type != nullptr) *type = 0;
  if (flavor != nullptr) *flavor = 0;
  return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE ClassObject::Put(LPCWSTR name, LONG, VARIANT* value, CIMTYPE type) {
  Property* p = Find(win32::FromWide(name));
  if (p == nullptr || value == nullptr) return WBEM_E_NOT_FOUND;
  if (type == 0 && p->value.get()->vt == VT_BOOL) {
    // The declared type stays: WMI converts the value to it.
    ScopedVariant converted;
    if (FAILED(VariantChangeType(converted.get(), value, 0, VT_BOOL))) {
      return WBEM_E_TYPE_MISMATCH;
    }
    p->value = std::move(converted);
    return WBEM_S_NO_ERROR;
  }
  p->value = ScopedVariant::Copy(*value);
  return WBEM_S_NO_ERROR;
}

HRESULT ClassObject::Store() {
  if (stored_->writesFail) return WBEM_E_FAILED;
  std::ofstream record(kWmiWritesPath, std::ios::app | std::ios::binary);
  const Property* instanceName = Find(u"InstanceName");
  for (auto& p : properties_) {
    Property* target = stored_->Find(p.name);
    if (target == nullptr) continue;
    if (VarCmp(target->value.get(), p.value.get(), LOCALE_USER_DEFAULT, 0) !=
        static_cast<HRESULT>(VARCMP_EQ)) {
      ScopedVariant text;
      const bool asText =
          SUCCEEDED(VariantChangeType(text.get(), p.value.get(), VARIANT_ALPHABOOL, VT_BSTR));
      record << Utf16ToUtf8(stored_->className) << '\t'
             << Utf16ToUtf8(instanceName ? win32::FromWide(instanceName->value.get()->bstrVal)
                                         : WString())
             << '\t' << Utf16ToUtf8(p.name) << '\t'
             << Utf16ToUtf8(asText ? win32::FromWide(text.get()->bstrVal) : WString()) << '\n';
    }
    target->value = ScopedVariant::Copy(*p.value.get());
  }
  return WBEM_S_NO_ERROR;
}

}  // namespace presetra::wine
