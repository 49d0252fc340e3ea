#include "platform/emulation/powercfg/describe.h"

#include <algorithm>

namespace presetra::powercfg {

namespace {
std::string ValueText(const std::optional<std::uint32_t>& value) {
  return value ? std::to_string(*value) : "-";
}
}  // namespace

std::string DescribeSchemes(const SchemeStore& store, const StringResolver& resolve,
                            const std::optional<WString>& preferredPlan) {
  const std::vector<Scheme>& windows = WindowsSchemes(store.Role());
  std::vector<Scheme> schemes = store.Schemes();
  // Windows lists schemes in its own order; this view sorts them so that stores compare.
  std::sort(schemes.begin(), schemes.end(),
            [](const Scheme& a, const Scheme& b) { return ToLower(a.guid) < ToLower(b.guid); });
  std::string out = "\nPower schemes (* active):\n";
  for (const auto& scheme : schemes) {
    const Scheme* original = nullptr;
    for (const auto& w : windows) {
      if (EqualsIgnoringCase(w.guid, scheme.guid)) original = &w;
    }
    out += "  " + Utf16ToUtf8(ToLower(scheme.guid)) + "  " +
           Utf16ToUtf8(DisplayText(scheme.name, resolve)) +
           (EqualsIgnoringCase(scheme.guid, store.Active()) ? " *" : "") + "\n";
    if (original == nullptr) {
      out += "    Description: " + Utf16ToUtf8(DisplayText(scheme.description, resolve)) + "\n";
    }
    for (const auto& info : SettingsCatalog()) {
      const auto& key = KeyOf(info);
      auto value = scheme.values.find(key);
      if (value == scheme.values.end()) continue;
      if (original != nullptr) {
        auto before = original->values.find(key);
        if (before != original->values.end() && before->second.ac == value->second.ac &&
            before->second.dc == value->second.dc) {
          continue;
        }
      }
      out += std::string("    ") + info.subgroupName + " / " + info.settingName + ": AC " +
             ValueText(value->second.ac) + ", DC " + ValueText(value->second.dc) + "\n";
    }
  }
  if (preferredPlan) out += "Preferred plan: " + Utf16ToUtf8(*preferredPlan) + "\n";
  if (auto size = store.HibernateFileSize()) {
    out += "Hibernation file size: " + std::to_string(*size) + " %\n";
  }
  return out;
}

}  // namespace presetra::powercfg
