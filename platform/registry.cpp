#include "platform/registry.h"

namespace presetra::platform {

RegData RegData::Dword(std::uint32_t value) {
  return RegData{win::kRegDword,
                 {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                  static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

RegData RegData::String(WStringView text) {
  RegData data{win::kRegSz, {}};
  data.bytes.reserve((text.size() + 1) * 2);
  for (char16_t unit : text) {
    data.bytes.push_back(static_cast<std::uint8_t>(unit));
    data.bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  data.bytes.insert(data.bytes.end(), {0, 0});
  return data;
}

win::Long WriteValue(Registry& registry, RegKey root, WStringView subKey, win::Dword access,
                     KeyOpening opening, WStringView name, const RegData& data) {
  ScopedRegKey key(registry);
  const win::Long opened =
      opening == KeyOpening::kCreate
          ? registry.CreateKey(root, subKey, win::kRegOptionNonVolatile, access, key.Receive())
          : registry.OpenKey(root, subKey, access, key.Receive());
  if (opened != win::kErrorSuccess) return opened;
  return key.SetValue(name, data);
}

}  // namespace presetra::platform
