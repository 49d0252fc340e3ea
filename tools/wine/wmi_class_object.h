// An instance as IWbemClassObject: a copy of the stored instance's properties, which Put
// changes and PutInstance stores back.
#pragma once

#include <memory>

#include "tools/wine/wmi_com_object.h"
#include "tools/wine/wmi_repository.h"

namespace presetra::wine {

class ClassObject : public ComObject<IWbemClassObject> {
 public:
  explicit ClassObject(std::shared_ptr<Instance> stored) : stored_(std::move(stored)) {
    for (const auto& p : stored_->properties) {
      properties_.push_back(Property{p.name, ScopedVariant::Copy(*p.value.get())});
    }
  }
  const std::shared_ptr<Instance>& Stored() const { return stored_; }

  HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE* type,
                                LONG* flavor) override;
  HRESULT STDMETHODCALLTYPE Put(LPCWSTR name, LONG, VARIANT* value, CIMTYPE type) override;
  // Writes the object back to the repository and to the record of writes.
  HRESULT Store();

  HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE EndEnumeration() override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR*) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR, LONG, IWbemClassObject**,
                                      IWbemClassObject**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject*,
                                      IWbemClassObject*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR*, IWbemClassObject**,
                                       IWbemClassObject**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR*) override {
    return WBEM_E_NOT_SUPPORTED;
  }

 private:
  Property* Find(const WString& name) {
    for (auto& p : properties_) {
      if (EqualsIgnoringCase(p.name, name)) return &p;
    }
    return nullptr;
  }
  const Property* Find(const WString& name) const {
    return const_cast<ClassObject*>(this)->Find(name);
  }

  std::shared_ptr<Instance> stored_;
  std::vector<Property> properties_;
};

}  // namespace presetra::wine
