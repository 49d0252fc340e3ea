#include "machine/profile.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <span>

#include "machine/json_problem.h"
#include "machine/scheme_fields.h"
#include "platform/bytes_text.h"

namespace presetra::machine {

namespace {

using Json = nlohmann::json;

std::string Quoted(const std::string& text) {
  return "[\"" + text + "\"]";
}

// A field that names one of a few values.
template <typename T>
T Choice(const Json& value, const std::string& field, std::span<const Spelling<T>> choices) {
  if (value.is_string()) {
    for (const auto& [name, choice] : choices) {
      if (value.get<std::string>() == name) return choice;
    }
  }
  std::string expected;
  std::size_t i = 0;
  for (const auto& choice : choices) {
    // Appended piece by piece: "x" + text + "y" makes g++ 12 at -O3 warn falsely
    // (-Wrestrict, GCC bug 105329).
    if (i > 0) expected += i + 1 == choices.size() ? " or " : ", ";
    expected += '"';
    expected += choice.first;
    expected += '"';
    ++i;
  }
  throw ProfileError(field, "expected " + expected);
}

// Edits between two names, ignoring case.
std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The known name a misspelt one most likely meant, or empty when none is close.
std::string Nearest(const std::string& name, std::initializer_list<const char*> known) {
  std::string best;
  std::size_t bestDistance = std::max<std::size_t>(2, name.size() / 3) + 1;
  for (const char* candidate : known) {
    const std::size_t d = Distance(name, candidate);
    if (d < bestDistance) {
      best = candidate;
      bestDistance = d;
    }
  }
  return best;
}

// A field the format does not know must not pass for an absent one: it is an error that names
// it, with the nearest known name. "description" and names starting with "_" are free.
void ExpectOnlyFields(const Json& object, const std::string& path,
                      std::initializer_list<const char*> known) {
  for (const auto& [name, value] : object.items()) {
    if (name == "description" || name.rfind('_', 0) == 0) continue;
    bool isKnown = false;
    for (const char* candidate : known) isKnown = isKnown || name == candidate;
    if (isKnown) continue;
    std::string message = "unknown field";
    const std::string nearest = Nearest(name, known);
    if (!nearest.empty()) {
      // Appended piece by piece (g++ 12 -Wrestrict, GCC bug 105329).
      message += "; did you mean \"";
      message += nearest;
      message += "\"?";
    }
    throw ProfileError(path.empty() ? name : path + "." + name, message);
  }
}

// The registry values the custom actions read, by key: a near spelling of one of them in its
// key is almost certainly a typo, and the machine would silently lack the value.
void WarnOfNearNames(const RegistryKeyEdit& edit, const std::string& field,
                     std::vector<std::string>& warnings) {
  struct Read {
    const char16_t* key;
    std::initializer_list<const char*> names;
  };
  static const Read reads[] = {
      {u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra",
       {"MachineID", "Version", "AccelerometerAny", "Accelerometer", "Accelerometer6000",
        "Accelerometer6007"}},
      {u"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion",
       {"CurrentBuildNumber"}},
  };
  if (!edit.values) return;
  for (const auto& read : reads) {
    if (!EqualsIgnoringCase(edit.path, read.key)) continue;
    for (const auto& value : *edit.values) {
      const std::string name = Utf16ToUtf8(value.name);
      // A name the actions read is its own nearest: no need to measure the others.
      bool read_exactly = false;
      for (const char* known : read.names) {
        read_exactly = read_exactly || EqualsIgnoringCase(value.name, Utf8ToUtf16(known));
      }
      if (read_exactly) continue;
      const std::string nearest = Nearest(name, read.names);
      if (nearest.empty() || EqualsIgnoringCase(value.name, Utf8ToUtf16(nearest))) continue;
      bool present = false;
      for (const auto& other : *edit.values) {
        present = present || EqualsIgnoringCase(other.name, Utf8ToUtf16(nearest));
      }
      if (!present) {
        std::string warning = field;
        warning += Quoted(name);
        warning += ": the actions read \"";
        warning += nearest;
        warning += "\", which this key does not have; is this it?";
        warnings.push_back(std::move(warning));
      }
    }
  }
}

WString Text(const Json& value, const std::string& field) {
  if (!value.is_string()) throw ProfileError(field, "expected a string");
  return Utf8ToUtf16(value.get<std::string>());
}

std::optional<WString> OptionalText(const Json& object, const char* name,
                                    const std::string& field) {
  auto it = object.find(name);
  if (it == object.end() || it->is_null()) return std::nullopt;
  return Text(*it, field + "." + name);
}

std::vector<std::uint8_t> Hex(const std::string& text, const std::string& field) {
  if (text.size() % 2 != 0) throw ProfileError(field, "hex data has an odd number of digits");
  std::optional<std::vector<std::uint8_t>> bytes = BytesOfHex(text);
  if (!bytes) throw ProfileError(field, "hex data has a character that is not a hex digit");
  return *std::move(bytes);
}

std::uint64_t Unsigned(const Json& value, const std::string& field, std::uint64_t max) {
  if (!value.is_number_integer()) throw ProfileError(field, "expected an integer");
  if (value.is_number_unsigned()) {
    auto v = value.get<std::uint64_t>();
    if (v > max) throw ProfileError(field, "integer out of range");
    return v;
  }
  auto v = value.get<std::int64_t>();
  if (v < 0 || static_cast<std::uint64_t>(v) > max) {
    throw ProfileError(field, "integer out of range");
  }
  return static_cast<std::uint64_t>(v);
}

RegistryValue ParseValue(const std::string& name, const Json& value, const std::string& field) {
  RegistryValue out;
  out.name = Utf8ToUtf16(name);
  if (value.is_string()) {
    out.type = win::kRegSz;
    out.data = platform::RegData::String(Text(value, field)).bytes;
    return out;
  }
  if (value.is_number_integer()) {
    out.type = win::kRegDword;
    out.data =
        platform::RegData::Dword(static_cast<win::Dword>(Unsigned(value, field, 0xFFFFFFFFull)))
            .bytes;
    return out;
  }
  if (!value.is_object()) {
    throw ProfileError(field, "expected a string, an integer or an object with type and data");
  }
  ExpectOnlyFields(value, field, {"type", "data", "nul"});
  auto type = value.find("type");
  auto data = value.find("data");
  if (type == value.end() || !type->is_string()) {
    throw ProfileError(field + ".type", "expected a registry type name");
  }
  if (data == value.end()) throw ProfileError(field + ".data", "missing");
  std::string typeName = type->get<std::string>();
  std::string dataField = field + ".data";
  bool nul = true;
  if (auto n = value.find("nul"); n != value.end()) {
    if (!n->is_boolean()) throw ProfileError(field + ".nul", "expected true or false");
    nul = n->get<bool>();
  }
  if (typeName == "REG_SZ" || typeName == "REG_EXPAND_SZ") {
    out.type = typeName == "REG_SZ" ? win::kRegSz : win::kRegExpandSz;
    out.data = nul ? platform::RegData::String(Text(*data, dataField)).bytes
                   : Utf16LeBytes(Text(*data, dataField));
  } else if (typeName == "REG_DWORD") {
    out.type = win::kRegDword;
    out.data =
        platform::RegData::Dword(static_cast<win::Dword>(Unsigned(*data, dataField, 0xFFFFFFFFull)))
            .bytes;
  } else if (typeName == "REG_QWORD") {
    out.type = win::kRegQword;
    std::uint64_t v = Unsigned(*data, dataField, ~0ull);
    for (int i = 0; i < 8; ++i) out.data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  } else if (typeName == "REG_BINARY") {
    out.type = win::kRegBinary;
    if (!data->is_string()) throw ProfileError(dataField, "expected hex digits");
    out.data = Hex(data->get<std::string>(), dataField);
  } else if (typeName == "REG_MULTI_SZ") {
    out.type = win::kRegMultiSz;
    if (!data->is_array()) throw ProfileError(dataField, "expected an array of strings");
    for (std::size_t i = 0; i < data->size(); ++i) {
      auto bytes =
          platform::RegData::String(Text((*data)[i], dataField + "[" + std::to_string(i) + "]"))
              .bytes;
      out.data.insert(out.data.end(), bytes.begin(), bytes.end());
    }
    out.data.insert(out.data.end(), {0, 0});
  } else {
    throw ProfileError(field + ".type", "unknown registry type \"" + typeName + "\"");
  }
  return out;
}

NetworkAdapter ParseAdapter(const Json& value, const std::string& field) {
  if (!value.is_object()) throw ProfileError(field, "expected an object");
  ExpectOnlyFields(value, field, {"enumerator", "driver", "hardware_ids", "wmi"});
  NetworkAdapter adapter;
  adapter.description = OptionalText(value, "description", field);
  adapter.enumerator = OptionalText(value, "enumerator", field);
  adapter.driver = OptionalText(value, "driver", field);
  if (auto ids = value.find("hardware_ids"); ids != value.end() && !ids->is_null()) {
    if (!ids->is_array()) throw ProfileError(field + ".hardware_ids", "expected an array");
    std::vector<WString> list;
    for (std::size_t i = 0; i < ids->size(); ++i) {
      list.push_back(Text((*ids)[i], field + ".hardware_ids[" + std::to_string(i) + "]"));
    }
    adapter.hardwareIds = list;
  }
  if (auto wmi = value.find("wmi"); wmi != value.end()) {
    adapter.wmi = Choice<NetworkAdapter::Wmi>(*wmi, field + ".wmi", kAdapterWmiNames);
  }
  return adapter;
}

}  // namespace

MachineProfile ParseProfile(const std::string& text) {
  Json root;
  try {
    root = Json::parse(text);
  } catch (const Json::exception& error) {
    // A syntax error, and also a number too large for any type (out_of_range).
    throw ProfileError("", "not valid JSON: " + JsonProblem(text, error));
  }
  if (!root.is_object()) throw ProfileError("", "expected a JSON object");
  MachineProfile profile;
  ExpectOnlyFields(root, "",
                   {"profile", "firmware", "power", "ui_language", "registry", "network_adapters",
                    "factory_folder", "package_scripts", "system_folder", "package_architecture",
                    "hanging_commands", "image"});

  auto version = root.find("profile");
  if (version == root.end()) throw ProfileError("profile", "missing (expected 1)");
  if (!version->is_number_integer() || version->get<std::int64_t>() != 1) {
    throw ProfileError("profile", "unsupported version (expected 1)");
  }
  if (auto d = root.find("description"); d != root.end()) {
    if (!d->is_string()) throw ProfileError("description", "expected a string");
    profile.description = d->get<std::string>();
  }

  if (auto firmware = root.find("firmware"); firmware != root.end()) {
    if (!firmware->is_object()) throw ProfileError("firmware", "expected an object");
    ExpectOnlyFields(*firmware, "firmware", {"oem_strings", "bios_feature_byte"});
    if (auto oem = firmware->find("oem_strings"); oem != firmware->end() && !oem->is_null()) {
      if (!oem->is_array()) throw ProfileError("firmware.oem_strings", "expected an array");
      std::vector<std::optional<WString>> strings;
      for (std::size_t i = 0; i < oem->size(); ++i) {
        const Json& entry = (*oem)[i];
        if (entry.is_null()) {
          strings.push_back(std::nullopt);
        } else {
          strings.push_back(Text(entry, "firmware.oem_strings[" + std::to_string(i) + "]"));
        }
      }
      profile.oemStrings = strings;
    }
    profile.biosFeatureByte = OptionalText(*firmware, "bios_feature_byte", "firmware");
  }

  if (auto power = root.find("power"); power != root.end()) {
    if (!power->is_object()) throw ProfileError("power", "expected an object");
    ExpectOnlyFields(*power, "power",
                     {"connected_standby", "platform_role", "schemes", "active_scheme"});
    if (auto cs = power->find("connected_standby"); cs != power->end()) {
      if (cs->is_boolean()) {
        profile.connectedStandby = cs->get<bool>();
      } else if (cs->is_string() && cs->get<std::string>() == "error") {
        profile.connectedStandby = std::nullopt;
      } else {
        throw ProfileError("power.connected_standby", "expected true, false or \"error\"");
      }
    }
    if (auto role = power->find("platform_role"); role != power->end()) {
      profile.platformRole =
          Choice<powercfg::PlatformRole>(*role, "power.platform_role", kPlatformRoleNames);
    }
    if (auto schemes = power->find("schemes"); schemes != power->end()) {
      profile.schemes = ParseSchemes(*schemes, "power.schemes");
    }
    if (auto active = power->find("active_scheme"); active != power->end()) {
      profile.activeScheme = ParseSchemeGuid(*active, "power.active_scheme");
    }
  }

  if (auto ui = root.find("ui_language"); ui != root.end()) {
    profile.uiLanguage = static_cast<std::uint16_t>(Unsigned(*ui, "ui_language", 0xFFFF));
  }

  if (auto registry = root.find("registry"); registry != root.end()) {
    if (!registry->is_object()) throw ProfileError("registry", "expected an object of keys");
    for (const auto& [path, values] : registry->items()) {
      std::string field = "registry" + Quoted(path);
      RegistryKeyEdit edit;
      edit.path = Utf8ToUtf16(path);
      std::string lower = path;
      for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower.rfind("hklm\\", 0) != 0 && lower.rfind("hkey_local_machine\\", 0) != 0) {
        throw ProfileError(field, "key paths start with HKLM\\");
      }
      if (!values.is_null()) {
        if (!values.is_object()) throw ProfileError(field, "expected an object of values or null");
        std::vector<RegistryValue> list;
        for (const auto& [name, value] : values.items()) {
          list.push_back(ParseValue(name, value, field + Quoted(name)));
        }
        edit.values = list;
      }
      WarnOfNearNames(edit, field, profile.warnings);
      profile.registry.push_back(edit);
    }
  }

  if (auto adapters = root.find("network_adapters"); adapters != root.end()) {
    if (!adapters->is_array()) throw ProfileError("network_adapters", "expected an array");
    for (std::size_t i = 0; i < adapters->size(); ++i) {
      profile.networkAdapters.push_back(
          ParseAdapter((*adapters)[i], "network_adapters[" + std::to_string(i) + "]"));
    }
  }

  if (auto folder = root.find("factory_folder"); folder != root.end()) {
    profile.factoryFolder = Choice<FactoryFolder>(*folder, "factory_folder", kFactoryFolderNames);
  }

  if (auto scripts = root.find("package_scripts"); scripts != root.end()) {
    profile.packageScripts = Choice<bool>(*scripts, "package_scripts", kPackageScriptsNames);
  }

  if (auto system = root.find("system_folder"); system != root.end()) {
    profile.systemFolder = Text(*system, "system_folder");
  }

  if (auto architecture = root.find("package_architecture"); architecture != root.end()) {
    profile.packageArchitecture = Choice<PackageArchitecture>(*architecture, "package_architecture",
                                                              kPackageArchitectureNames);
  }

  if (auto image = root.find("image"); image != root.end()) {
    if (!image->is_string() || image->get<std::string>().empty()) {
      throw ProfileError("image",
                         "expected the path of a WIM or ESD file (FILE:INDEX for one of "
                         "its images), an image's folder or a SYSTEM hive");
    }
    profile.image = image->get<std::string>();
  }

  if (auto hanging = root.find("hanging_commands"); hanging != root.end()) {
    if (!hanging->is_array()) throw ProfileError("hanging_commands", "expected an array");
    for (std::size_t i = 0; i < hanging->size(); ++i) {
      profile.hangingCommands.push_back(
          Text((*hanging)[i], "hanging_commands[" + std::to_string(i) + "]"));
    }
  }
  return profile;
}

}  // namespace presetra::machine
