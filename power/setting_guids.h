// Windows' power schemes, subgroups and settings by name: the GUIDs powercfg takes, named once
// for the recipes, the scheme commands and the tests. Names follow what Windows 10's powercfg /q
// shows (platform/emulation/powercfg/settings_catalog.cpp has each with its alias, unit and choices).
#pragma once

namespace presetra {

// Windows' own schemes.
inline constexpr char16_t kBalancedScheme[] = u"381b4222-f694-41f0-9685-ff5bb260df2e";
inline constexpr char16_t kPowerSaverScheme[] = u"a1841308-3541-4fab-bc81-f71556f20b4a";
// Vorlan's: the scheme of the notebook, desktop and consumer recipes, and the Modern Standby one.
inline constexpr char16_t kVorlanScheme[] = u"8759706d-706b-4c22-b2ec-f91e1ef6ed38";
inline constexpr char16_t kModernStandbyScheme[] = u"fb5220ff-7e1a-47aa-9a42-50ffbf45c673";

// clang-format off
// Hard disk
inline constexpr char16_t kSubHardDisk[] = u"0012ee47-9041-4b5d-9b77-535fba8b1442";
inline constexpr char16_t kTurnOffHardDiskAfter[] = u"6738e2c4-e8a5-4a42-b16a-e040e769756e";
inline constexpr char16_t kAhciLinkPowerMode[] = u"0b2d69d7-a2a1-449c-9680-f91c70521c60";
inline constexpr char16_t kAhciLinkPowerAdaptive[] = u"dab60367-53fe-4fbc-825e-521d069d2456";

// Internet Explorer
inline constexpr char16_t kSubInternetExplorer[] = u"02f815b5-a5cf-4c84-bf20-649d1f75d3d8";
inline constexpr char16_t kJavaScriptTimerFrequency[] = u"4c793e7d-a264-42e1-87d3-7a0d2f523ccd";

// Desktop background settings
inline constexpr char16_t kSubDesktopBackground[] = u"0d7dbae2-4294-402a-ba8e-26777e8488cd";
inline constexpr char16_t kSlideShow[] = u"309dce9b-bef4-4119-9921-a851fb12f0f4";

// Wireless Adapter Settings
inline constexpr char16_t kSubWirelessAdapter[] = u"19cbb8fa-5279-450e-9fac-8a3d5fedd0c1";
inline constexpr char16_t kPowerSavingMode[] = u"12bbebe6-58d6-4636-95bb-3217ef867c1a";

// Sleep
inline constexpr char16_t kSubSleep[] = u"238c9fa8-0aad-41ed-83f4-97be242c8f20";
inline constexpr char16_t kSleepAfter[] = u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da";
inline constexpr char16_t kAllowHybridSleep[] = u"94ac6d29-73ce-41a6-809f-6363ba21b47e";
inline constexpr char16_t kHibernateAfter[] = u"9d7815a6-7ee4-497e-8888-515a05f02364";
inline constexpr char16_t kAllowWakeTimers[] = u"bd3b718a-0680-4d9d-8ab2-e1d2b4ac806d";

// USB settings
inline constexpr char16_t kSubUsb[] = u"2a737441-1930-4402-8d77-b2bebba308a3";
inline constexpr char16_t kUsbSelectiveSuspend[] = u"48e6b7a6-50f5-4782-a5d4-53bb8f07e226";

// Power buttons and lid
inline constexpr char16_t kSubPowerButtonsAndLid[] = u"4f971e89-eebd-4455-a8de-9e59040e7347";
inline constexpr char16_t kLidCloseAction[] = u"5ca83367-6e45-459f-a27b-476b1d01c936";
inline constexpr char16_t kPowerButtonAction[] = u"7648efa3-dd9c-4e3e-b566-50f929386280";
inline constexpr char16_t kSleepButtonAction[] = u"96996bc0-ad50-47ec-923b-6f41874dd9eb";

// PCI Express
inline constexpr char16_t kSubPciExpress[] = u"501a4d13-42af-4429-9fd1-a8218c268e20";
inline constexpr char16_t kLinkStatePowerManagement[] = u"ee12f906-d277-404b-b6da-e5fa1a576df5";

// Processor power management
inline constexpr char16_t kSubProcessor[] = u"54533251-82be-4824-96c1-47b60b740d00";
inline constexpr char16_t kMinimumProcessorState[] = u"893dee8e-2bef-41e0-89c6-b55d0929964c";
inline constexpr char16_t kSystemCoolingPolicy[] = u"94d3a615-a899-4ac5-ae2b-e4d8f634367f";
inline constexpr char16_t kMaximumProcessorState[] = u"bc5038f7-23e0-4960-96da-33abaf5935ec";

// Display
inline constexpr char16_t kSubDisplay[] = u"7516b95f-f776-4464-8c53-06167f40cc99";
inline constexpr char16_t kDimDisplayAfter[] = u"17aaa29b-8b43-4b94-aafe-35f64daaf1ee";
inline constexpr char16_t kTurnOffDisplayAfter[] = u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e";
inline constexpr char16_t kDisplayBrightness[] = u"aded5e82-b909-4619-9949-f5d71dac0bcb";
inline constexpr char16_t kDimmedDisplayBrightness[] = u"f1fbfde2-a960-4165-9f88-50667911ce96";
inline constexpr char16_t kEnableAdaptiveBrightness[] = u"fbd9aa66-9553-4097-ba44-ed6e9d65eab8";

// Multimedia settings
inline constexpr char16_t kSubMultimedia[] = u"9596fb26-9850-41fd-ac3e-f7c3c00afd4b";
inline constexpr char16_t kWhenSharingMedia[] = u"03680956-93bc-4294-bba6-4e0f09bb717f";
inline constexpr char16_t kWhenPlayingVideo[] = u"34c7b99f-9a6d-4b3c-8dc7-b6693b78cef4";

// Battery
inline constexpr char16_t kSubBattery[] = u"e73a048d-bf27-4f12-9731-8b2076e8891f";
inline constexpr char16_t kCriticalBatteryAction[] = u"637ea02f-bbcb-4015-8e2c-a1c7b9c0b546";
inline constexpr char16_t kLowBatteryLevel[] = u"8183ba9a-e910-48da-8769-14ae6dc1170a";
inline constexpr char16_t kCriticalBatteryLevel[] = u"9a66d8d7-4ff7-4ef9-b5a2-5a326ca2a469";
inline constexpr char16_t kLowBatteryNotification[] = u"bcded951-187b-4d05-bccc-f7e51960c258";
inline constexpr char16_t kLowBatteryAction[] = u"d8742dcb-3e6a-4b3c-b3fe-374623cdcf06";
inline constexpr char16_t kReserveBatteryLevel[] = u"f3c5027d-cd16-4930-aa6b-90db844a8f00";
inline constexpr char16_t kCsBatterySaverTimeout[] = u"7398e821-3937-4469-b07b-33eb785aaca1";
inline constexpr char16_t kCsBatterySaverTripPoint[] = u"1e133d45-a325-48da-8769-14ae6dc1170b";
inline constexpr char16_t kCsBatterySaverAction[] = u"c10ce532-2eb1-4b3c-b3fe-374623cdcf07";

// (no subgroup)
inline constexpr char16_t kSubNone[] = u"fea3413e-7e05-4911-9a71-700331f1c294";
inline constexpr char16_t kRequirePasswordOnWakeup[] = u"0e796bdb-100d-47d6-a2d5-f7d2daa51f51";

// Presence Aware Power Behavior
inline constexpr char16_t kSubPresenceAware[] = u"8619b916-e004-4dd8-9b66-dae86f806698";
inline constexpr char16_t kStandbyBudgetPercent[] = u"9fe527be-1b70-48da-930d-7bcf17b44990";
// clang-format on

}  // namespace presetra
