#include "cli/wmiparams/wmiparams.h"

#include <cmath>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/run/file_output.h"
#include "cli/run/file_text.h"
#include "machine/json_problem.h"
#include "platform/bytes_text.h"
#include "platform/guid.h"
#include "wmi/wmi_parameters.h"

namespace presetra::cli {

namespace {

using Json = nlohmann::ordered_json;
using platform::Variant;

struct TypeName {
  std::uint16_t vt;
  const char* name;
};
constexpr TypeName kTypeNames[] = {
    {win::kVtEmpty, "VT_EMPTY"},     {win::kVtNull, "VT_NULL"},
    {win::kVtI2, "VT_I2"},           {win::kVtI4, "VT_I4"},
    {win::kVtR4, "VT_R4"},           {win::kVtR8, "VT_R8"},
    {win::kVtCy, "VT_CY"},           {win::kVtDate, "VT_DATE"},
    {win::kVtBstr, "VT_BSTR"},       {win::kVtDispatch, "VT_DISPATCH"},
    {win::kVtError, "VT_ERROR"},     {win::kVtBool, "VT_BOOL"},
    {win::kVtVariant, "VT_VARIANT"}, {win::kVtUnknown, "VT_UNKNOWN"},
    {win::kVtDecimal, "VT_DECIMAL"}, {win::kVtI1, "VT_I1"},
    {win::kVtUi1, "VT_UI1"},         {win::kVtUi2, "VT_UI2"},
    {win::kVtUi4, "VT_UI4"},         {win::kVtI8, "VT_I8"},
    {win::kVtUi8, "VT_UI8"},
};

// A bad JSON document: which field and what is wrong.
struct JsonError {
  std::string field;
  std::string message;
};

std::string TypeText(std::uint16_t vt) {
  std::string text;
  if (vt & win::kVtArray) text += "VT_ARRAY|";
  if (vt & win::kVtByRef) text += "VT_BYREF|";
  const std::uint16_t base = vt & ~(win::kVtArray | win::kVtByRef);
  for (const auto& t : kTypeNames) {
    if (t.vt == base) return text + t.name;
  }
  char number[16];
  std::snprintf(number, sizeof(number), "0x%04x", base);
  return text + number;
}

std::uint16_t ParseType(const Json& json, const std::string& field) {
  if (!json.is_string()) throw JsonError{field, "expected a type name such as \"VT_I4\""};
  std::string text = json.get<std::string>();
  std::uint16_t flags = 0;
  for (auto [prefix, flag] :
       {std::pair{"VT_ARRAY|", win::kVtArray}, {"VT_BYREF|", win::kVtByRef}}) {
    if (text.rfind(prefix, 0) == 0) {
      flags |= flag;
      text.erase(0, std::strlen(prefix));
    }
  }
  for (const auto& t : kTypeNames) {
    if (text == t.name) return flags | t.vt;
  }
  if (text.rfind("0x", 0) == 0 && text.size() <= 6) {
    return flags | static_cast<std::uint16_t>(std::stoul(text.substr(2), nullptr, 16));
  }
  throw JsonError{field, "unknown VARIANT type \"" + text + "\""};
}

std::vector<std::uint8_t> FromHex(const Json& json, const std::string& field) {
  if (!json.is_string()) throw JsonError{field, "expected hex digits"};
  const std::string text = json.get<std::string>();
  if (text.size() % 2) throw JsonError{field, "expected an even number of hex digits"};
  std::optional<std::vector<std::uint8_t>> bytes = BytesOfHex(text);
  if (!bytes) throw JsonError{field, "expected hex digits"};
  return *std::move(bytes);
}

bool IsReal(std::uint16_t vt) {
  return vt == win::kVtR4 || vt == win::kVtR8 || vt == win::kVtDate;
}
bool HasNoValue(std::uint16_t vt) {
  return vt == win::kVtEmpty || vt == win::kVtNull || vt == win::kVtVariant ||
         vt == win::kVtDecimal || vt > win::kVtUi8 || vt == 15;
}

// The value of a scalar of type `vt` (also an array element) as JSON.
Json ScalarJson(std::uint16_t vt, const Variant& value) {
  if (vt == win::kVtBstr) {
    if (!value.text) return nullptr;
    Json text = Utf16ToUtf8(*value.text);
    if (Utf8ToUtf16(text.get<std::string>()) != *value.text) {
      // Not valid UTF-16 (a lone surrogate): the units themselves, as hex.
      return Json{{"utf16le", HexBytes(reinterpret_cast<const std::uint8_t*>(value.text->data()),
                                       value.text->size() * 2)}};
    }
    return text;
  }
  if (IsReal(vt)) {
    std::uint64_t bits;
    if (vt == win::kVtR4) {
      float f = static_cast<float>(value.real);
      std::uint32_t b;
      std::memcpy(&b, &f, 4);
      bits = b;
    } else {
      std::memcpy(&bits, &value.real, 8);
    }
    char hex[24];
    std::snprintf(hex, sizeof(hex), vt == win::kVtR4 ? "%08llx" : "%016llx",
                  static_cast<unsigned long long>(bits));
    Json json = {{"bits", hex}};
    if (std::isfinite(value.real)) json["number"] = value.real;
    return json;
  }
  if (vt == win::kVtUi8) return static_cast<std::uint64_t>(value.integer);
  if (HasNoValue(vt) || vt == win::kVtDispatch || vt == win::kVtUnknown) return nullptr;
  return value.integer;
}

Variant ScalarFromJson(std::uint16_t vt, const Json& json, const std::string& field) {
  Variant value;
  value.vt = vt;
  if (vt == win::kVtBstr) {
    if (json.is_null()) return value;
    if (json.is_string()) {
      value.text = Utf8ToUtf16(json.get<std::string>());
    } else if (json.is_object() && json.contains("utf16le")) {
      auto bytes = FromHex(json["utf16le"], field + ".utf16le");
      if (bytes.size() % 2) throw JsonError{field + ".utf16le", "expected whole UTF-16 units"};
      value.text = WString(bytes.size() / 2, u'\0');
      std::memcpy(value.text->data(), bytes.data(), bytes.size());
    } else {
      throw JsonError{field, "expected a string, null or {\"utf16le\": hex}"};
    }
    return value;
  }
  if (IsReal(vt)) {
    if (!json.is_object() || !json.contains("bits"))
      throw JsonError{field, "expected {\"bits\": hex}"};
    auto bytes = FromHex(json["bits"], field + ".bits");
    const std::size_t size = vt == win::kVtR4 ? 4 : 8;
    if (bytes.size() != size)
      throw JsonError{field + ".bits", "expected " + std::to_string(size * 2) + " hex digits"};
    std::uint64_t bits = 0;
    for (std::uint8_t byte : bytes) bits = bits << 8 | byte;
    if (vt == win::kVtR4) {
      float f;
      std::uint32_t b = static_cast<std::uint32_t>(bits);
      std::memcpy(&f, &b, 4);
      value.real = f;
    } else {
      std::memcpy(&value.real, &bits, 8);
    }
    return value;
  }
  if (HasNoValue(vt) || vt == win::kVtDispatch || vt == win::kVtUnknown) return value;
  if (!json.is_number_integer()) throw JsonError{field, "expected an integer"};
  value.integer = json.is_number_unsigned() ? static_cast<std::int64_t>(json.get<std::uint64_t>())
                                            : json.get<std::int64_t>();
  return value;
}

platform::Guid GuidFromJson(const Json& json, const std::string& field) {
  const std::string text = json.is_string() ? json.get<std::string>() : std::string();
  std::optional<platform::Guid> guid;
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    guid = platform::GuidFromText(Utf8ToUtf16(text.substr(1, 36)));
  }
  if (!guid) {
    throw JsonError{field, "expected a class ID such as {00000000-0000-0000-0000-000000000000}"};
  }
  return *guid;
}

Json VariantJson(const Variant& value) {
  Json json = {{"type", TypeText(value.vt)}};
  if (value.vt & win::kVtArray) {
    if (!value.array) return json;
    const std::uint16_t elementType = value.vt & ~win::kVtArray;
    json["lower"] = value.array->bounds.empty() ? 0 : value.array->bounds[0].lowerBound;
    Json elements = Json::array();
    for (const auto& element : value.array->elements)
      elements.push_back(ScalarJson(elementType, element));
    json["elements"] = elements;
    return json;
  }
  if ((value.vt == win::kVtDispatch || value.vt == win::kVtUnknown) && value.object) {
    json["class_id"] = platform::BracedGuidText(value.object->classId);
    json["data"] = HexBytes(value.object->data.data(), value.object->data.size());
    return json;
  }
  Json scalar = ScalarJson(value.vt, value);
  if (!scalar.is_null() || value.vt == win::kVtBstr) json["value"] = scalar;
  return json;
}

Variant VariantFromJson(const Json& json, const std::string& field) {
  if (!json.is_object()) throw JsonError{field, "expected {\"type\": ..., \"value\": ...}"};
  if (!json.contains("type")) throw JsonError{field + ".type", "missing"};
  const std::uint16_t vt = ParseType(json["type"], field + ".type");
  if (vt & win::kVtArray) {
    Variant value;
    value.vt = vt;
    value.array = std::make_shared<platform::SafeArray>();
    value.array->elementType = vt & ~win::kVtArray;
    const Json lower = json.value("lower", Json(0));
    if (!lower.is_number_integer()) throw JsonError{field + ".lower", "expected an integer"};
    const Json elements = json.value("elements", Json::array());
    if (!elements.is_array()) throw JsonError{field + ".elements", "expected an array"};
    value.array->bounds.push_back(
        {lower.get<std::int32_t>(), static_cast<std::uint32_t>(elements.size())});
    for (std::size_t i = 0; i < elements.size(); ++i) {
      value.array->elements.push_back(ScalarFromJson(
          value.array->elementType, elements[i], field + ".elements[" + std::to_string(i) + "]"));
    }
    return value;
  }
  if ((vt == win::kVtDispatch || vt == win::kVtUnknown) && json.contains("class_id")) {
    Variant value;
    value.vt = vt;
    value.object = std::make_shared<platform::ObjectValue>();
    value.object->classId = GuidFromJson(json["class_id"], field + ".class_id");
    value.object->data = FromHex(json.value("data", Json("")), field + ".data");
    return value;
  }
  return ScalarFromJson(vt, json.value("value", Json(nullptr)), field + ".value");
}

Json MapJson(const CWMIPropertyMap& map) {
  Json entries = Json::array();
  for (const auto& [key, value] : map.Entries()) {
    entries.push_back({{"key", Utf16ToUtf8(key)}, {"value", VariantJson(value)}});
  }
  return entries;
}

void MapFromJson(const Json& json, const std::string& field, CWMIPropertyMap& map) {
  if (!json.is_array()) throw JsonError{field, "expected an array of {\"key\", \"value\"}"};
  for (std::size_t i = 0; i < json.size(); ++i) {
    const std::string entry = field + "[" + std::to_string(i) + "]";
    if (!json[i].is_object() || !json[i].contains("key") || !json[i]["key"].is_string()) {
      throw JsonError{entry + ".key", "expected a string"};
    }
    if (!json[i].contains("value")) throw JsonError{entry + ".value", "missing"};
    map.SetAt(Utf8ToUtf16(json[i]["key"].get<std::string>()),
              VariantFromJson(json[i]["value"], entry + ".value"));
  }
}

}  // namespace

int RunWmiParams(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  const std::vector<std::string>& positional = arguments.Operands();
  const bool mapOnly = arguments.Has("--map");
  const bool decode = positional.size() == 2 && positional[0] == "decode";
  const bool encode = positional.size() == 3 && positional[0] == "encode";
  if (!decode && !encode) {
    err << "usage: presetra wmiparams decode FILE [--map]\n"
           "       presetra wmiparams encode FILE.json OUT [--map]\n";
    return 2;
  }
  std::string problem;
  std::optional<std::string> text = ReadFileText(positional[1], &problem);
  if (!text) {
    err << "presetra: " << positional[1] << ": " << problem << "\n";
    return 2;
  }
  const std::string& input = *text;
  CWMIParameters parameters;
  CWMIPropertyMap map;
  CObject& object = mapOnly ? static_cast<CObject&>(map) : parameters;

  if (decode) {
    CArchive archive = CArchive::ForLoading(
        std::span(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()));
    if (!object.Serialize(archive)) {
      err << "presetra: " << positional[1] << ": " << archive.ErrorMessage() << "\n";
      return 2;
    }
    if (archive.Remaining() != 0) {
      err << "presetra: " << positional[1] << ": byte " << archive.Position()
          << ": the stream goes on after its end\n";
      return 2;
    }
    Json json;
    if (mapOnly) {
      json = MapJson(map);
    } else {
      Json values = Json::array();
      for (const auto& value : parameters.values) values.push_back(VariantJson(value));
      json = {{"values", values},
              {"integer", parameters.integer},
              {"maps", {MapJson(parameters.firstMap), MapJson(parameters.secondMap)}}};
    }
    out << json.dump(2) << "\n";
    return 0;
  }

  try {
    const Json json = Json::parse(input);
    if (mapOnly) {
      MapFromJson(json, "", map);
    } else {
      if (!json.is_object()) throw JsonError{"", "expected {\"values\", \"integer\", \"maps\"}"};
      const Json values = json.value("values", Json::array());
      if (!values.is_array() || values.size() > 5)
        throw JsonError{"values", "expected up to five values"};
      for (std::size_t i = 0; i < values.size(); ++i) {
        parameters.values[i] = VariantFromJson(values[i], "values[" + std::to_string(i) + "]");
      }
      const Json integer = json.value("integer", Json(0));
      if (!integer.is_number_integer()) throw JsonError{"integer", "expected an integer"};
      parameters.integer = integer.get<std::int32_t>();
      const Json maps = json.value("maps", Json::array());
      if (!maps.is_array() || maps.size() > 2) throw JsonError{"maps", "expected up to two maps"};
      if (maps.size() > 0) MapFromJson(maps[0], "maps[0]", parameters.firstMap);
      if (maps.size() > 1) MapFromJson(maps[1], "maps[1]", parameters.secondMap);
    }
  } catch (const Json::exception& error) {
    err << "presetra: " << positional[1]
        << ": not valid JSON: " << machine::JsonProblem(input, error) << "\n";
    return 2;
  } catch (const JsonError& error) {
    err << "presetra: " << positional[1] << ": " << error.field << ": " << error.message << "\n";
    return 2;
  }
  CArchive archive = CArchive::ForStoring();
  if (!object.Serialize(archive)) {
    err << "presetra: " << positional[1] << ": " << archive.ErrorMessage() << "\n";
    return 2;
  }
  const std::string bytes(archive.Bytes().begin(), archive.Bytes().end());
  if (const std::string problem = WriteFileAtomically(positional[2], bytes); !problem.empty()) {
    err << "presetra: " << positional[2] << ": cannot be written: " << problem << "\n";
    return 2;
  }
  return 0;
}

}  // namespace presetra::cli
