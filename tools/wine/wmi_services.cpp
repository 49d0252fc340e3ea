#include "tools/wine/wmi_services.h"

#include <utility>
#include <vector>

#include "platform/emulation/wql.h"
#include "tools/wine/wmi_class_object.h"

namespace presetra::wine {

namespace {

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

}  // namespace

HRESULT STDMETHODCALLTYPE Services::ExecQuery(const BSTR language, const BSTR query, LONG,
                                              IWbemContext*, IEnumWbemClassObject** result) {
  if (result == nullptr) return WBEM_E_INVALID_PARAMETER;
  *result = nullptr;
  if (!EqualsIgnoringCase(win32::FromWide(language), u"WQL")) return WBEM_E_INVALID_QUERY_TYPE;
  WqlQuery parsed;
  if (!ParseWqlQuery(win32::FromWide(query), &parsed)) return WBEM_E_INVALID_QUERY;
  Repository& repository = Repository::Get();
  if (!repository.HasClass(nameSpace_, parsed.className)) return WBEM_E_INVALID_CLASS;
  std::vector<std::shared_ptr<Instance>> found;
  for (const auto& instance : repository.instances) {
    if (instance->nameSpace != nameSpace_ ||
        !EqualsIgnoringCase(instance->className, parsed.className)) {
      continue;
    }
    if (!parsed.property.empty()) {
      Property* p = instance->Find(parsed.property);
      if (p == nullptr) return WBEM_E_INVALID_QUERY;
      if (p->value.get()->vt != VT_BSTR) continue;
      WString value = win32::FromWide(p->value.get()->bstrVal);
      bool match =
          parsed.like ? WqlLike(value, parsed.value) : EqualsIgnoringCase(value, parsed.value);
      if (!match) continue;
    }
    found.push_back(instance);
  }
  *result = new Enumerator(std::move(found));
  return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE Services::PutInstance(IWbemClassObject* object, LONG, IWbemContext*,
                                                IWbemCallResult**) {
  auto* ours = dynamic_cast<ClassObject*>(object);
  if (ours == nullptr) return WBEM_E_INVALID_PARAMETER;
  return ours->Store();
}
}  // namespace presetra::wine
