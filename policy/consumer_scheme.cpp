#include "policy/os_def_set.h"
#include "policy/setting_rows.h"

namespace presetra {

namespace {

// Windows' Power saver, changed in place.
// clang-format off
constexpr SettingRow kPowerSaverRow1[] = {
    {AC, kSubHardDisk, kAhciLinkPowerMode, 3},  // 1 AHCI Link Power Management - HIPM/DIPM: DIPM
};
// clang-format on
// Vorlan Recommended: AC only; its DC values stay those of Balanced.
// clang-format off
constexpr SettingRow kRecommendedRows2To12[] = {
    {AC, kSubHardDisk, kAhciLinkPowerMode, 3},            // 2 AHCI Link Power Management - HIPM/DIPM: DIPM
    {AC, kSubHardDisk, kTurnOffHardDiskAfter, 900},       // 3 Turn off hard disk after (s)
    {AC, kSubSleep, kSleepAfter, 1200},                   // 4 Sleep after (s)
    {AC, kSubSleep, kHibernateAfter, 0},                  // 5 Hibernate after (s)
    {AC, kSubPowerButtonsAndLid, kLidCloseAction, 1},     // 6 Lid close action: Sleep
    {AC, kSubPowerButtonsAndLid, kPowerButtonAction, 1},  // 7 Power button action: Sleep
    {AC, kSubDisplay, kDimDisplayAfter, 0},               // 8 Dim display after (s)
    {AC, kSubBattery, kLowBatteryAction, 2},              // 9 Low battery action: Hibernate
    {AC, kSubBattery, kLowBatteryLevel, 10},              // 10 Low battery level (%)
    {AC, kSubBattery, kCriticalBatteryLevel, 5},          // 11 Critical battery level (%)
    {AC, kSubBattery, kReserveBatteryLevel, 8},           // 12 Reserve battery level (%)
};
// clang-format on

}  // namespace

void COSDefSet::ApplyConsumerScheme() {
  CMSIInstaller* installer = Installer();
  installer->Log(u"Setting Consumer Power Scheme");
  CPowerScheme powerSaver(kPowerSaverScheme, installer);
  installer->Log(u"Setting Consumer Power Saver");
  ApplyRows(powerSaver, kPowerSaverRow1);
  (void)powerSaver.Run(u"-ReplaceDefaultSchemes");
  installer->Log(u"Replace Consumer Power Saver");

  CPowerScheme recommended(kVorlanScheme, installer);
  installer->Log(u"Setting Consumer Vorlan Recommended");
  CreateFromBalanced(recommended, *installer, 6004, u"Vorlan Recommended",
                     SchemeDescription::kNone);
  ApplyRows(recommended, kRecommendedRows2To12);
  ActivateAsPreferredPlan(recommended);
  installer->Log(u"Replace Consumer Vorlan Recommended");
}

}  // namespace presetra
