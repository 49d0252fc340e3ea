// The default-settings policy: what is applied on which platform, at commit and at removal.
#pragma once

#include <cstdint>

#include "host/app_installer.h"

namespace presetra {

class COSDefSet : public CAppInstaller {
 public:
  COSDefSet() = default;
  ~COSDefSet() override;
  // Stores the installer and sets its context names.
  void Attach(CMSIInstaller* installer) override;
  int Install() override;
  int Uninstall() override;

  // The power-scheme recipes of the four platform classes.
  void ApplyConsumerScheme();
  void ApplyDesktopScheme();
  void ApplyNotebookScheme();
  // The notebook recipe of Connected Standby platforms. The flag is true on platforms of 2018
  // and before.
  void ApplyModernStandbyScheme(bool before2019);

  // The package's factory scripts, with the build number (and, for the BIOS script, whether
  // the machine has Connected Standby).
  void RunModernStandbyPackage();
  void RunBiosScript();

  // Turns on power management of every wired PCI network adapter: through WMI, or through
  // the adapter's PnPCapabilities when WMI does not take all three settings.
  void ConfigureNetworkAdapters();

  // Whether the board is outside the notebook recipe's exclusion list. Asked once per loaded
  // module.
  bool IsBoardNotExcluded();
  // Whether the product key says the machine has an accelerometer. Asked once per
  // loaded module.
  bool HasAccelerometer();

  const WString& BuildNumberText() const { return buildNumberText_; }
  std::int32_t BuildNumber() const { return buildNumber_; }
  // Sets the build number as Install reads it; for running single steps.
  void SetBuildNumber(const WString& text);

 private:
  WString buildNumberText_;
  std::int32_t buildNumber_ = 0;
};

}  // namespace presetra
