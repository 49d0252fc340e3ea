// A namespace as IWbemServices: WQL queries over the repository, and PutInstance.
#pragma once

#include "tools/wine/wmi_com_object.h"
#include "tools/wine/wmi_repository.h"

namespace presetra::wine {

// CoSetProxyBlanket asks the services for IClientSecurity; there is no proxy to configure.
class Services : public ComObject<IWbemServices>, public IClientSecurity {
 public:
  explicit Services(WString nameSpace) : nameSpace_(std::move(nameSpace)) {}

  ULONG STDMETHODCALLTYPE AddRef() override { return ComObject<IWbemServices>::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return ComObject<IWbemServices>::Release(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out != nullptr && IsEqualIID(iid, IID_IClientSecurity)) {
      *out = static_cast<IClientSecurity*>(this);
      AddRef();
      return S_OK;
    }
    return ComObject<IWbemServices>::QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE QueryBlanket(IUnknown*, DWORD*, DWORD*, OLECHAR**, DWORD*, DWORD*,
                                         RPC_AUTH_IDENTITY_HANDLE*, DWORD*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetBlanket(IUnknown*, DWORD, DWORD, OLECHAR*, DWORD, DWORD,
                                       RPC_AUTH_IDENTITY_HANDLE, DWORD) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CopyProxy(IUnknown*, IUnknown**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR query, LONG, IWbemContext*,
                                      IEnumWbemClassObject** result) override;
  HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject* object, LONG, IWbemContext*,
                                        IWbemCallResult**) override;
  HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**,
                                          IWbemCallResult**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG, IWbemObjectSink**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE GetObject(const BSTR, LONG, IWbemContext*, IWbemClassObject**,
                                      IWbemCallResult**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR, LONG, IWbemContext*,
                                           IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject*, LONG, IWbemContext*,
                                     IWbemCallResult**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject*, LONG, IWbemContext*,
                                          IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR, LONG, IWbemContext*,
                                        IWbemCallResult**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR, LONG, IWbemContext*,
                                             IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR, LONG, IWbemContext*,
                                            IEnumWbemClassObject**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR, LONG, IWbemContext*,
                                                 IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*,
                                             IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR, LONG, IWbemContext*,
                                           IWbemCallResult**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR, LONG, IWbemContext*,
                                                IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR, LONG, IWbemContext*,
                                               IEnumWbemClassObject**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*,
                                                    IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                           IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                                  IEnumWbemClassObject**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                                       IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*,
                                       IWbemClassObject*, IWbemClassObject**,
                                       IWbemCallResult**) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                            IWbemClassObject*, IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }

 private:
  WString nameSpace_;
};

}  // namespace presetra::wine
