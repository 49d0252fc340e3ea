#include "policy/board_lists.h"
#include "policy/os_def_set.h"
#include "policy/setting_rows.h"
#include "power/registry_settings.h"

namespace presetra {

namespace {

constexpr ValueRule kFlag = ValueRule::kFlag;

// clang-format off
constexpr SettingRow kRows1To20[] = {
    {AC, kSubSleep, kSleepAfter, 600},                       // 1 Sleep after (s)
    {DC, kSubSleep, kSleepAfter, 240},                       // 2 Sleep after (s)
    {AC, kSubDisplay, kTurnOffDisplayAfter, 600},            // 3 Turn off display after (s)
    {DC, kSubDisplay, kTurnOffDisplayAfter, 240},            // 4 Turn off display after (s)
    {AC, kSubDisplay, kDisplayBrightness, 100},              // 5 Display brightness (%)
    {DC, kSubDisplay, kDisplayBrightness, 40},               // 6 Display brightness (%)
    {AC, kSubDisplay, kEnableAdaptiveBrightness, 1, kFlag},  // 7 Enable adaptive brightness: On
    {DC, kSubDisplay, kEnableAdaptiveBrightness, 1, kFlag},  // 8 Enable adaptive brightness: On
    {AC, kSubBattery, kLowBatteryLevel, 6},                  // 9 Low battery level (%)
    {DC, kSubBattery, kLowBatteryLevel, 6},                  // 10 Low battery level (%)
    {AC, kSubBattery, kCriticalBatteryLevel, 4},             // 11 Critical battery level (%)
    {DC, kSubBattery, kCriticalBatteryLevel, 4},             // 12 Critical battery level (%)
    {AC, kSubBattery, kCriticalBatteryAction, 2},            // 13 Critical battery action: Hibernate
    {DC, kSubBattery, kCriticalBatteryAction, 2},            // 14 Critical battery action: Hibernate
    {AC, kSubBattery, kCsBatterySaverTimeout, 14400},        // 15 CS Battery Saver Timeout (s)
    {DC, kSubBattery, kCsBatterySaverTimeout, 14400},        // 16 CS Battery Saver Timeout (s)
    {AC, kSubBattery, kCsBatterySaverTripPoint, 100},        // 17 CS Battery Saver Trip Point (%)
    {DC, kSubBattery, kCsBatterySaverTripPoint, 100},        // 18 CS Battery Saver Trip Point (%)
    {AC, kSubBattery, kCsBatterySaverAction, 1},             // 19 CS Battery Saver Action
    {DC, kSubBattery, kCsBatterySaverAction, 1},             // 20 CS Battery Saver Action
};
// clang-format on
// Hibernation, when the platform has "a6" or "a2": never, and the setting is hidden.
// clang-format off
constexpr SettingRow kRows21To22[] = {
    {AC, kSubSleep, kHibernateAfter, 0},  // 21 Hibernate after (s)
    {DC, kSubSleep, kHibernateAfter, 0},  // 22 Hibernate after (s)
};
// clang-format on
// Password on wake-up: not asked on Windows Home.
// clang-format off
constexpr SettingRow kRows29To30WindowsHome[] = {
    {AC, kSubNone, kRequirePasswordOnWakeup, 0, kFlag},  // 29 Require a password on wakeup: No
    {DC, kSubNone, kRequirePasswordOnWakeup, 0, kFlag},  // 30 Require a password on wakeup: No
};
constexpr SettingRow kRows31To32OtherEditions[] = {
    {AC, kSubNone, kRequirePasswordOnWakeup, 1, kFlag},  // 31 Require a password on wakeup: Yes
    {DC, kSubNone, kRequirePasswordOnWakeup, 1, kFlag},  // 32 Require a password on wakeup: Yes
};
// clang-format on
// Only on 2019-and-later platforms.
// clang-format off
constexpr SettingRow kRows33To34[] = {
    {AC, kSubPresenceAware, kStandbyBudgetPercent, 0},   // 33 Standby Budget Percent (%)
    {DC, kSubPresenceAware, kStandbyBudgetPercent, 15},  // 34 Standby Budget Percent (%)
};
constexpr SettingRow kRow35[] = {
    {AC, kSubPowerButtonsAndLid, kLidCloseAction, 0},    // 35 Lid close action: Do nothing
};
// clang-format on

// Board "21E2": Wi-Fi stays on in standby, in Windows' three schemes and in ours. The blanks
// are as the factory has always run them.
constexpr const char16_t* kBoard21E2Commands[] = {
    u"-setacvalueindex SCHEME_MAX  SUB_NONE WIFIINSTANDBY 001",
    u"-setacvalueindex SCHEME_MIN  SUB_NONE WIFIINSTANDBY 001",
    u"-setacvalueindex SCHEME_BALANCED  SUB_NONE WIFIINSTANDBY 001",
    u"-setacvalueindex fb5220ff-7e1a-47aa-9a42-50ffbf45c673 SUB_NONE WIFIINSTANDBY 001",
    u"-setdcvalueindex SCHEME_MAX  SUB_NONE WIFIINSTANDBY 001",
    u"-setdcvalueindex SCHEME_MIN  SUB_NONE WIFIINSTANDBY 001",
    u"-setdcvalueindex SCHEME_BALANCED  SUB_NONE WIFIINSTANDBY 001",
    u"-setdcvalueindex fb5220ff-7e1a-47aa-9a42-50ffbf45c673 SUB_NONE WIFIINSTANDBY 001",
};

}  // namespace

void COSDefSet::ApplyModernStandbyScheme(bool before2019) {
  CMSIInstaller* installer = Installer();
  installer->Log(before2019 ? u"2018 and before" : u"2019 and later");
  const WString board = installer->GetMachineID();
  CPowerScheme scheme(kModernStandbyScheme, installer);
  CreateFromBalanced(scheme, *installer, 6003, u"Vorlan Optimized (Modern Standby)",
                     SchemeDescription::kShared);
  ApplyRows(scheme, kRows1To20);

  // Hibernation: exactly one of three branches.
  const bool hibernationHidden = installer->HasFeature(u"a6") || installer->HasFeature(u"a2");
  installer->Decided({.question = Question::kHibernationHidden,
                      .answer = hibernationHidden,
                      .tokens = {u"a6", u"a2"}});
  if (hibernationHidden) {
    ApplyRows(scheme, kRows21To22);
    (void)HideHibernateAfter(installer);
  } else if (before2019) {
    (void)scheme.SetHibernateAfter(AC, 14400);  // row 23
    (void)scheme.SetHibernateAfter(DC, 14400);  // row 24
  } else {
    (void)scheme.SetHibernateAfter(AC, 0);      // row 25
    (void)scheme.SetHibernateAfter(DC, 57600);  // row 26
    (void)scheme.SetDiskLinkPower(AC, 4);       // row 27
    (void)scheme.SetDiskLinkPower(DC, 4);       // row 28
  }

  const bool windowsHome = installer->HasFeature(u"dp") &&
                           (installer->HasFeature(u"ar") || installer->HasFeature(u"as") ||
                            installer->HasFeature(u"at"));
  installer->Decided({.question = Question::kWindowsHome,
                      .answer = windowsHome,
                      .tokens = {u"dp", u"ar", u"as", u"at"}});
  if (windowsHome) {
    installer->Log(u"Windows Home detected");
    ApplyRows(scheme, kRows29To30WindowsHome);
  } else {
    installer->Log(u"Windows Home not detected");
    ApplyRows(scheme, kRows31To32OtherEditions);
  }
  if (!before2019) ApplyRows(scheme, kRows33To34);
  const bool wifiInStandby = IsOneOf(board, kWifiInStandbyBoards);
  installer->Decided({.question = Question::kWifiInStandbyBoard,
                      .answer = wifiInStandby,
                      .boards = kWifiInStandbyBoards,
                      .board = board});
  if (wifiInStandby) {
    for (const char16_t* command : kBoard21E2Commands) (void)scheme.Run(command);
  }
  ApplyRows(scheme, kRow35);
  ActivateAsPreferredPlan(scheme);
}

}  // namespace presetra
