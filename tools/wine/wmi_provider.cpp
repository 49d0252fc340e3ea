// A WMI service for Wine, which has no OEMStringArray, no maker's BIOS namespace and no
// adapter power classes: a locator registered in place of Wine's, serving root\cimv2,
// root\wmi and root\Vorlan\InstrumentedBIOS from the machine facts of the prefix. What
// PutInstance writes is kept in memory and appended to a file, so a test can read it back.
#include "tools/wine/wmi_com_object.h"
#include "tools/wine/wmi_repository.h"
#include "tools/wine/wmi_services.h"

namespace presetra::wine {
namespace {

class Locator : public ComObject<IWbemLocator> {
 public:
  HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR path, const BSTR, const BSTR, const BSTR, LONG,
                                          const BSTR, IWbemContext*,
                                          IWbemServices** services) override {
    if (services == nullptr) return WBEM_E_INVALID_PARAMETER;
    *services = nullptr;
    if (path == nullptr) return WBEM_E_INVALID_NAMESPACE;
    WString nameSpace = NormalizeNamespace(path);
    if (!Repository::Get().HasNamespace(nameSpace)) return WBEM_E_INVALID_NAMESPACE;
    *services = new Services(nameSpace);
    return WBEM_S_NO_ERROR;
  }
};

class Factory : public ComObject<IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* locator = new Locator();
    HRESULT hr = locator->QueryInterface(iid, out);
    locator->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    ServerLocks() += lock ? 1 : -1;
    return S_OK;
  }
};

}  // namespace
}  // namespace presetra::wine

using presetra::wine::Factory;
using presetra::wine::LiveObjects;
using presetra::wine::ServerLocks;

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!IsEqualCLSID(clsid, CLSID_WbemLocator)) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new Factory();
  HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
  return LiveObjects() == 0 && ServerLocks() == 0 ? S_OK : S_FALSE;
}
