// libFuzzer target: the WMI parameter stream reader must refuse any byte string cleanly, and
// what it accepts must store again and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "wmi/wmi_parameters.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using presetra::CArchive;
  const bool mapOnly = size > 0 && (data[0] & 1);
  std::span<const std::uint8_t> stream(data + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0);

  presetra::CWMIParameters parameters;
  presetra::CWMIPropertyMap map;
  presetra::CObject& object = mapOnly ? static_cast<presetra::CObject&>(map) : parameters;
  CArchive load = CArchive::ForLoading(stream);
  if (!object.Serialize(load)) return 0;

  // A stream that read cleanly stores again; reading that store gives the same store.
  CArchive store = CArchive::ForStoring();
  if (!object.Serialize(store)) return 0;  // e.g. an object value read into a map
  presetra::CWMIParameters parametersAgain;
  presetra::CWMIPropertyMap mapAgain;
  presetra::CObject& again = mapOnly ? static_cast<presetra::CObject&>(mapAgain) : parametersAgain;
  CArchive reload = CArchive::ForLoading(store.Bytes());
  if (!again.Serialize(reload)) std::abort();
  CArchive restore = CArchive::ForStoring();
  if (!again.Serialize(restore) || restore.Bytes() != store.Bytes()) std::abort();
  return 0;
}
