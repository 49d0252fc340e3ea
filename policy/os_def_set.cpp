#include "policy/os_def_set.h"

namespace presetra {

COSDefSet::~COSDefSet() = default;

void COSDefSet::Attach(CMSIInstaller* installer) {
  CAppInstaller::Attach(installer);
  if (installer != nullptr) SetContextNames(*installer);
}

void COSDefSet::SetBuildNumber(const WString& text) {
  buildNumberText_ = text;
  buildNumber_ = WideToLong(text);
}

}  // namespace presetra
