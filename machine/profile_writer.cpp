#include "machine/profile_writer.h"

#include "machine/scheme_fields.h"
#include "platform/bytes_text.h"

namespace presetra::machine {

namespace {

using Json = nlohmann::ordered_json;

Json TextOrNull(const std::optional<WString>& text) {
  return text ? Json(Utf16ToUtf8(*text)) : Json(nullptr);
}

Json AdapterJson(const NetworkAdapter& adapter) {
  Json json;
  json["description"] = TextOrNull(adapter.description);
  json["enumerator"] = TextOrNull(adapter.enumerator);
  json["driver"] = TextOrNull(adapter.driver);
  if (adapter.hardwareIds) {
    json["hardware_ids"] = Json::array();
    for (const auto& id : *adapter.hardwareIds) json["hardware_ids"].push_back(Utf16ToUtf8(id));
  } else {
    json["hardware_ids"] = nullptr;
  }
  json["wmi"] = NameOf(kAdapterWmiNames, adapter.wmi);
  return json;
}

}  // namespace

std::vector<WString> SplitMultiString(const std::vector<std::uint8_t>& bytes) {
  std::vector<WString> strings;
  WString current;
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const auto unit = static_cast<char16_t>(bytes[at] | (bytes[at + 1] << 8));
    if (unit != u'\0') {
      current.push_back(unit);
      continue;
    }
    if (current.empty()) break;
    strings.push_back(current);
    current.clear();
  }
  if (!current.empty()) strings.push_back(current);
  return strings;
}

std::optional<Json> RegistryValueJson(const RegistryValue& value) {
  const std::vector<std::uint8_t>& data = value.data;
  switch (value.type) {
    case win::kRegSz:
    case win::kRegExpandSz: {
      const bool nul = data.size() >= 2 && data[data.size() - 2] == 0 && data.back() == 0;
      const std::string text = Utf16ToUtf8(TextOfUtf16Le(data.data(), data.size()));
      if (value.type == win::kRegSz && nul) return Json(text);
      Json json = {{"type", value.type == win::kRegSz ? "REG_SZ" : "REG_EXPAND_SZ"},
                   {"data", text}};
      if (!nul) json["nul"] = false;
      return json;
    }
    case win::kRegDword:
      if (const auto number = platform::DwordOf(data)) return Json(*number);
      break;
    case win::kRegQword:
      if (data.size() == 8) {
        std::uint64_t number = 0;
        for (int i = 7; i >= 0; --i) number = number << 8 | data[i];
        return Json{{"type", "REG_QWORD"}, {"data", number}};
      }
      break;
    case win::kRegBinary:
      return Json{{"type", "REG_BINARY"}, {"data", HexBytes(data.data(), data.size())}};
    case win::kRegMultiSz: {
      Json strings = Json::array();
      for (const auto& text : SplitMultiString(data)) strings.push_back(Utf16ToUtf8(text));
      return Json{{"type", "REG_MULTI_SZ"}, {"data", strings}};
    }
    default:
      break;
  }
  return std::nullopt;
}

std::string WriteProfile(const MachineProfile& profile, const WrittenFields& fields) {
  Json json;
  json["profile"] = 1;
  json["description"] = profile.description;
  Json firmware;
  if (profile.oemStrings) {
    firmware["oem_strings"] = Json::array();
    for (const auto& text : *profile.oemStrings)
      firmware["oem_strings"].push_back(TextOrNull(text));
  } else {
    firmware["oem_strings"] = nullptr;
  }
  if (fields.biosFeatureByte) firmware["bios_feature_byte"] = TextOrNull(profile.biosFeatureByte);
  json["firmware"] = firmware;
  Json power;
  power["connected_standby"] =
      profile.connectedStandby ? Json(*profile.connectedStandby) : Json("error");
  if (fields.platformRole)
    power["platform_role"] = NameOf(kPlatformRoleNames, profile.platformRole);
  if (!profile.schemes.empty()) power["schemes"] = SchemesJson(profile.schemes);
  if (profile.activeScheme) power["active_scheme"] = Utf16ToUtf8(*profile.activeScheme);
  json["power"] = power;
  if (fields.uiLanguage) json["ui_language"] = profile.uiLanguage;
  Json registry = Json::object();
  for (const auto& key : profile.registry) {
    if (!key.values) {
      registry[Utf16ToUtf8(key.path)] = nullptr;
      continue;
    }
    Json values = Json::object();
    for (const auto& value : *key.values) {
      if (auto written = RegistryValueJson(value)) values[Utf16ToUtf8(value.name)] = *written;
    }
    registry[Utf16ToUtf8(key.path)] = values;
  }
  json["registry"] = registry;
  if (fields.networkAdapters) {
    json["network_adapters"] = Json::array();
    for (const auto& adapter : profile.networkAdapters) {
      json["network_adapters"].push_back(AdapterJson(adapter));
    }
  }
  json["factory_folder"] = NameOf(kFactoryFolderNames, profile.factoryFolder);
  if (fields.packageScripts) {
    json["package_scripts"] = NameOf(kPackageScriptsNames, profile.packageScripts);
  }
  if (fields.systemFolder) json["system_folder"] = Utf16ToUtf8(profile.systemFolder);
  if (fields.packageArchitecture) {
    json["package_architecture"] = NameOf(kPackageArchitectureNames, profile.packageArchitecture);
  }
  if (!profile.image.empty()) json["image"] = profile.image;
  return json.dump(2) + "\n";
}

}  // namespace presetra::machine
