#include "policy/board_lists.h"
#include "policy/os_def_set.h"
#include "policy/setting_rows.h"

namespace presetra {

namespace {

constexpr ValueRule kLinkPowerOfBoard = ValueRule::kLinkPowerOfBoard;
constexpr ValueRule kLidOfAccelerometer = ValueRule::kLidOfAccelerometer;

// kLinkPowerOfBoard (rows 3 and 4): only on boards outside the exclusion list; 1 on the link
// power mode 1 boards, else the table's 4.
// kLidOfAccelerometer (row 24): 0 (do nothing) when the machine has an accelerometer, else the
// table's 1 (sleep).
// clang-format off
constexpr SettingRow kNotebookRows[] = {
    {AC, kSubHardDisk, kTurnOffHardDiskAfter, 1200},                        // 1 Turn off hard disk after (s)
    {DC, kSubHardDisk, kTurnOffHardDiskAfter, 600},                         // 2 Turn off hard disk after (s)
    {AC, kSubHardDisk, kAhciLinkPowerMode, 4, kLinkPowerOfBoard},           // 3 AHCI Link Power Management - HIPM/DIPM: Lowest (by board)
    {DC, kSubHardDisk, kAhciLinkPowerMode, 4, kLinkPowerOfBoard},           // 4 AHCI Link Power Management - HIPM/DIPM: Lowest (by board)
    {AC, kSubHardDisk, kAhciLinkPowerAdaptive, 50},                         // 5 AHCI Link Power Management - Adaptive (ms)
    {DC, kSubHardDisk, kAhciLinkPowerAdaptive, 50},                         // 6 AHCI Link Power Management - Adaptive (ms)
    {AC, kSubInternetExplorer, kJavaScriptTimerFrequency, 1},               // 7 JavaScript Timer Frequency: Maximum Performance
    {DC, kSubInternetExplorer, kJavaScriptTimerFrequency, 0},               // 8 JavaScript Timer Frequency: Maximum Power Savings
    {AC, kSubDesktopBackground, kSlideShow, 0},                             // 9 Slide show: Available
    {DC, kSubDesktopBackground, kSlideShow, 1},                             // 10 Slide show: Paused
    {AC, kSubWirelessAdapter, kPowerSavingMode, 0},                         // 11 Power Saving Mode: Maximum Performance
    {DC, kSubWirelessAdapter, kPowerSavingMode, 3},                         // 12 Power Saving Mode: Maximum Power Saving
    {AC, kSubSleep, kSleepAfter, 1200},                                     // 13 Sleep after (s)
    {DC, kSubSleep, kSleepAfter, 900},                                      // 14 Sleep after (s)
    {AC, kSubSleep, kAllowHybridSleep, 0},                                  // 15 Allow hybrid sleep: Off
    {DC, kSubSleep, kAllowHybridSleep, 0},                                  // 16 Allow hybrid sleep: Off
    {AC, kSubSleep, kHibernateAfter, 259200},                               // 17 Hibernate after (s)
    {DC, kSubSleep, kHibernateAfter, 86400},                                // 18 Hibernate after (s)
    {AC, kSubSleep, kAllowWakeTimers, 2},                                   // 19 Allow wake timers: Important Wake Timers Only
    {DC, kSubSleep, kAllowWakeTimers, 0},                                   // 20 Allow wake timers: Disable
    {AC, kSubUsb, kUsbSelectiveSuspend, 1},                                 // 21 USB selective suspend setting: Enabled
    {DC, kSubUsb, kUsbSelectiveSuspend, 1},                                 // 22 USB selective suspend setting: Enabled
    {AC, kSubPowerButtonsAndLid, kLidCloseAction, 0},                       // 23 Lid close action: Do nothing
    {DC, kSubPowerButtonsAndLid, kLidCloseAction, 1, kLidOfAccelerometer},  // 24 Lid close action: Sleep (by accelerometer)
    {AC, kSubPowerButtonsAndLid, kPowerButtonAction, 1},                    // 25 Power button action: Sleep
    {DC, kSubPowerButtonsAndLid, kPowerButtonAction, 1},                    // 26 Power button action: Sleep
    {AC, kSubPowerButtonsAndLid, kSleepButtonAction, 1},                    // 27 Sleep button action: Sleep
    {DC, kSubPowerButtonsAndLid, kSleepButtonAction, 1},                    // 28 Sleep button action: Sleep
    {AC, kSubPciExpress, kLinkStatePowerManagement, 2},                     // 29 Link State Power Management: Maximum power savings
    {DC, kSubPciExpress, kLinkStatePowerManagement, 2},                     // 30 Link State Power Management: Maximum power savings
    {AC, kSubProcessor, kMinimumProcessorState, 5},                         // 31 Minimum processor state (%)
    {DC, kSubProcessor, kMinimumProcessorState, 5},                         // 32 Minimum processor state (%)
    {AC, kSubProcessor, kSystemCoolingPolicy, 1},                           // 33 System cooling policy: Active
    {DC, kSubProcessor, kSystemCoolingPolicy, 0},                           // 34 System cooling policy: Passive
    {AC, kSubProcessor, kMaximumProcessorState, 100},                       // 35 Maximum processor state (%)
    {DC, kSubProcessor, kMaximumProcessorState, 100},                       // 36 Maximum processor state (%)
    {AC, kSubDisplay, kDimDisplayAfter, 300},                               // 37 Dim display after (s)
    {DC, kSubDisplay, kDimDisplayAfter, 120},                               // 38 Dim display after (s)
    {AC, kSubDisplay, kTurnOffDisplayAfter, 600},                           // 39 Turn off display after (s)
    {DC, kSubDisplay, kTurnOffDisplayAfter, 300},                           // 40 Turn off display after (s)
    {AC, kSubDisplay, kDisplayBrightness, 100},                             // 41 Display brightness (%)
    {DC, kSubDisplay, kDisplayBrightness, 40},                              // 42 Display brightness (%)
    {AC, kSubDisplay, kDimmedDisplayBrightness, 50},                        // 43 Dimmed display brightness (%)
    {DC, kSubDisplay, kDimmedDisplayBrightness, 50},                        // 44 Dimmed display brightness (%)
    {AC, kSubDisplay, kEnableAdaptiveBrightness, 1},                        // 45 Enable adaptive brightness: On
    {DC, kSubDisplay, kEnableAdaptiveBrightness, 1},                        // 46 Enable adaptive brightness: On
    {AC, kSubMultimedia, kWhenSharingMedia, 1},                             // 47 When sharing media: Prevent idling to sleep
    {DC, kSubMultimedia, kWhenSharingMedia, 0},                             // 48 When sharing media: Allow the computer to sleep
    {AC, kSubMultimedia, kWhenPlayingVideo, 0},                             // 49 When playing video: Optimize video quality
    {DC, kSubMultimedia, kWhenPlayingVideo, 1},                             // 50 When playing video: Balanced
    {AC, kSubBattery, kCriticalBatteryAction, 2},                           // 51 Critical battery action: Hibernate
    {DC, kSubBattery, kCriticalBatteryAction, 2},                           // 52 Critical battery action: Hibernate
    {AC, kSubBattery, kLowBatteryLevel, 10},                                // 53 Low battery level (%)
    {DC, kSubBattery, kLowBatteryLevel, 10},                                // 54 Low battery level (%)
    {AC, kSubBattery, kCriticalBatteryLevel, 5},                            // 55 Critical battery level (%)
    {DC, kSubBattery, kCriticalBatteryLevel, 5},                            // 56 Critical battery level (%)
    {AC, kSubBattery, kLowBatteryNotification, 1},                          // 57 Low battery notification: On
    {DC, kSubBattery, kLowBatteryNotification, 1},                          // 58 Low battery notification: On
    {AC, kSubBattery, kLowBatteryAction, 0},                                // 59 Low battery action: Do nothing
    {DC, kSubBattery, kLowBatteryAction, 0},                                // 60 Low battery action: Do nothing
    {AC, kSubBattery, kReserveBatteryLevel, 7},                             // 61 Reserve battery level (%)
    {DC, kSubBattery, kReserveBatteryLevel, 7},                             // 62 Reserve battery level (%)
};
// clang-format on

}  // namespace

// Both answers are the module's: filled on first use, kept until it is unloaded.
bool COSDefSet::IsBoardNotExcluded() {
  ModuleState& module = Installer()->Module();
  if (!module.boardCheckPending) return module.boardNotExcluded;
  module.boardCheckPending = false;
  const WString board = Installer()->GetMachineID();
  module.boardNotExcluded = !IsOneOf(board, kExcludedBoards);
  Installer()->Decided({.question = Question::kExcludedBoard,
                        .answer = !module.boardNotExcluded,
                        .boards = kExcludedBoards,
                        .board = board});
  return module.boardNotExcluded;
}

bool COSDefSet::HasAccelerometer() {
  std::int32_t& accelerometer = Installer()->Module().accelerometer;
  if (accelerometer >= 0) return accelerometer == 1;
  accelerometer = 0;
  platform::Registry& registry = Installer()->System().registry();
  const WString key = Installer()->GetRegistryKey();
  Decision decision{.question = Question::kAccelerometer};
  const WString anyOf = ReadRegistryString(registry, key, u"AccelerometerAny");
  decision.values.emplace_back(u"AccelerometerAny", anyOf);
  if (anyOf == u"1") {
    accelerometer = 1;
  } else {
    // All three are read before any is tested.
    for (const char16_t* name : {u"Accelerometer", u"Accelerometer6000", u"Accelerometer6007"}) {
      decision.values.emplace_back(name, ReadRegistryString(registry, key, name));
    }
    for (const auto& [name, data] : decision.values) {
      if (data == u"1") accelerometer = 1;
    }
  }
  decision.answer = accelerometer == 1;
  Installer()->Decided(decision);
  return decision.answer;
}

void COSDefSet::ApplyNotebookScheme() {
  CMSIInstaller* installer = Installer();
  CPowerScheme scheme(kVorlanScheme, installer);
  CreateFromBalanced(scheme, *installer, 6001, u"Vorlan Optimized (recommended)",
                     SchemeDescription::kShared);
  for (const SettingRow& row : kNotebookRows) {
    std::int32_t value = row.value;
    if (row.rule == ValueRule::kLinkPowerOfBoard) {
      if (!IsBoardNotExcluded()) continue;
      const WString board = installer->GetMachineID();
      const bool mode1 = IsOneOf(board, kLinkPowerMode1Boards);
      installer->Decided({.question = Question::kLinkPowerMode1Board,
                          .answer = mode1,
                          .boards = kLinkPowerMode1Boards,
                          .board = board});
      if (mode1) value = 1;
    } else if (row.rule == ValueRule::kLidOfAccelerometer) {
      value = HasAccelerometer() ? 0 : 1;
    }
    (void)scheme.SetValueIndex(row.mode, row.subgroup, row.setting, value);
  }
  (void)scheme.SetHibernateSize();
  ActivateAsPreferredPlan(scheme);
}

}  // namespace presetra
