#include "wmi/wmi_parameters.h"

#include "wmi/variant_codec.h"

namespace presetra {

bool CWMIParameters::Serialize(CArchive& archive) {
  for (auto& value : values) {
    if (!(archive.IsStoring() ? WriteVariant(archive, value) : ReadVariant(archive, value))) {
      return false;
    }
  }
  if (!(archive.IsStoring() ? archive.WriteValue(integer)
                            : archive.ReadValue(integer, "the integer"))) {
    return false;
  }
  return firstMap.Serialize(archive) && secondMap.Serialize(archive);
}

}  // namespace presetra
