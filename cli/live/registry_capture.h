// The registry a capture writes into the profile: the keys and values the commit reads, as the
// PC has them, laid over the base image.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/live/capture.h"
#include "machine/profile.h"
#include "platform/registry.h"
namespace presetra::cli {

class RegistryCapture {
 public:
  explicit RegistryCapture(platform::Registry& registry);

  // Adds a read of the commit to the list; true when it was not on it.
  bool Record(const platform::RegistryRead& read);
  // The keys and values recorded, as the PC has them: a key is written when it differs from
  // the base image, null when the PC lacks one the base has. What cannot be said exactly is
  // added to `notes`.
  std::vector<machine::RegistryKeyEdit> ProfileRegistry(std::vector<std::string>* notes);
  // A value the profile holds with other bytes than the PC's (a string with a NUL inside, a
  // lone surrogate) is named, so that nobody takes the profile for the PC.
  void CheckValuesKeptExactly(Capture& capture) const;

 private:
  platform::Registry& registry_;
  // The base image's keys and their values' names, upper-cased: what a profile need not say.
  std::map<WString, std::set<WString>> base_;
  // What the commit read, by upper-cased path and name, as first spelt, in the order read.
  std::map<WString, WString> keys_;
  std::vector<WString> keyOrder_;
  std::map<WString, std::map<WString, WString>> values_;
  std::map<WString, std::vector<WString>> valueOrder_;
  std::vector<std::pair<WString, platform::RegistryValue>> raw_;
};

}  // namespace presetra::cli
