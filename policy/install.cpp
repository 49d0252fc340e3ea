#include "policy/board_lists.h"
#include "policy/os_def_set.h"
#include "power/power_scheme.h"
#include "power/registry_settings.h"

namespace presetra {

namespace {

constexpr char16_t kCurrentVersionKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
constexpr char16_t kAutoRotationKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\AutoRotation\\";
constexpr char16_t kSecureBiometricsKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\DeviceGuard\\Scenarios\\SecureBiometrics\\";
constexpr char16_t kAdaptiveBrightnessKey[] =
    u"Software\\Microsoft\\Windows NT\\CurrentVersion\\AdaptiveDisplayBrightness\\"
    u"{23B44AF2-78CE-4943-81DF-89817E8D23FD}";
// Ambient light in lux to display brightness in nits.
constexpr char16_t kLuxToNitsCurve[] =
    u"0.001:60, 25:60, 40:90, 100:130, 250:160, 500:180, 1000:225, 3000:300, 12000:400, "
    u"20000:500, 50000:750";

// Creates or opens the key in the 64-bit view and writes one value. Failures are not reported.
void Write(platform::Registry& registry, WStringView key, WStringView name,
           const platform::RegData& data) {
  (void)platform::WriteValue(registry, platform::kHkeyLocalMachine, key,
                             win::kKeyAllAccess | win::kKeyWow64_64Key,
                             platform::KeyOpening::kCreate, name, data);
}

}  // namespace

int COSDefSet::Install() {
  const int result = CAppInstaller::Install();
  CMSIInstaller* installer = Installer();
  if (installer == nullptr) return result;
  platform::System& system = installer->System();
  platform::Registry& registry = system.registry();

  const bool consumer = installer->IsConsumer();
  installer->Decided(
      {.question = Question::kConsumer, .answer = consumer, .tokens = {u"7K", u"7P", u"7W"}});
  if (consumer) {
    installer->Log(u"Is Concumer Products");
    ApplyConsumerScheme();
    return result;
  }

  SetBuildNumber(ReadRegistryString(registry, kCurrentVersionKey, u"CurrentBuildNumber"));
  installer->Log(Format(u"Windows 10 build number: %s ", buildNumberText_));
  RunBiosScript();

  const bool tablet = installer->HasFeature(u"bT");
  installer->Decided({.question = Question::kTablet, .answer = tablet, .tokens = {u"bT"}});
  if (tablet) {
    installer->Log(u"Tablet detected. Set AutoRotation Enable.");
    Write(registry, kAutoRotationKey, u"Enable", platform::RegData::Dword(1));
  }
  installer->Decided({.question = Question::kBuild20H2OrLater,
                      .answer = buildNumber_ >= k20H2,
                      .build = buildNumber_,
                      .threshold = k20H2});
  if (buildNumber_ >= k20H2) {
    installer->Log(u"20H2 and after");
  } else {
    installer->Log(u"SecureBIO enablement");
    Write(registry, kSecureBiometricsKey, u"Enabled", platform::RegData::Dword(0));
  }

  const bool notebook = installer->IsNotebook();
  installer->Decided(
      {.question = Question::kNotebook, .answer = notebook, .tokens = {u"aw", u"bT"}});
  if (notebook) {
    const WString board = installer->GetMachineID();
    installer->Log(u"Notebook System");
    installer->Log(board);
    const bool quorlin = IsOneOf(board, kQuorlinBoards);
    installer->Decided({.question = Question::kQuorlinBoard,
                        .answer = quorlin,
                        .boards = kQuorlinBoards,
                        .board = board});
    if (quorlin) {
      installer->Log(u"QUORLIN found, apply AdaptiveDisplayBrightness registry.");
      Write(registry, kAdaptiveBrightnessKey, u"AutobrightnessLuxToNitsCurve",
            platform::RegData::String(kLuxToNitsCurve));
    }
    const bool connectedStandby = installer->IsConnectedStandby();
    installer->Decided({.question = Question::kConnectedStandby, .answer = connectedStandby});
    if (connectedStandby) {
      installer->Log(u"Connected Standby supported");
      bool before2019 = false;
      const bool gu = installer->HasFeature(u"gu");
      installer->Decided({.question = Question::kFeatureGu, .answer = gu, .tokens = {u"gu"}});
      if (gu) {
        installer->Log(u"gu feature is detected.");
        installer->Decided({.question = Question::kBuildBeforeRs3,
                            .answer = buildNumber_ < kRs3,
                            .build = buildNumber_,
                            .threshold = kRs3});
        if (buildNumber_ < kRs3) {
          installer->Log(u"RS 1/2");
          RunModernStandbyPackage();
          before2019 = true;
        } else {
          installer->Log(u"Windows 10 RS 3 or later, Skip MSDppkg installation");
          before2019 = IsOneOf(board, kPackagedBoards);
          installer->Decided({.question = Question::kPackagedBoard,
                              .answer = before2019,
                              .boards = kPackagedBoards,
                              .board = board});
        }
      } else {
        installer->Log(u"gu feature NOT detected");
        RunModernStandbyPackage();
        before2019 = true;
      }
      installer->Decided({.question = Question::kPlatformBefore2019,
                          .answer = before2019,
                          .tokens = {u"gu"},
                          .boards = kPackagedBoards,
                          .board = board,
                          .build = buildNumber_,
                          .threshold = kRs3});
      ApplyModernStandbyScheme(before2019);
      (void)CPowerScheme(kNoScheme, installer).SetHibernateSize();
    } else {
      installer->Log(u"Connected Standby Not Supported");
      ApplyNotebookScheme();
    }
    (void)SessionManagerPower(registry).Apply();
    (void)FlyoutMenuSettings(registry).Apply();
    ConfigureNetworkAdapters();
  } else {
    installer->Log(u"Detected as Desktop, RPOS or Thin Client");
    installer->Log(u"CT.TAB or CT.NB was not found");
    ApplyDesktopScheme();
    (void)CPowerScheme(kNoScheme, installer).SetHibernateSize();
  }
  return result;
}

}  // namespace presetra
