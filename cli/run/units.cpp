#include "cli/run/units.h"

#include "platform/bytes_text.h"

namespace presetra::cli {

namespace {

// Seconds as a person says them: 0 is "Never" for every time-out Windows shows in seconds.
std::string DurationText(std::uint32_t seconds) {
  if (seconds == 0) return "Never";
  if (seconds % 3600 == 0) return std::to_string(seconds / 3600) + " h";
  if (seconds % 60 == 0) return std::to_string(seconds / 60) + " min";
  return std::to_string(seconds) + " s";
}

}  // namespace

RegistryValueWritten Written(const WString& keyPath, const platform::RegistryValue& value) {
  RegistryValueWritten written{Utf16ToUtf8(keyPath), Utf16ToUtf8(value.name),
                               std::to_string(value.type),
                               HexBytes(value.data.data(), value.data.size(), " ")};
  const std::optional<std::uint32_t> number = platform::DwordOf(value.data);
  if (value.type == win::kRegDword && number) {
    written.type = "REG_DWORD";
    written.data = std::to_string(*number);
  } else if (value.type == win::kRegSz) {
    written.type = "REG_SZ";
    written.data = Utf16ToUtf8(TextOfUtf16Le(value.data.data(), value.data.size()));
  }
  return written;
}

std::string SettingValueText(const powercfg::SettingInfo& info,
                             const std::optional<std::uint32_t>& value) {
  if (!value) return "-";
  const std::string unit = info.unit;
  if (!info.choices.empty()) {
    return *value < info.choices.size() ? info.choices[*value] : std::to_string(*value);
  }
  if (unit == "Seconds") return DurationText(*value);
  if (unit == "%") return std::to_string(*value) + " %";
  if (unit == "Milliseconds") return std::to_string(*value) + " ms";
  return std::to_string(*value);
}

}  // namespace presetra::cli
