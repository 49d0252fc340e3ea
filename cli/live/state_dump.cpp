#include "cli/live/state_dump.h"

#include <algorithm>
#include <sstream>

#include "platform/bytes_text.h"
#include "platform/emulation/powercfg/settings_catalog.h"

namespace presetra::cli {

namespace {

using powercfg::Scheme;
using powercfg::SettingInfo;

bool IsTimeStamp(const std::string& text) {
  return text.size() == 12 && text[2] == ':' && text[5] == ':' && text[8] == ':';
}

std::optional<std::uint32_t> ParseNumber(const std::string& text) {
  if (text.empty() || text.size() > 10 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const unsigned long long value = std::stoull(text);
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

const SettingInfo* SettingNamed(const std::string& subgroupAndName) {
  for (const auto& info : powercfg::SettingsCatalog()) {
    if (std::string(info.subgroupName) + " / " + info.settingName == subgroupAndName) return &info;
  }
  return nullptr;
}

// "    Sleep / Sleep after: AC 1200, DC 900": the setting and its two values.
bool ParseSettingLine(const std::string& line, const SettingInfo** info, powercfg::AcDc* values) {
  const std::size_t colon = line.rfind(": AC ");
  const std::size_t dc = line.rfind(", DC ");
  if (colon == std::string::npos || dc == std::string::npos || dc < colon) return false;
  *info = SettingNamed(line.substr(4, colon - 4));
  if (*info == nullptr) return false;
  const std::string ac = line.substr(colon + 5, dc - colon - 5);
  const std::string dcText = line.substr(dc + 5);
  values->ac = ParseNumber(ac);
  values->dc = ParseNumber(dcText);
  return (values->ac || ac == "-") && (values->dc || dcText == "-");
}

}  // namespace

EndState ParseEndState(const std::string& text, powercfg::PlatformRole role) {
  EndState state;
  const std::vector<Scheme>& windows = powercfg::WindowsSchemes(role);
  std::vector<Scheme> listed;
  bool sawSchemes = false;
  std::istringstream lines(text);
  std::size_t number = 0;
  auto refuse = [&number](const std::string& what) {
    throw StateError("line " + std::to_string(number) + ": " + what);
  };
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() == 2 && IsTimeStamp(fields[0])) continue;  // the commit's log
    if (line == "Power schemes (* active):") {
      sawSchemes = true;
      continue;
    }
    if (line.rfind("Preferred plan: ", 0) == 0) {
      state.preferredPlan = Utf8ToUtf16(line.substr(16));
      continue;
    }
    if (line.rfind("Hibernation file size: ", 0) == 0 && line.size() > 25 &&
        line.substr(line.size() - 2) == " %") {
      state.hibernateFileSize = ParseNumber(line.substr(23, line.size() - 25));
      if (!state.hibernateFileSize) refuse("expected \"Hibernation file size: N %\"");
      continue;
    }
    if (line.rfind("    Description: ", 0) == 0) continue;
    if (line.rfind("    ", 0) == 0) {
      const SettingInfo* info = nullptr;
      powercfg::AcDc values;
      if (listed.empty() || !ParseSettingLine(line, &info, &values)) {
        refuse("expected \"    Subgroup / Setting: AC n, DC n\" of a known setting");
      }
      listed.back().values[powercfg::KeyOf(*info)] = values;
      continue;
    }
    if (line.rfind("  ", 0) == 0 && fields.size() == 1) {
      // "  guid  Name *": a scheme; Windows' own start from Windows' values.
      const std::size_t end = line.find("  ", 2);
      if (end == std::string::npos) refuse("expected \"  GUID  name\"");
      Scheme scheme;
      scheme.guid = ToLower(Utf8ToUtf16(line.substr(2, end - 2)));
      for (const auto& known : windows) {
        if (EqualsIgnoringCase(known.guid, scheme.guid)) scheme = known;
      }
      scheme.name = Utf8ToUtf16(line.substr(end + 2));
      if (scheme.name.size() >= 2 && scheme.name.substr(scheme.name.size() - 2) == u" *") {
        scheme.name.resize(scheme.name.size() - 2);
        state.active = scheme.guid;
      }
      listed.push_back(scheme);
      continue;
    }
    if (fields.size() == 3 && fields[2] == "absent") {
      state.registry[RegistryName(Utf8ToUtf16(fields[0]), Utf8ToUtf16(fields[1]))] = std::nullopt;
      continue;
    }
    if (fields.size() == 4 && fields[3] == "True") {
      state.wmiOn.insert(
          WmiSettingName(Utf8ToUtf16(fields[0]), Utf8ToUtf16(fields[1]), Utf8ToUtf16(fields[2])));
      continue;
    }
    if (fields.size() == 4) {
      const auto type = ParseNumber(fields[2]);
      const auto bytes = BytesOfHex(fields[3]);
      if (!type || !bytes) refuse("expected \"key<TAB>name<TAB>type<TAB>hex bytes\"");
      state.registry[RegistryName(Utf8ToUtf16(fields[0]), Utf8ToUtf16(fields[1]))] =
          platform::RegistryValue{Utf8ToUtf16(fields[1]), *type, *bytes};
      continue;
    }
    refuse("not a line of a state dump: \"" + line + "\"");
  }
  if (!sawSchemes) throw StateError("no \"Power schemes (* active):\" list: run with --schemes");
  state.schemes = std::move(listed);
  return state;
}

}  // namespace presetra::cli
