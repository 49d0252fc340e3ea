#include "tools/wine/machine_facts.h"

#include <fstream>
#include <sstream>

#include "platform/bytes_text.h"

namespace presetra::wine {

namespace {

std::string Escape(WStringView text) {
  std::string out;
  for (char c : Utf16ToUtf8(text)) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

WString Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char next = text[++i];
      out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    } else {
      out += text[i];
    }
  }
  return Utf8ToUtf16(out);
}

}  // namespace

std::string FormatFacts(const MachineFacts& facts) {
  std::ostringstream out;
  if (facts.oemStrings) {
    out << "oem_strings\tarray\n";
    for (const auto& entry : *facts.oemStrings) {
      if (entry) {
        out << "oem_string\t" << Escape(*entry) << "\n";
      } else {
        out << "oem_string_null\n";
      }
    }
  }
  if (facts.biosFeatureByte) out << "bios_feature_byte\t" << Escape(*facts.biosFeatureByte) << "\n";
  out << "connected_standby\t"
      << (!facts.connectedStandby   ? "error"
          : *facts.connectedStandby ? "true"
                                    : "false")
      << "\n";
  out << "platform_role\t"
      << (facts.platformRole == powercfg::PlatformRole::kDesktop ? "desktop" : "mobile") << "\n";
  for (const auto& adapter : facts.adapters) {
    out << "adapter\t" << Escape(adapter.instanceName) << "\t"
        << (adapter.writesFail ? "write_fails" : "ok") << "\n";
  }
  auto index = [](const std::optional<std::uint32_t>& value) {
    return value ? std::to_string(*value) : std::string("-");
  };
  for (const auto& scheme : facts.schemes) {
    out << "scheme\t" << Utf16ToUtf8(scheme.guid) << "\t" << Escape(scheme.name) << "\t"
        << Escape(scheme.description) << "\n";
    for (const auto& [key, values] : scheme.values) {
      out << "value\t" << Utf16ToUtf8(scheme.guid) << "\t" << Utf16ToUtf8(key.subgroup) << "\t"
          << Utf16ToUtf8(key.setting) << "\t" << index(values.ac) << "\t" << index(values.dc)
          << "\n";
    }
  }
  if (!facts.activeScheme.empty()) {
    out << "active_scheme\t" << Utf16ToUtf8(facts.activeScheme) << "\n";
  }
  return out.str();
}

MachineFacts ParseFacts(const std::string& text) {
  MachineFacts facts;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto fields = SplitTabs(line);
    const std::string& kind = fields[0];
    if (kind == "oem_strings") {
      facts.oemStrings.emplace();
    } else if (kind == "oem_string" && fields.size() > 1) {
      if (!facts.oemStrings) facts.oemStrings.emplace();
      facts.oemStrings->push_back(Unescape(fields[1]));
    } else if (kind == "oem_string_null") {
      if (!facts.oemStrings) facts.oemStrings.emplace();
      facts.oemStrings->push_back(std::nullopt);
    } else if (kind == "bios_feature_byte" && fields.size() > 1) {
      facts.biosFeatureByte = Unescape(fields[1]);
    } else if (kind == "connected_standby" && fields.size() > 1) {
      if (fields[1] == "error") {
        facts.connectedStandby = std::nullopt;
      } else {
        facts.connectedStandby = fields[1] == "true";
      }
    } else if (kind == "platform_role" && fields.size() > 1) {
      facts.platformRole = fields[1] == "desktop" ? powercfg::PlatformRole::kDesktop
                                                  : powercfg::PlatformRole::kMobile;
    } else if (kind == "adapter" && fields.size() > 2) {
      facts.adapters.push_back({Unescape(fields[1]), fields[2] == "write_fails"});
    } else if (kind == "scheme" && fields.size() > 3) {
      facts.schemes.push_back(
          powercfg::Scheme{Utf8ToUtf16(fields[1]), Unescape(fields[2]), Unescape(fields[3]), {}});
    } else if (kind == "value" && fields.size() > 5 && !facts.schemes.empty()) {
      auto index = [](const std::string& text) -> std::optional<std::uint32_t> {
        if (text == "-") return std::nullopt;
        return static_cast<std::uint32_t>(std::stoul(text));
      };
      powercfg::AcDc& values =
          facts.schemes.back()
              .values[powercfg::SettingKey{Utf8ToUtf16(fields[2]), Utf8ToUtf16(fields[3])}];
      values.ac = index(fields[4]);
      values.dc = index(fields[5]);
    } else if (kind == "active_scheme" && fields.size() > 1) {
      facts.activeScheme = Utf8ToUtf16(fields[1]);
    }
  }
  return facts;
}

MachineFacts ReadFacts() {
  std::ifstream file(kFactsPath, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return ParseFacts(text.str());
}

}  // namespace presetra::wine
