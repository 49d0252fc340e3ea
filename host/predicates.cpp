#include <cstdint>

#include "host/installer.h"

namespace presetra {

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

bool CMSIInstaller::IsConnectedStandby() const {
  std::int32_t& known = module_->connectedStandby;
  if (known == -1) {
    bool aoac = false;
    if (system_.power().GetPwrCapabilities(&aoac)) known = aoac ? 1 : 0;
  }
  return known == 1;
}

}  // namespace presetra
