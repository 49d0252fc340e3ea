// The WMI stand-in's repository: the classes and instances of the three namespaces it serves,
// made from the prefix's machine facts, and what their properties hold now.
#pragma once

// clang-format off
#include <windows.h>
#include <oleauto.h>
#include <wbemcli.h>
// clang-format on

#include <memory>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "platform/win32/handles.h"

namespace presetra::wine {

using win32::ScopedVariant;

struct Property {
  WString name;
  ScopedVariant value;
};

struct Instance {
  WString nameSpace;  // upper case, without "\\.\"
  WString className;
  std::vector<Property> properties;
  bool writesFail = false;

  Property* Find(const WString& name) {
    for (auto& p : properties) {
      if (EqualsIgnoringCase(p.name, name)) return &p;
    }
    return nullptr;
  }
};

class Repository {
 public:
  // The one repository of the process, made from the machine facts on first use.
  static Repository& Get();
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
      if (name == ns && EqualsIgnoringCase(cls, className)) return true;
    }
    return false;
  }

 private:
  Repository();
  void ApplyRecordedWrites();

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

// A namespace path as the repository keys it: upper case, backslashes, without "\\.\" or
// "\\localhost\" and trailing backslashes.
WString NormalizeNamespace(const wchar_t* path);

}  // namespace presetra::wine
