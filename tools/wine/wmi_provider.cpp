// A WMI service for Wine, which has no OEMStringArray, no maker's BIOS namespace and no
// adapter power classes: a locator registered in place of Wine's, serving root\cimv2,
// root\wmi and root\Vorlan\InstrumentedBIOS from the machine facts of the prefix. What
// PutInstance writes is kept in memory and appended to a file, so a test can read it back.
// clang-format off
#include <windows.h>
#include <oleauto.h>
#include <wbemcli.h>
// clang-format on

#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/wql.h"
#include "tools/wine/machine_facts.h"

namespace {

using presetra::WString;
using presetra::wine::MachineFacts;

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

WString FromWide(const wchar_t* text) {
  return text ? WString(reinterpret_cast<const char16_t*>(text), wcslen(text)) : WString();
}
const wchar_t* Wide(const WString& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

struct Property {
  WString name;
  VARIANT value;
};

struct Instance {
  WString nameSpace;  // upper case, without "\\.\"
  WString className;
  std::vector<Property> properties;
  bool writesFail = false;

  Property* Find(const WString& name) {
    for (auto& p : properties) {
      if (presetra::EqualsIgnoringCase(p.name, name)) return &p;
    }
    return nullptr;
  }
};

VARIANT BstrVariant(const WString& text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(Wide(text), static_cast<UINT>(text.size()));
  return v;
}

VARIANT BoolVariant(bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

class Repository {
 public:
  static Repository& Get() {
    static Repository repository;
    return repository;
  }
  std::vector<std::shared_ptr<Instance>> instances;
  std::vector<std::pair<WString, WString>> classes;  // namespace, class

  bool HasNamespace(const WString& ns) const {
    for (const auto& [name, cls] : classes) {
      if (name == ns) return true;
    }
    return false;
  }
  bool HasClass(const WString& ns, const WString& className) const {
    for (const auto& [name, cls] : classes) {
      if (name == ns && presetra::EqualsIgnoringCase(cls, className)) return true;
    }
    return false;
  }

 private:
  Repository() {
    MachineFacts facts = presetra::wine::ReadFacts();

    Declare(u"ROOT\\CIMV2", u"Win32_ComputerSystem");
    auto computer = Add(u"ROOT\\CIMV2", u"Win32_ComputerSystem");
    computer->properties.push_back({u"Name", BstrVariant(u"VORLAN-PC")});
    VARIANT oem;
    VariantInit(&oem);
    if (facts.oemStrings) {
      SAFEARRAY* array =
          SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(facts.oemStrings->size()));
      for (LONG i = 0; i < static_cast<LONG>(facts.oemStrings->size()); ++i) {
        const auto& entry = (*facts.oemStrings)[i];
        BSTR text =
            entry ? SysAllocStringLen(Wide(*entry), static_cast<UINT>(entry->size())) : nullptr;
        SafeArrayPutElement(array, &i, text);
        SysFreeString(text);
      }
      oem.vt = VT_ARRAY | VT_BSTR;
      oem.parray = array;
    } else {
      oem.vt = VT_NULL;
    }
    computer->properties.push_back({u"OEMStringArray", oem});

    if (facts.biosFeatureByte) {
      auto featureByte = Add(u"ROOT\\VORLAN\\INSTRUMENTEDBIOS", u"VorlanBIOS_BIOSString");
      featureByte->properties.push_back({u"Name", BstrVariant(u"Feature Byte")});
      featureByte->properties.push_back({u"Value", BstrVariant(*facts.biosFeatureByte)});
    }

    const char16_t* adapterClasses[][2] = {
        {u"MSPower_DeviceEnable", u"Enable"},
        {u"MSPower_DeviceWakeEnable", u"Enable"},
        {u"MSNdis_DeviceWakeOnMagicPacketOnly", u"EnableWakeOnMagicPacketOnly"},
    };
    for (const auto& row : adapterClasses) Declare(u"ROOT\\WMI", row[0]);
    for (const auto& adapter : facts.adapters) {
      for (const auto& row : adapterClasses) {
        auto instance = Add(u"ROOT\\WMI", row[0]);
        instance->writesFail = adapter.writesFail;
        instance->properties.push_back({u"InstanceName", BstrVariant(adapter.instanceName)});
        instance->properties.push_back({u"Active", BoolVariant(true)});
        instance->properties.push_back({row[1], BoolVariant(false)});
      }
    }
  }

  void Declare(const WString& ns, const WString& className) { classes.push_back({ns, className}); }
  std::shared_ptr<Instance> Add(const WString& ns, const WString& className) {
    Declare(ns, className);
    auto instance = std::make_shared<Instance>();
    instance->nameSpace = ns;
    instance->className = className;
    instances.push_back(instance);
    return instance;
  }
};

WString NormalizeNamespace(const wchar_t* path) {
  WString text = presetra::ToUpper(FromWide(path));
  for (auto& c : text) {
    if (c == u'/') c = u'\\';
  }
  for (const WString& prefix : {WString(u"\\\\.\\"), WString(u"\\\\LOCALHOST\\")}) {
    if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
  }
  while (!text.empty() && text.back() == u'\\') text.pop_back();
  return text;
}

template <typename Interface>
class ComObject : public Interface {
 public:
  ComObject() { ++g_objects; }
  virtual ~ComObject() { --g_objects; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

class ClassObject : public ComObject<IWbemClassObject> {
 public:
  explicit ClassObject(std::shared_ptr<Instance> stored) : stored_(std::move(stored)) {
    for (const auto& p : stored_->properties) {
      Property copy{p.name, {}};
      VariantInit(&copy.value);
      VariantCopy(&copy.value, const_cast<VARIANT*>(&p.value));
      properties_.push_back(copy);
    }
  }
  ~ClassObject() override {
    for (auto& p : properties_) VariantClear(&p.value);
  }
  const std::shared_ptr<Instance>& Stored() const { return stored_; }

  HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE* type,
                                LONG* flavor) override {
    Property* p = Find(FromWide(name));
    if (p == nullptr) return WBEM_E_NOT_FOUND;
    if (value != nullptr) {
      VariantInit(value);
      VariantCopy(value, &p->value);
    }
    if (type != nullptr) *type = 0;
    if (flavor != nullptr) *flavor = 0;
    return WBEM_S_NO_ERROR;
  }

  HRESULT STDMETHODCALLTYPE Put(LPCWSTR name, LONG, VARIANT* value, CIMTYPE type) override {
    Property* p = Find(FromWide(name));
    if (p == nullptr || value == nullptr) return WBEM_E_NOT_FOUND;
    if (type == 0 && p->value.vt == VT_BOOL) {
      // The declared type stays: WMI converts the value to it.
      VARIANT converted;
      VariantInit(&converted);
      if (FAILED(VariantChangeType(&converted, value, 0, VT_BOOL))) return WBEM_E_TYPE_MISMATCH;
      VariantClear(&p->value);
      p->value = converted;
      return WBEM_S_NO_ERROR;
    }
    VariantClear(&p->value);
    VariantCopy(&p->value, value);
    return WBEM_S_NO_ERROR;
  }

  // Writes the object back to the repository and to the record of writes.
  HRESULT Store() {
    if (stored_->writesFail) return WBEM_E_FAILED;
    std::ofstream record(presetra::wine::kWmiWritesPath, std::ios::app | std::ios::binary);
    const Property* instanceName = Find(u"InstanceName");
    for (auto& p : properties_) {
      Property* target = stored_->Find(p.name);
      if (target == nullptr) continue;
      if (VarCmp(&target->value, &p.value, LOCALE_USER_DEFAULT, 0) !=
          static_cast<HRESULT>(VARCMP_EQ)) {
        VARIANT text;
        VariantInit(&text);
        VariantChangeType(&text, &p.value, VARIANT_ALPHABOOL, VT_BSTR);
        record << presetra::Utf16ToUtf8(stored_->className) << '\t'
               << presetra::Utf16ToUtf8(instanceName ? FromWide(instanceName->value.bstrVal)
                                                     : WString())
               << '\t' << presetra::Utf16ToUtf8(p.name) << '\t'
               << presetra::Utf16ToUtf8(FromWide(text.bstrVal)) << '\n';
        VariantClear(&text);
      }
      VariantClear(&target->value);
      VariantCopy(&target->value, &p.value);
    }
    return WBEM_S_NO_ERROR;
  }

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
      if (presetra::EqualsIgnoringCase(p.name, name)) return &p;
    }
    return nullptr;
  }
  const Property* Find(const WString& name) const {
    return const_cast<ClassObject*>(this)->Find(name);
  }

  std::shared_ptr<Instance> stored_;
  std::vector<Property> properties_;
};

class Enumerator : public ComObject<IEnumWbemClassObject> {
 public:
  explicit Enumerator(std::vector<std::shared_ptr<Instance>> found) : found_(std::move(found)) {}

  HRESULT STDMETHODCALLTYPE Next(LONG, ULONG count, IWbemClassObject** objects,
                                 ULONG* returned) override {
    if (objects == nullptr || returned == nullptr) return WBEM_E_INVALID_PARAMETER;
    ULONG n = 0;
    while (n < count && next_ < found_.size()) objects[n++] = new ClassObject(found_[next_++]);
    *returned = n;
    return n == count ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return WBEM_S_NO_ERROR;
  }
  HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override {
    return WBEM_E_NOT_SUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return WBEM_E_NOT_SUPPORTED; }

 private:
  std::vector<std::shared_ptr<Instance>> found_;
  std::size_t next_ = 0;
};

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
                                      IEnumWbemClassObject** result) override {
    if (result == nullptr) return WBEM_E_INVALID_PARAMETER;
    *result = nullptr;
    if (!presetra::EqualsIgnoringCase(FromWide(language), u"WQL")) return WBEM_E_INVALID_QUERY_TYPE;
    presetra::sim::WqlQuery parsed;
    if (!presetra::sim::ParseWqlQuery(FromWide(query), &parsed)) return WBEM_E_INVALID_QUERY;
    Repository& repository = Repository::Get();
    if (!repository.HasClass(nameSpace_, parsed.className)) return WBEM_E_INVALID_CLASS;
    std::vector<std::shared_ptr<Instance>> found;
    for (const auto& instance : repository.instances) {
      if (instance->nameSpace != nameSpace_ ||
          !presetra::EqualsIgnoringCase(instance->className, parsed.className)) {
        continue;
      }
      if (!parsed.property.empty()) {
        Property* p = instance->Find(parsed.property);
        if (p == nullptr) return WBEM_E_INVALID_QUERY;
        if (p->value.vt != VT_BSTR) continue;
        WString value = FromWide(p->value.bstrVal);
        bool match = parsed.like ? presetra::sim::WqlLike(value, parsed.value)
                                 : presetra::EqualsIgnoringCase(value, parsed.value);
        if (!match) continue;
      }
      found.push_back(instance);
    }
    *result = new Enumerator(std::move(found));
    return WBEM_S_NO_ERROR;
  }

  HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject* object, LONG, IWbemContext*,
                                        IWbemCallResult**) override {
    auto* ours = dynamic_cast<ClassObject*>(object);
    if (ours == nullptr) return WBEM_E_INVALID_PARAMETER;
    return ours->Store();
  }
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
    g_locks += lock ? 1 : -1;
    return S_OK;
  }
};

}  // namespace

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!IsEqualCLSID(clsid, CLSID_WbemLocator)) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new Factory();
  HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
  return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}
