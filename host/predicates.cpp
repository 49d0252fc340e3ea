#include <cstdint>

#include "host/installer.h"

namespace presetra {

namespace {
// -1 not yet known, 0 no, 1 yes. Shared by every caller in the process.
std::int32_t g_connectedStandby = -1;
}  // namespace

std::size_t FeatureOffset(WStringView featureBytes, WStringView token) {
  std::size_t at = featureBytes.find(token);
  // Tokens are two characters wide: only one on a token boundary counts.
  while (at != WString::npos && at % 2 != 0) at = featureBytes.find(token, at + 1);
  return at;
}

bool CMSIInstaller::HasFeature(WStringView token) const {
  const std::size_t at = FeatureOffset(context_.featureBytes, token);
  if (featureListener_) featureListener_(token, at);
  return at != WString::npos;
}

bool CMSIInstaller::IsNotebook() const {
  // Unreadable firmware strings count as a notebook.
  if (context_.featureBytes.empty()) return true;
  return HasFeature(u"aw") || HasFeature(u"bT");
}

bool CMSIInstaller::IsConsumer() const {
  return HasFeature(u"7K") && HasFeature(u"7P") && HasFeature(u"7W");
}

bool IsConnectedStandby(platform::Power& power) {
  if (g_connectedStandby == -1) {
    bool aoac = false;
    if (power.GetPwrCapabilities(&aoac)) g_connectedStandby = aoac ? 1 : 0;
  }
  return g_connectedStandby == 1;
}

void ResetConnectedStandbyCache() {
  g_connectedStandby = -1;
}

}  // namespace presetra
