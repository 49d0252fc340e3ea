#include "wmi/object.h"

#include <string_view>

#include "wmi/wmi_parameters.h"

namespace presetra {

namespace {

template <typename T>
std::unique_ptr<CObject> Create() {
  return std::make_unique<T>();
}

// Every class that can be created by name, with its schema number.
const CRuntimeClass kClasses[] = {
    {"CWMIClient", 0, nullptr},
    {"CWMIParameters", 1, &Create<CWMIParameters>},
    {"CWMIPropertyMap", 0, &Create<CWMIPropertyMap>},
};

}  // namespace

const CRuntimeClass* CWMIParameters::GetRuntimeClass() const {
  return &kClasses[1];
}
const CRuntimeClass* CWMIPropertyMap::GetRuntimeClass() const {
  return &kClasses[2];
}

const CRuntimeClass* FindRuntimeClass(std::string_view className) {
  for (const auto& runtimeClass : kClasses) {
    if (className == runtimeClass.className) return &runtimeClass;
  }
  return nullptr;
}

std::unique_ptr<CObject> CreateObject(std::string_view className) {
  const CRuntimeClass* runtimeClass = FindRuntimeClass(className);
  if (runtimeClass == nullptr || runtimeClass->create == nullptr) return nullptr;
  return runtimeClass->create();
}

}  // namespace presetra
