#include "policy/os_def_set.h"
#include "policy/setting_rows.h"

namespace presetra {

namespace {

constexpr char16_t kPowerSaverScheme[] = u"a1841308-3541-4fab-bc81-f71556f20b4a";

// Windows' Power saver, changed in place.
constexpr SettingRow kPowerSaverRow1[] = {
    {AC, u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"0b2d69d7-a2a1-449c-9680-f91c70521c60", 3},
};
// Vorlan Recommended: AC only; its DC values stay those of Balanced.
constexpr SettingRow kRecommendedRows2To12[] = {
    {AC, u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"0b2d69d7-a2a1-449c-9680-f91c70521c60", 3},
    {AC, u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"6738e2c4-e8a5-4a42-b16a-e040e769756e", 900},
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", 1200},
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"9d7815a6-7ee4-497e-8888-515a05f02364", 0},
    {AC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"5ca83367-6e45-459f-a27b-476b1d01c936", 1},
    {AC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"7648efa3-dd9c-4e3e-b566-50f929386280", 1},
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"17aaa29b-8b43-4b94-aafe-35f64daaf1ee", 0},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"d8742dcb-3e6a-4b3c-b3fe-374623cdcf06", 2},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"8183ba9a-e910-48da-8769-14ae6dc1170a", 10},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"9a66d8d7-4ff7-4ef9-b5a2-5a326ca2a469", 5},
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"f3c5027d-cd16-4930-aa6b-90db844a8f00", 8},
};

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
  const WString name =
      IndirectDisplayString(installer->GetInstallDir(), 6004, u"Vorlan Recommended");
  (void)recommended.Duplicate();
  (void)recommended.ChangeName(name, nullptr);
  ApplyRows(recommended, kRecommendedRows2To12);
  ActivateAsPreferredPlan(recommended);
  installer->Log(u"Replace Consumer Vorlan Recommended");
}

}  // namespace presetra
