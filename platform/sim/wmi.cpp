#include "platform/sim/wmi.h"

#include <atomic>
#include <sstream>

#include "platform/emulation/wql.h"

namespace presetra::sim {

namespace {

// Across every machine of the process: simulated machines may run on several threads.
std::atomic<int> g_liveObjects{0};

class Counted {
 public:
  Counted() { ++g_liveObjects; }
  Counted(const Counted&) { ++g_liveObjects; }
  ~Counted() { --g_liveObjects; }
};

class ClassObject : public platform::WbemClassObject, Counted {
 public:
  ClassObject(Faults& faults, std::shared_ptr<WmiInstance> stored)
      : faults_(faults), stored_(stored), copy_(*stored) {}

  win::HResult Get(WStringView name, platform::Variant* value) override {
    if (faults_.ShouldFail(Call::kObjectGet)) return win::kWbemEFailed;
    platform::Variant* property = copy_.Find(name);
    if (property == nullptr) return win::kWbemENotFound;
    *value = *property;
    return win::kSOk;
  }

  win::HResult Put(WStringView name, const platform::Variant& value,
                   std::int32_t cimType) override {
    if (faults_.ShouldFail(Call::kObjectPut)) return win::kWbemEFailed;
    platform::Variant* property = copy_.Find(name);
    if (property == nullptr) return win::kWbemENotFound;
    if (cimType == 0 && property->vt == win::kVtBool) {
      // The property keeps its declared type: WMI converts the value to it.
      if (value.vt != win::kVtBool && value.vt != win::kVtI4 && value.vt != win::kVtI2 &&
          value.vt != win::kVtUi1) {
        return win::kWbemETypeMismatch;
      }
      property->integer = value.integer != 0 ? -1 : 0;
      return win::kSOk;
    }
    *property = value;
    return win::kSOk;
  }

  // Writes the copy back to the repository.
  win::HResult Store() {
    if (stored_->writesFail) return win::kWbemEFailed;
    stored_->properties = copy_.properties;
    return win::kSOk;
  }

 private:
  Faults& faults_;
  std::shared_ptr<WmiInstance> stored_;
  WmiInstance copy_;
};

class Enumerator : public platform::WbemEnumerator, Counted {
 public:
  Enumerator(Faults& faults, std::vector<std::shared_ptr<WmiInstance>> found)
      : faults_(faults), found_(std::move(found)) {}

  win::HResult Next(std::int32_t, platform::WbemClassObjectPtr* object) override {
    if (faults_.ShouldFail(Call::kEnumNext)) return win::kWbemEFailed;
    if (next_ >= found_.size()) return win::kWbemSFalse;
    *object = std::make_shared<ClassObject>(faults_, found_[next_++]);
    return win::kSOk;
  }

 private:
  Faults& faults_;
  std::vector<std::shared_ptr<WmiInstance>> found_;
  std::size_t next_ = 0;
};

class Services : public platform::WbemServices, Counted {
 public:
  Services(WmiRepository& repository, WString path) : repository_(repository), path_(path) {}

  win::HResult ExecQuery(WStringView language, WStringView text, std::int32_t,
                         platform::WbemEnumeratorPtr* enumerator) override {
    if (repository_.faults().ShouldFail(Call::kExecQuery)) return win::kWbemEFailed;
    if (!EqualsIgnoringCase(language, u"WQL")) return static_cast<win::HResult>(0x80041018);
    WqlQuery query;
    if (!ParseWqlQuery(text, &query)) return win::kWbemEInvalidQuery;
    if (!repository_.HasClass(path_, query.className)) return win::kWbemEInvalidClass;
    auto instances = repository_.Instances(path_, query.className);
    std::vector<std::shared_ptr<WmiInstance>> found;
    for (const auto& instance : instances) {
      if (query.property.empty()) {
        found.push_back(instance);
        continue;
      }
      platform::Variant* property = instance->Find(query.property);
      if (property == nullptr) return win::kWbemEInvalidQuery;
      if (property->vt != win::kVtBstr || !property->text) continue;
      bool match = query.like ? WqlLike(*property->text, query.value)
                              : EqualsIgnoringCase(*property->text, query.value);
      if (match) found.push_back(instance);
    }
    *enumerator = std::make_shared<Enumerator>(repository_.faults(), std::move(found));
    return win::kSOk;
  }

  win::HResult PutInstance(const platform::WbemClassObjectPtr& object, std::int32_t) override {
    if (repository_.faults().ShouldFail(Call::kPutInstance)) return win::kWbemEFailed;
    auto* ours = dynamic_cast<ClassObject*>(object.get());
    if (ours == nullptr) return static_cast<win::HResult>(0x80041008);  // invalid parameter
    return ours->Store();
  }

 private:
  WmiRepository& repository_;
  WString path_;
};

}  // namespace

platform::Variant* WmiInstance::Find(WStringView name) {
  for (auto& [propertyName, value] : properties) {
    if (EqualsIgnoringCase(propertyName, name)) return &value;
  }
  return nullptr;
}

WString NormalizeNamespacePath(WStringView path) {
  WString out;
  for (char16_t c : path) out.push_back(c == u'/' ? u'\\' : ToUpperChar(c));
  for (WStringView prefix : {WStringView(u"\\\\.\\"), WStringView(u"\\\\LOCALHOST\\")}) {
    if (out.rfind(prefix, 0) == 0) {
      out.erase(0, prefix.size());
      break;
    }
  }
  while (!out.empty() && out.back() == u'\\') out.pop_back();
  return out;
}

WString WmiRepository::NormalizeNamespace(WStringView path) {
  return NormalizeNamespacePath(path);
}

void WmiRepository::AddNamespace(WStringView path) {
  WString key = NormalizeNamespace(path);
  auto& ns = namespaces_[key];
  if (ns.path.empty()) ns.path = WString(path);
}

bool WmiRepository::HasNamespace(WStringView path) const {
  return namespaces_.count(NormalizeNamespace(path)) != 0;
}

void WmiRepository::DeclareClass(WStringView namespacePath, WStringView className) {
  AddNamespace(namespacePath);
  namespaces_[NormalizeNamespace(namespacePath)].classes.insert(ToUpper(className));
}

bool WmiRepository::HasClass(WStringView namespacePath, WStringView className) const {
  auto it = namespaces_.find(NormalizeNamespace(namespacePath));
  return it != namespaces_.end() && it->second.classes.count(ToUpper(className)) != 0;
}

std::shared_ptr<WmiInstance> WmiRepository::AddInstance(WStringView namespacePath,
                                                        WmiInstance instance) {
  DeclareClass(namespacePath, instance.className);
  auto stored = std::make_shared<WmiInstance>(std::move(instance));
  namespaces_[NormalizeNamespace(namespacePath)].instances.push_back(stored);
  return stored;
}

std::vector<std::shared_ptr<WmiInstance>> WmiRepository::Instances(WStringView namespacePath,
                                                                   WStringView className) const {
  std::vector<std::shared_ptr<WmiInstance>> out;
  auto it = namespaces_.find(NormalizeNamespace(namespacePath));
  if (it == namespaces_.end()) return out;
  for (const auto& instance : it->second.instances) {
    if (className.empty() || EqualsIgnoringCase(instance->className, className)) {
      out.push_back(instance);
    }
  }
  return out;
}

platform::WbemServicesPtr WmiRepository::Connect(WStringView path) {
  if (!HasNamespace(path)) return nullptr;
  return std::make_shared<Services>(*this, NormalizeNamespace(path));
}

int WmiRepository::LiveObjects() {
  return g_liveObjects;
}

std::string WmiRepository::Dump() const {
  std::ostringstream out;
  for (const auto& [key, ns] : namespaces_) {
    out << Utf16ToUtf8(ns.path) << "\n";
    for (const auto& instance : ns.instances) {
      out << "  " << Utf16ToUtf8(instance->className)
          << (instance->writesFail ? " (writes fail)" : "") << "\n";
      for (const auto& [name, value] : instance->properties) {
        out << "    " << Utf16ToUtf8(name) << " vt " << value.vt;
        if (value.text) out << " \"" << Utf16ToUtf8(*value.text) << "\"";
        if (value.vt != win::kVtBstr && !value.array) out << " " << value.integer;
        if (value.array) out << " [" << value.array->elements.size() << " elements]";
        out << "\n";
      }
    }
  }
  return out.str();
}

namespace detail {
// For the COM runtime of the machine: a locator over this repository.
class Locator : public platform::WbemLocator, Counted {
 public:
  explicit Locator(WmiRepository& repository) : repository_(repository) {}
  win::HResult ConnectServer(const std::optional<WString>& path, std::int32_t,
                             platform::WbemServicesPtr* services) override {
    if (repository_.faults().ShouldFail(Call::kConnectServer)) return win::kWbemEAccessDenied;
    if (!path) return win::kWbemEInvalidNamespace;
    auto connected = repository_.Connect(*path);
    if (!connected) return win::kWbemEInvalidNamespace;
    *services = std::move(connected);
    return win::kSOk;
  }

 private:
  WmiRepository& repository_;
};

platform::WbemLocatorPtr MakeLocator(WmiRepository& repository) {
  return std::make_shared<Locator>(repository);
}
}  // namespace detail

}  // namespace presetra::sim
