#include "cli/live/registry_capture.h"

#include "machine/layout.h"
#include "machine/profile_writer.h"
#include "platform/bytes_text.h"

namespace presetra::cli {

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
std::vector<machine::RegistryKeyEdit> RegistryCapture::ProfileRegistry(
    std::vector<std::string>* notes) {
  std::vector<machine::RegistryKeyEdit> registry;
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
      if (baseHasKeyOrBelow(key)) registry.push_back({path, std::nullopt});
      continue;
    }
    if (probe != win::kErrorSuccess) {
      notes->push_back(field + ": could not be opened (error " + std::to_string(probe) +
                       "): left to the base image");
      continue;
    }
    std::vector<platform::RegistryValue> values;
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
      const platform::RegistryValue value{spelt, read.type, read.data};
      if (!machine::RegistryValueJson(value)) {
        notes->push_back(field + " \"" + Utf16ToUtf8(spelt) + "\": type " +
                         std::to_string(read.type) + " with " + std::to_string(read.data.size()) +
                         " bytes, which a profile cannot hold: left to the base image");
        continue;
      }
      values.push_back(value);
      raw_.push_back({path, value});
    }
    if (values.empty() && base_.count(key) != 0) continue;
    registry.push_back({path, std::move(values)});
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
