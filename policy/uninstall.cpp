#include "policy/os_def_set.h"
#include "policy/setting_rows.h"
#include "power/power_scheme.h"

namespace presetra {

namespace {
constexpr win::Dword kDescriptionBufferBytes = 520;
}  // namespace

int COSDefSet::Uninstall() {
  CMSIInstaller* installer = Installer();
  if (installer == nullptr) return 0;
  platform::System& system = installer->System();
  // On Connected Standby machines the Modern Standby scheme and everything else stays.
  if (installer->IsConnectedStandby()) return 0;

  CPowerScheme scheme(kVorlanScheme, installer);
  (void)scheme.Delete();

  bool exists = true;
  platform::Guid guid;
  if (ParseGuid(u"{" + scheme.Guid() + u"}", guid)) {
    WString description;
    exists = system.power().PowerReadDescription(guid, kDescriptionBufferBytes, &description) ==
             win::kErrorSuccess;
  }
  if (exists) {
    // The scheme outlived its deletion: give it a plain name that needs no module to resolve.
    WString name = u"Vorlan Optimized (recommended)";
    const std::uint16_t primaryLanguage = system.shell().GetSystemDefaultUILanguage() & 0xFF;
    if (primaryLanguage == win::kLangArabic || primaryLanguage == win::kLangHebrew) {
      name += u"\u200E";
    }
    WString description = system.shell().LoadModuleString(kDescriptionId).value_or(u"");
    (void)scheme.ChangeName(name, &description);
    (void)scheme.Run(u"-ReplaceDefaultSchemes");
  }
  return 0;
}

}  // namespace presetra
