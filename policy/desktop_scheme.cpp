#include "policy/os_def_set.h"
#include "policy/setting_rows.h"

namespace presetra {

namespace {

// Rows 4 and 5 set rows 2 and 3 again, shorter, on "3a" or "aN" platforms; the later values win.
// clang-format off
constexpr SettingRow kRows1To3[] = {
    {AC, kSubSleep, kHibernateAfter, 0},                  // 1 Hibernate after (s)
    {AC, kSubDisplay, kTurnOffDisplayAfter, 600},         // 2 Turn off display after (s)
    {AC, kSubSleep, kSleepAfter, 1200},                   // 3 Sleep after (s)
};
constexpr SettingRow kRows4To5When3aOrAN[] = {
    {AC, kSubDisplay, kTurnOffDisplayAfter, 300},         // 4 Turn off display after (s)
    {AC, kSubSleep, kSleepAfter, 600},                    // 5 Sleep after (s)
};
constexpr SettingRow kRows6To7[] = {
    {AC, kSubPciExpress, kLinkStatePowerManagement, 2},   // 6 Link State Power Management: Maximum power savings
    {AC, kSubPowerButtonsAndLid, kSleepButtonAction, 1},  // 7 Sleep button action: Sleep
};
// clang-format on

}  // namespace

void COSDefSet::ApplyDesktopScheme() {
  CMSIInstaller* installer = Installer();
  installer->Log(u"Setting Desktop Power Scheme");
  CPowerScheme scheme(kVorlanScheme, installer);
  installer->Log(u"Create Power Scheme Vorlan Optimized (recommended)");
  CreateFromBalanced(scheme, *installer, 6001, u"Vorlan Optimized (recommended)",
                     SchemeDescription::kShared);
  ApplyRows(scheme, kRows1To3);
  const bool shorter = installer->HasFeature(u"3a") || installer->HasFeature(u"aN");
  installer->Decided(
      {.question = Question::kDesktopFeature, .answer = shorter, .tokens = {u"3a", u"aN"}});
  if (shorter) {
    installer->Log(u"3a or aN feature detected");
    ApplyRows(scheme, kRows4To5When3aOrAN);
  }
  ApplyRows(scheme, kRows6To7);
  ActivateAsPreferredPlan(scheme);
}

}  // namespace presetra
