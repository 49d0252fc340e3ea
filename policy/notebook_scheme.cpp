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
constexpr SettingRow kNotebookRows[] = {
    {AC, u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"6738e2c4-e8a5-4a42-b16a-e040e769756e",
     1200},  // 1
    {DC, u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"6738e2c4-e8a5-4a42-b16a-e040e769756e",
     600},  // 2
    {AC, u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"0b2d69d7-a2a1-449c-9680-f91c70521c60", 4,
     kLinkPowerOfBoard},  // 3
    {DC, u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"0b2d69d7-a2a1-449c-9680-f91c70521c60", 4,
     kLinkPowerOfBoard},  // 4
    {AC, u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"dab60367-53fe-4fbc-825e-521d069d2456",
     50},  // 5
    {DC, u"0012ee47-9041-4b5d-9b77-535fba8b1442", u"dab60367-53fe-4fbc-825e-521d069d2456",
     50},                                                                                       // 6
    {AC, u"02f815b5-a5cf-4c84-bf20-649d1f75d3d8", u"4c793e7d-a264-42e1-87d3-7a0d2f523ccd", 1},  // 7
    {DC, u"02f815b5-a5cf-4c84-bf20-649d1f75d3d8", u"4c793e7d-a264-42e1-87d3-7a0d2f523ccd", 0},  // 8
    {AC, u"0d7dbae2-4294-402a-ba8e-26777e8488cd", u"309dce9b-bef4-4119-9921-a851fb12f0f4", 0},  // 9
    {DC, u"0d7dbae2-4294-402a-ba8e-26777e8488cd", u"309dce9b-bef4-4119-9921-a851fb12f0f4",
     1},  // 10
    {AC, u"19cbb8fa-5279-450e-9fac-8a3d5fedd0c1", u"12bbebe6-58d6-4636-95bb-3217ef867c1a",
     0},  // 11
    {DC, u"19cbb8fa-5279-450e-9fac-8a3d5fedd0c1", u"12bbebe6-58d6-4636-95bb-3217ef867c1a",
     3},  // 12
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da",
     1200},  // 13
    {DC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"29f6c1db-86da-48c5-9fdb-f2b67b1f44da",
     900},  // 14
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"94ac6d29-73ce-41a6-809f-6363ba21b47e",
     0},  // 15
    {DC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"94ac6d29-73ce-41a6-809f-6363ba21b47e",
     0},  // 16
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"9d7815a6-7ee4-497e-8888-515a05f02364",
     259200},  // 17
    {DC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"9d7815a6-7ee4-497e-8888-515a05f02364",
     86400},  // 18
    {AC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"bd3b718a-0680-4d9d-8ab2-e1d2b4ac806d",
     2},  // 19
    {DC, u"238c9fa8-0aad-41ed-83f4-97be242c8f20", u"bd3b718a-0680-4d9d-8ab2-e1d2b4ac806d",
     0},  // 20
    {AC, u"2a737441-1930-4402-8d77-b2bebba308a3", u"48e6b7a6-50f5-4782-a5d4-53bb8f07e226",
     1},  // 21
    {DC, u"2a737441-1930-4402-8d77-b2bebba308a3", u"48e6b7a6-50f5-4782-a5d4-53bb8f07e226",
     1},  // 22
    {AC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"5ca83367-6e45-459f-a27b-476b1d01c936",
     0},  // 23
    {DC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"5ca83367-6e45-459f-a27b-476b1d01c936", 1,
     kLidOfAccelerometer},  // 24
    {AC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"7648efa3-dd9c-4e3e-b566-50f929386280",
     1},  // 25
    {DC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"7648efa3-dd9c-4e3e-b566-50f929386280",
     1},  // 26
    {AC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"96996bc0-ad50-47ec-923b-6f41874dd9eb",
     1},  // 27
    {DC, u"4f971e89-eebd-4455-a8de-9e59040e7347", u"96996bc0-ad50-47ec-923b-6f41874dd9eb",
     1},  // 28
    {AC, u"501a4d13-42af-4429-9fd1-a8218c268e20", u"ee12f906-d277-404b-b6da-e5fa1a576df5",
     2},  // 29
    {DC, u"501a4d13-42af-4429-9fd1-a8218c268e20", u"ee12f906-d277-404b-b6da-e5fa1a576df5",
     2},  // 30
    {AC, u"54533251-82be-4824-96c1-47b60b740d00", u"893dee8e-2bef-41e0-89c6-b55d0929964c",
     5},  // 31
    {DC, u"54533251-82be-4824-96c1-47b60b740d00", u"893dee8e-2bef-41e0-89c6-b55d0929964c",
     5},  // 32
    {AC, u"54533251-82be-4824-96c1-47b60b740d00", u"94d3a615-a899-4ac5-ae2b-e4d8f634367f",
     1},  // 33
    {DC, u"54533251-82be-4824-96c1-47b60b740d00", u"94d3a615-a899-4ac5-ae2b-e4d8f634367f",
     0},  // 34
    {AC, u"54533251-82be-4824-96c1-47b60b740d00", u"bc5038f7-23e0-4960-96da-33abaf5935ec",
     100},  // 35
    {DC, u"54533251-82be-4824-96c1-47b60b740d00", u"bc5038f7-23e0-4960-96da-33abaf5935ec",
     100},  // 36
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"17aaa29b-8b43-4b94-aafe-35f64daaf1ee",
     300},  // 37
    {DC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"17aaa29b-8b43-4b94-aafe-35f64daaf1ee",
     120},  // 38
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e",
     600},  // 39
    {DC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e",
     300},  // 40
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"aded5e82-b909-4619-9949-f5d71dac0bcb",
     100},  // 41
    {DC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"aded5e82-b909-4619-9949-f5d71dac0bcb",
     40},  // 42
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"f1fbfde2-a960-4165-9f88-50667911ce96",
     50},  // 43
    {DC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"f1fbfde2-a960-4165-9f88-50667911ce96",
     50},  // 44
    {AC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"fbd9aa66-9553-4097-ba44-ed6e9d65eab8",
     1},  // 45
    {DC, u"7516b95f-f776-4464-8c53-06167f40cc99", u"fbd9aa66-9553-4097-ba44-ed6e9d65eab8",
     1},  // 46
    {AC, u"9596fb26-9850-41fd-ac3e-f7c3c00afd4b", u"03680956-93bc-4294-bba6-4e0f09bb717f",
     1},  // 47
    {DC, u"9596fb26-9850-41fd-ac3e-f7c3c00afd4b", u"03680956-93bc-4294-bba6-4e0f09bb717f",
     0},  // 48
    {AC, u"9596fb26-9850-41fd-ac3e-f7c3c00afd4b", u"34c7b99f-9a6d-4b3c-8dc7-b6693b78cef4",
     0},  // 49
    {DC, u"9596fb26-9850-41fd-ac3e-f7c3c00afd4b", u"34c7b99f-9a6d-4b3c-8dc7-b6693b78cef4",
     1},  // 50
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"637ea02f-bbcb-4015-8e2c-a1c7b9c0b546",
     2},  // 51
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"637ea02f-bbcb-4015-8e2c-a1c7b9c0b546",
     2},  // 52
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"8183ba9a-e910-48da-8769-14ae6dc1170a",
     10},  // 53
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"8183ba9a-e910-48da-8769-14ae6dc1170a",
     10},  // 54
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"9a66d8d7-4ff7-4ef9-b5a2-5a326ca2a469",
     5},  // 55
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"9a66d8d7-4ff7-4ef9-b5a2-5a326ca2a469",
     5},  // 56
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"bcded951-187b-4d05-bccc-f7e51960c258",
     1},  // 57
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"bcded951-187b-4d05-bccc-f7e51960c258",
     1},  // 58
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"d8742dcb-3e6a-4b3c-b3fe-374623cdcf06",
     0},  // 59
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"d8742dcb-3e6a-4b3c-b3fe-374623cdcf06",
     0},  // 60
    {AC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"f3c5027d-cd16-4930-aa6b-90db844a8f00",
     7},  // 61
    {DC, u"e73a048d-bf27-4f12-9731-8b2076e8891f", u"f3c5027d-cd16-4930-aa6b-90db844a8f00",
     7},  // 62
};

// Process-wide: filled on first use, kept until the module is unloaded.
bool g_boardCheckPending = true;
bool g_boardNotExcluded = false;
std::int32_t g_accelerometer = -1;

}  // namespace

void COSDefSet::ResetNotebookCaches() {
  g_boardCheckPending = true;
  g_boardNotExcluded = false;
  g_accelerometer = -1;
}

bool COSDefSet::IsBoardNotExcluded() {
  if (!g_boardCheckPending) return g_boardNotExcluded;
  g_boardCheckPending = false;
  const WString board = Installer()->GetMachineID();
  g_boardNotExcluded = !IsOneOf(board, kExcludedBoards);
  Installer()->Decided({.question = Question::kExcludedBoard,
                        .answer = !g_boardNotExcluded,
                        .boards = kExcludedBoards,
                        .board = board});
  return g_boardNotExcluded;
}

bool COSDefSet::HasAccelerometer() {
  if (g_accelerometer >= 0) return g_accelerometer == 1;
  g_accelerometer = 0;
  platform::Registry& registry = Installer()->System().registry();
  const WString key = Installer()->GetRegistryKey();
  Decision decision{.question = Question::kAccelerometer};
  const WString anyOf = ReadRegistryString(registry, key, u"AccelerometerAny");
  decision.values.emplace_back(u"AccelerometerAny", anyOf);
  if (anyOf == u"1") {
    g_accelerometer = 1;
  } else {
    // All three are read before any is tested.
    for (const char16_t* name : {u"Accelerometer", u"Accelerometer6000", u"Accelerometer6007"}) {
      decision.values.emplace_back(name, ReadRegistryString(registry, key, name));
    }
    for (const auto& [name, data] : decision.values) {
      if (data == u"1") g_accelerometer = 1;
    }
  }
  decision.answer = g_accelerometer == 1;
  Installer()->Decided(decision);
  return decision.answer;
}

void COSDefSet::ApplyNotebookScheme() {
  CMSIInstaller* installer = Installer();
  CPowerScheme scheme(kVorlanScheme, installer);
  const WString name =
      IndirectDisplayString(installer->GetInstallDir(), 6001, u"Vorlan Optimized (recommended)");
  const WString description =
      IndirectDisplayString(installer->GetInstallDir(), kDescriptionId, kDescriptionFallback);
  (void)scheme.Duplicate();
  (void)scheme.ChangeName(name, &description);
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
