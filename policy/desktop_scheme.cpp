#include "policy/os_def_set.h"
#include "policy/setting_rows.h"

namespace presetra {

namespace {

// Rows 4 and 5 set rows 2 and 3 again, shorter, on "3a" or "aN" platforms; the later values win.
constexpr SettingRow kRows1To3[] = {
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"9d7815a6-7ee4-497e-8888-515a05f02364", 0},
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e", 600},
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", 1200},
};
constexpr SettingRow kRows4To5When3aOrAN[] = {
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e", 300},
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da", 600},
};
constexpr SettingRow kRows6To7[] = {
    {AC, u"501a4d13-42af-4429-9fd1-a8218c268e20", u"ee12f906-d277-404b-b6da-e5fa1a576df5", 2},
    {AC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"96996bc0-ad50-47ec-923b-6f41874dd9eb", 1},
};

}  // namespace

void COSDefSet::ApplyDesktopScheme() {
  CMSIInstaller* installer = Installer();
  installer->Log(u"Setting Desktop Power Scheme");
  CPowerScheme scheme(kVorlanScheme, installer);
  installer->Log(u"Create Power Scheme Vorlan Optimized (recommended)");
  const WString name =
      IndirectDisplayString(installer->GetInstallDir(), 6001, u"Vorlan Optimized (recommended)");
  const WString description =
      IndirectDisplayString(installer->GetInstallDir(), kDescriptionId, kDescriptionFallback);
  (void)scheme.Duplicate();
  (void)scheme.ChangeName(name, &description);
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
