// A serialisable set of WMI parameters: five variants, an integer and two property maps.
#pragma once

#include <array>
#include <cstdint>

#include "wmi/wmi_property_map.h"

namespace presetra {

class CWMIParameters : public CObject {
 public:
  const CRuntimeClass* GetRuntimeClass() const override;
  // The five variants (encoding V), the integer (4 bytes), the first map, the second map.
  bool Serialize(CArchive& archive) override;

  std::array<platform::Variant, 5> values;
  std::int32_t integer = 0;
  CWMIPropertyMap firstMap;
  CWMIPropertyMap secondMap;
};

}  // namespace presetra
