#include "policy/board_lists.h"
#include "policy/os_def_set.h"
#include "policy/setting_rows.h"
#include "power/registry_settings.h"

namespace presetra {

namespace {

constexpr char16_t kModernStandbyScheme[] = u"fb5220ff-7e1a-47aa-9a42-50ffbf45c673";
constexpr ValueRule kFlag = ValueRule::kFlag;

constexpr SettingRow kRows1To20[] = {
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", 600},
    {DC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", 240},
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e", 600},
    {DC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e", 240},
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"aded5e82-b909-4619-9949-f5d71dac0bcb", 100},
    {DC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"aded5e82-b909-4619-9949-f5d71dac0bcb", 40},
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"fbd9aa66-9553-4097-ba44-ed6e9d65eab8", 1,
     kFlag},
    {DC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"fbd9aa66-9553-4097-ba44-ed6e9d65eab8", 1,
     kFlag},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"8183ba9a-e910-48da-8769-14ae6dc1170a", 6},
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"8183ba9a-e910-48da-8769-14ae6dc1170a", 6},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"9a66d8d7-4ff7-4ef9-b5a2-5a326ca2a469", 4},
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"9a66d8d7-4ff7-4ef9-b5a2-5a326ca2a469", 4},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"637ea02f-bbcb-4015-8e2c-a1c7b9c0b546", 2},
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"637ea02f-bbcb-4015-8e2c-a1c7b9c0b546", 2},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"7398e821-3937-4469-b07b-33eb785aaca1", 14400},
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"7398e821-3937-4469-b07b-33eb785aaca1", 14400},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"1e133d45-a325-48da-8769-14ae6dc1170b", 100},
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"1e133d45-a325-48da-8769-14ae6dc1170b", 100},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"c10ce532-2eb1-4b3c-b3fe-374623cdcf07", 1},
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"c10ce532-2eb1-4b3c-b3fe-374623cdcf07", 1},
};
// Hibernation, when the platform has "a6" or "a2": never, and the setting is hidden.
constexpr SettingRow kRows21To22[] = {
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"9d7815a6-7ee4-497e-8888-515a05f02364", 0},
    {DC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"9d7815a6-7ee4-497e-8888-515a05f02364", 0},
};
// Password on wake-up: not asked on Windows Home.
constexpr SettingRow kRows29To30WindowsHome[] = {
    {AC, u"fea3413e-7e05-4911-9a71-700331f1c294", u"0e796bdb-100d-47d6-a2d5-f7d2daa51f51", 0,
     kFlag},
    {DC, u"fea3413e-7e05-4911-9a71-700331f1c294", u"0e796bdb-100d-47d6-a2d5-f7d2daa51f51", 0,
     kFlag},
};
constexpr SettingRow kRows31To32OtherEditions[] = {
    {AC, u"fea3413e-7e05-4911-9a71-700331f1c294", u"0e796bdb-100d-47d6-a2d5-f7d2daa51f51", 1,
     kFlag},
    {DC, u"fea3413e-7e05-4911-9a71-700331f1c294", u"0e796bdb-100d-47d6-a2d5-f7d2daa51f51", 1,
     kFlag},
};
// Only on 2019-and-later platforms.
constexpr SettingRow kRows33To34[] = {
    {AC, u"8619b916-e004-4dd8-9b66-dae86f806698", u"9fe527be-1b70-48da-930d-7bcf17b44990", 0},
    {DC, u"8619b916-e004-4dd8-9b66-dae86f806698", u"9fe527be-1b70-48da-930d-7bcf17b44990", 15},
};
constexpr SettingRow kRow35[] = {
    {AC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"5ca83367-6e45-459f-a27b-476b1d01c936", 0},
};

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
  const WString name =
      IndirectDisplayString(installer->GetInstallDir(), 6003, u"Vorlan Optimized (Modern Standby)");
  const WString description =
      IndirectDisplayString(installer->GetInstallDir(), kDescriptionId, kDescriptionFallback);
  (void)scheme.Duplicate();
  (void)scheme.ChangeName(name, &description);
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
