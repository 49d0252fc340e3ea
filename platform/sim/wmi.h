// The simulated WMI service: namespaces holding class instances, a WQL subset (SELECT * FROM
// class, with an optional WHERE on one property by "=" or LIKE), and update-only PutInstance
// that keeps what was written.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/emulation/wql.h"
#include "platform/sim/faults.h"

namespace presetra::sim {

struct WmiInstance {
  WString className;
  std::vector<std::pair<WString, platform::Variant>> properties;
  bool writesFail = false;

  platform::Variant* Find(WStringView name);
};

class WmiRepository {
 public:
  explicit WmiRepository(Faults& faults) : faults_(faults) {}

  // Adds a namespace such as "root\wmi"; no error when it exists.
  void AddNamespace(WStringView path);
  // Makes a class known in a namespace, with or without instances.
  void DeclareClass(WStringView namespacePath, WStringView className);
  bool HasClass(WStringView namespacePath, WStringView className) const;
  bool HasNamespace(WStringView path) const;
  std::shared_ptr<WmiInstance> AddInstance(WStringView namespacePath, WmiInstance instance);
  std::vector<std::shared_ptr<WmiInstance>> Instances(WStringView namespacePath,
                                                      WStringView className) const;

  // The services of a namespace, or null when it does not exist.
  platform::WbemServicesPtr Connect(WStringView path);

  Faults& faults() { return faults_; }
  // Live WMI objects handed out (locators, services, enumerators, objects): zero once every
  // reference is released.
  static int LiveObjects();

  std::string Dump() const;

 private:
  struct Namespace {
    WString path;
    std::vector<std::shared_ptr<WmiInstance>> instances;
    std::set<WString> classes;  // upper-cased
  };
  static WString NormalizeNamespace(WStringView path);

  Faults& faults_;
  std::map<WString, Namespace> namespaces_;
};

// "\\.\root\cimv2" and the like as "ROOT\CIMV2".
WString NormalizeNamespacePath(WStringView path);

}  // namespace presetra::sim
