// Objects that know their class at run time and can be created by class name, in the manner
// of MFC's CObject and CRuntimeClass.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "wmi/archive.h"

namespace presetra {

class CObject;

struct CRuntimeClass {
  const char* className;
  std::uint32_t schema;
  // Null for a class that is registered but cannot be made without arguments.
  std::unique_ptr<CObject> (*create)();
};

class CObject {
 public:
  virtual const CRuntimeClass* GetRuntimeClass() const = 0;
  virtual ~CObject() = default;
  // Stores the object into, or loads it from, the archive. False when the archive failed;
  // the archive says where and why. An object with nothing to serialise stores nothing.
  virtual bool Serialize(CArchive& archive) { return archive.ok(); }
};

// The registered class of that name, or null.
const CRuntimeClass* FindRuntimeClass(std::string_view className);
// A new object of the registered class, or null when there is none or it cannot be made.
std::unique_ptr<CObject> CreateObject(std::string_view className);

}  // namespace presetra
