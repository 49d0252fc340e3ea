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

std::optional<std::uint32_t> DwordOf(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() != 4) return std::nullopt;
  return static_cast<std::uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                    (static_cast<std::uint32_t>(bytes[3]) << 24));
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

std::optional<KeyInView> KeyOfPhysicalPath(WStringView physicalPath) {
  constexpr WStringView kRoot = u"HKLM\\";
  constexpr WStringView kSoftware = u"SOFTWARE";
  constexpr WStringView kWow = u"WOW6432Node";
  if (physicalPath.size() < kRoot.size() ||
      !EqualsIgnoringCase(physicalPath.substr(0, kRoot.size()), kRoot)) {
    return std::nullopt;
  }
  WStringView rest = physicalPath.substr(kRoot.size());
  // SOFTWARE\WOW6432Node\X is SOFTWARE\X in the 32-bit view.
  const std::size_t wowAt = kSoftware.size() + 1;
  if (rest.size() >= wowAt + kWow.size() &&
      EqualsIgnoringCase(rest.substr(0, kSoftware.size()), kSoftware) &&
      rest[kSoftware.size()] == u'\\' &&
      EqualsIgnoringCase(rest.substr(wowAt, kWow.size()), kWow) &&
      (rest.size() == wowAt + kWow.size() || rest[wowAt + kWow.size()] == u'\\')) {
    WString subKey(rest.substr(0, kSoftware.size()));
    subKey += rest.substr(wowAt + kWow.size());
    return KeyInView{std::move(subKey), win::kKeyWow64_32Key};
  }
  return KeyInView{WString(rest), win::kKeyWow64_64Key};
}

ValueRead ReadValue(Registry& registry, RegKey root, WStringView subKey, win::Dword view,
                    WStringView name) {
  ValueRead read;
  ScopedRegKey key(registry);
  read.error = registry.OpenKey(root, subKey, win::kKeyRead | view, key.Receive());
  if (read.error != win::kErrorSuccess) return read;
  win::Dword size = 0;
  read.error = registry.QueryValue(key.get(), name, &read.type, nullptr, &size);
  // The value may grow between asking its size and reading it: ask again.
  for (int attempt = 0; attempt < 4 && read.error == win::kErrorSuccess; ++attempt) {
    read.data.assign(size, 0);
    read.error = registry.QueryValue(key.get(), name, &read.type, read.data.data(), &size);
    if (read.error == win::kErrorSuccess) {
      read.data.resize(size);
      return read;
    }
    if (read.error == win::kErrorMoreData) read.error = win::kErrorSuccess;
  }
  if (read.error == win::kErrorSuccess) read.error = win::kErrorMoreData;
  read.data.clear();
  return read;
}

win::Long ProbeKey(Registry& registry, RegKey root, WStringView subKey, win::Dword view) {
  ScopedRegKey key(registry);
  return registry.OpenKey(root, subKey, win::kKeyRead | view, key.Receive());
}

}  // namespace presetra::platform
