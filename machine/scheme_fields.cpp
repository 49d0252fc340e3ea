#include "machine/scheme_fields.h"

#include "machine/profile.h"
#include "platform/guid.h"

namespace presetra::machine {

namespace {

using Json = nlohmann::json;

WString GuidField(const std::string& text, const std::string& field, const char* what) {
  const WString guid = Utf8ToUtf16(text);
  if (!platform::IsGuidText(guid)) {
    throw ProfileError(
        field, std::string("expected ") + what + " GUID, \"xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx\"");
  }
  return ToLower(guid);
}

std::optional<std::uint32_t> Index(const Json& value, const std::string& field) {
  if (value.is_null()) return std::nullopt;
  const bool inRange = value.is_number_unsigned()
                           ? value.get<std::uint64_t>() <= 0xFFFFFFFFull
                           : value.is_number_integer() && value.get<std::int64_t>() >= 0 &&
                                 value.get<std::int64_t>() <= 0xFFFFFFFFll;
  if (!inRange) throw ProfileError(field, "expected a setting index from 0 to 4294967295, or null");
  return static_cast<std::uint32_t>(value.get<std::uint64_t>());
}

powercfg::SettingKey KeyField(const std::string& text, const std::string& field) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) {
    throw ProfileError(field, "expected \"SUBGROUP-GUID/SETTING-GUID\"");
  }
  const WString subgroup = GuidField(text.substr(0, slash), field, "a subgroup");
  const WString setting = Utf8ToUtf16(text.substr(slash + 1));
  // OEM settings without a GUID of their own go by the alias the catalog knows them by.
  if (!platform::IsGuidText(setting)) {
    const powercfg::SettingInfo* info = powercfg::FindSetting(subgroup, setting);
    if (info == nullptr) throw ProfileError(field, "expected a setting GUID after the \"/\"");
    return powercfg::KeyOf(*info);
  }
  return powercfg::SettingKey{subgroup, ToLower(setting)};
}

}  // namespace

WString ParseSchemeGuid(const Json& value, const std::string& field) {
  if (!value.is_string()) throw ProfileError(field, "expected a scheme GUID");
  return GuidField(value.get<std::string>(), field, "a scheme");
}

std::vector<WindowsScheme> ParseSchemes(const Json& schemes, const std::string& field) {
  if (!schemes.is_object()) throw ProfileError(field, "expected an object of schemes by GUID");
  std::vector<WindowsScheme> parsed;
  for (const auto& [guidText, body] : schemes.items()) {
    const std::string schemeField = field + "[\"" + guidText + "\"]";
    WindowsScheme scheme;
    scheme.guid = GuidField(guidText, schemeField, "a scheme");
    for (const auto& earlier : parsed) {
      if (earlier.guid == scheme.guid)
        throw ProfileError(schemeField, "the scheme is listed twice");
    }
    if (!body.is_object()) throw ProfileError(schemeField, "expected {\"name\", \"settings\"}");
    for (const auto& [name, value] : body.items()) {
      if (name == "name") {
        if (!value.is_string()) throw ProfileError(schemeField + ".name", "expected a string");
        scheme.name = Utf8ToUtf16(value.get<std::string>());
      } else if (name == "settings") {
        if (!value.is_object()) {
          throw ProfileError(schemeField + ".settings",
                             "expected an object of [AC, DC] by setting");
        }
        for (const auto& [keyText, pair] : value.items()) {
          const std::string settingField = schemeField + ".settings[\"" + keyText + "\"]";
          const powercfg::SettingKey key = KeyField(keyText, settingField);
          if (!pair.is_array() || pair.size() != 2) {
            throw ProfileError(settingField, "expected [AC, DC]: two indexes, or null for none");
          }
          if (scheme.settings.count(key) != 0) {
            throw ProfileError(settingField, "the setting is listed twice");
          }
          scheme.settings[key] =
              SchemeSetting{Index(pair[0], settingField + "[0]"),
                            Index(pair[1], settingField + "[1]"), ValueSource::kPc};
        }
      } else if (name != "description" && name.rfind('_', 0) != 0) {
        throw ProfileError(schemeField + "." + name,
                           "unknown field; a scheme has \"name\" and "
                           "\"settings\"");
      }
    }
    parsed.push_back(std::move(scheme));
  }
  return parsed;
}

nlohmann::ordered_json SchemesJson(const std::vector<WindowsScheme>& schemes) {
  using Ordered = nlohmann::ordered_json;
  Ordered json = Ordered::object();
  for (const auto& scheme : schemes) {
    Ordered body = Ordered::object();
    if (scheme.name) body["name"] = Utf16ToUtf8(*scheme.name);
    Ordered settings = Ordered::object();
    for (const auto& [key, setting] : scheme.settings) {
      auto index = [](const std::optional<std::uint32_t>& i) {
        return i ? Ordered(*i) : Ordered();
      };
      settings[Utf16ToUtf8(key.subgroup) + "/" + Utf16ToUtf8(key.setting)] =
          Ordered::array({index(setting.ac), index(setting.dc)});
    }
    body["settings"] = settings;
    json[Utf16ToUtf8(scheme.guid)] = body;
  }
  return json;
}

}  // namespace presetra::machine
