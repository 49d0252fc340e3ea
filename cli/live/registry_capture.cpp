#include "cli/live/registry_capture.h"

#include "machine/layout.h"
#include "platform/bytes_text.h"

namespace presetra::cli {

namespace {

using Json = nlohmann::ordered_json;

std::optional<Json> ValueJson(const platform::ValueRead& read, const std::string& field,
                              std::vector<std::string>* notes) {
  const std::vector<std::uint8_t>& data = read.data;
  switch (read.type) {
    case win::kRegSz:
    case win::kRegExpandSz: {
      const bool nul = data.size() >= 2 && data[data.size() - 2] == 0 && data.back() == 0;
      const std::string text = Utf16ToUtf8(TextOfUtf16Le(data.data(), data.size()));
      if (read.type == win::kRegSz && nul) return Json(text);
      Json value = {{"type", read.type == win::kRegSz ? "REG_SZ" : "REG_EXPAND_SZ"},
                    {"data", text}};
      if (!nul) value["nul"] = false;
      return value;
    }
    case win::kRegDword:
      if (const auto number = platform::DwordOf(data)) return Json(*number);
      break;
    case win::kRegQword:
      if (data.size() == 8) {
        std::uint64_t value = 0;
        for (int i = 7; i >= 0; --i) value = value << 8 | data[i];
        return Json{{"type", "REG_QWORD"}, {"data", value}};
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
  notes->push_back(field + ": type " + std::to_string(read.type) + " with " +
                   std::to_string(data.size()) +
                   " bytes, which a profile cannot hold: left to the base image");
  return std::nullopt;
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

RegistryCapture::RegistryCapture(platform::Registry& registry) : registry_(registry) {
  for (const auto& key : machine::BaseImageRegistry()) {
    auto& names = base_[ToUpper(key.path)];
    if (key.values) {
      for (const auto& value : *key.values) names.insert(ToUpper(value.name));
    }
  }
}

// Adds a read to the list; true when it was not on it.
bool RegistryCapture::Record(const platform::RegistryRead& read) {
  bool added = false;
  const WString key = ToUpper(read.keyPath);
  if (keys_.emplace(key, read.keyPath).second) {
    keyOrder_.push_back(key);
    added = true;
  }
  if (read.valueName && values_[key].emplace(ToUpper(*read.valueName), *read.valueName).second) {
    valueOrder_[key].push_back(ToUpper(*read.valueName));
    added = true;
  }
  return added;
}

// The keys and values the commit read, as this PC has them, laid over the base image: a key
// is written when it differs from the base image, null when the PC lacks one the base has.
Json RegistryCapture::ProfileRegistry(std::vector<std::string>* notes) {
  auto registry = Json::object();
  auto baseHasKeyOrBelow = [this](const WString& key) {
    for (const auto& [path, names] : base_) {
      if (path == key || path.rfind(key + u"\\", 0) == 0) return true;
    }
    return false;
  };
  raw_.clear();
  for (const WString& key : keyOrder_) {
    const WString& path = keys_.at(key);
    const std::string field = "registry \"" + Utf16ToUtf8(path) + "\"";
    const auto inView = platform::KeyOfPhysicalPath(path);
    if (!inView) continue;
    const win::Long probe =
        platform::ProbeKey(registry_, platform::kHkeyLocalMachine, inView->subKey, inView->view);
    if (probe == win::kErrorFileNotFound) {
      if (baseHasKeyOrBelow(key)) registry[Utf16ToUtf8(path)] = nullptr;
      continue;
    }
    if (probe != win::kErrorSuccess) {
      notes->push_back(field + ": could not be opened (error " + std::to_string(probe) +
                       "): left to the base image");
      continue;
    }
    Json values = Json::object();
    for (const WString& name : valueOrder_[key]) {
      const WString& spelt = values_[key].at(name);
      const platform::ValueRead read = platform::ReadValue(registry_, platform::kHkeyLocalMachine,
                                                           inView->subKey, inView->view, spelt);
      const auto baseKey = base_.find(key);
      const bool inBase = baseKey != base_.end() && baseKey->second.count(name) != 0;
      if (read.error == win::kErrorFileNotFound) {
        if (inBase) {
          notes->push_back(field + " \"" + Utf16ToUtf8(spelt) +
                           "\": absent on this PC, which a profile cannot say: the base "
                           "image's value stands");
        }
        continue;
      }
      if (read.error != win::kErrorSuccess) {
        notes->push_back(field + " \"" + Utf16ToUtf8(spelt) + "\": could not be read (error " +
                         std::to_string(read.error) + "): left to the base image");
        continue;
      }
      if (auto json = ValueJson(read, field + " \"" + Utf16ToUtf8(spelt) + "\"", notes)) {
        values[Utf16ToUtf8(spelt)] = *json;
        raw_.push_back({path, platform::RegistryValue{spelt, read.type, read.data}});
      }
    }
    if (values.empty() && base_.count(key) != 0) continue;
    registry[Utf16ToUtf8(path)] = values;
  }
  return registry;
}

// A value the profile holds with other bytes than the PC's (a string with a NUL inside, a
// lone surrogate) is named, so that nobody takes the profile for the PC.
void RegistryCapture::CheckValuesKeptExactly(Capture& capture) const {
  const machine::MachineProfile parsed = machine::ParseProfile(capture.profileText);
  for (const auto& [path, value] : raw_) {
    for (const auto& key : parsed.registry) {
      if (!EqualsIgnoringCase(key.path, path) || !key.values) continue;
      for (const auto& held : *key.values) {
        if (EqualsIgnoringCase(held.name, value.name) &&
            (held.type != value.type || held.data != value.data)) {
          capture.notes.push_back("registry \"" + Utf16ToUtf8(path) + "\" \"" +
                                  Utf16ToUtf8(value.name) + "\": the profile holds " +
                                  HexBytes(held.data.data(), held.data.size()) + ", the PC has " +
                                  HexBytes(value.data.data(), value.data.size()));
        }
      }
    }
  }
}

}  // namespace presetra::cli
