// The simulated registry keeps the semantics the system relies on: WOW64 views, exact bytes,
// case-insensitive names, and the difference between missing and refused.
#include <gtest/gtest.h>

#include "platform/sim/machine.h"

namespace presetra::sim {
namespace {

class SimRegistryTest : public ::testing::Test {
 protected:
  Faults faults_;
  Registry registry_{faults_};

  win::Long Open(WStringView path, win::Dword access) {
    platform::RegKey key;
    win::Long result = registry_.OpenKey(platform::kHkeyLocalMachine, path, access, &key);
    if (key) registry_.CloseKey(key);
    return result;
  }
};

TEST_F(SimRegistryTest, EachViewOfSoftwareIsWhereWindowsKeepsIt) {
  registry_.PutKey(u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra");
  registry_.PutKey(u"HKLM\\SOFTWARE\\Microsoft\\Only64");
  registry_.PutKey(u"HKLM\\SYSTEM\\CurrentControlSet\\Control");
  constexpr bool k32BitProcess = false;
  constexpr bool k64BitProcess = true;
  struct Case {
    bool process64;
    const char16_t* path;
    win::Dword access;
    win::Long result;
  } cases[] = {
      // A 32-bit process: WOW6432Node unless it asks for the 64-bit view.
      {k32BitProcess, u"Software\\Vorlan\\Presetra", win::kKeyRead, win::kErrorSuccess},
      {k32BitProcess, u"Software\\Vorlan\\Presetra", win::kKeyRead | win::kKeyWow64_64Key,
       win::kErrorFileNotFound},
      {k32BitProcess, u"SOFTWARE\\Microsoft\\Only64", win::kKeyRead, win::kErrorFileNotFound},
      {k32BitProcess, u"SOFTWARE\\Microsoft\\Only64", win::kKeyAllAccess | win::kKeyWow64_64Key,
       win::kErrorSuccess},
      {k32BitProcess, u"SOFTWARE\\Microsoft\\Only64", win::kKeyRead | win::kKeyWow64_32Key,
       win::kErrorFileNotFound},
      // A 64-bit process: WOW6432Node only when it asks for the 32-bit view.
      {k64BitProcess, u"Software\\Vorlan\\Presetra", win::kKeyRead, win::kErrorFileNotFound},
      {k64BitProcess, u"Software\\Vorlan\\Presetra", win::kKeyRead | win::kKeyWow64_32Key,
       win::kErrorSuccess},
      {k64BitProcess, u"SOFTWARE\\Microsoft\\Only64", win::kKeyRead, win::kErrorSuccess},
      {k64BitProcess, u"SOFTWARE\\Microsoft\\Only64", win::kKeyRead | win::kKeyWow64_64Key,
       win::kErrorSuccess},
      {k64BitProcess, u"SOFTWARE\\Microsoft\\Only64", win::kKeyRead | win::kKeyWow64_32Key,
       win::kErrorFileNotFound},
      // SYSTEM has one view.
      {k32BitProcess, u"system\\currentcontrolset\\control", win::kKeyRead, win::kErrorSuccess},
      {k64BitProcess, u"system\\currentcontrolset\\control", win::kKeyRead | win::kKeyWow64_32Key,
       win::kErrorSuccess},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    registry_.SetProcessIs64Bit(c.process64);
    EXPECT_EQ(Open(c.path, c.access), c.result)
        << (c.process64 ? "64-bit " : "32-bit ") << Utf16ToUtf8(c.path) << "\n"
        << registry_.Dump();
  }
}

TEST_F(SimRegistryTest, KeepsExactBytesAndReportsSizes) {
  registry_.PutValue(u"HKLM\\SOFTWARE\\T",
                     RegistryValue{u"NoNul", win::kRegSz, RegSzBytes(u"ab", false)});
  platform::RegKey key;
  ASSERT_EQ(registry_.OpenKey(platform::kHkeyLocalMachine, u"SOFTWARE\\T",
                              win::kKeyRead | win::kKeyWow64_64Key, &key),
            win::kErrorSuccess);
  win::Dword type = 0;
  win::Dword size = 0;
  ASSERT_EQ(registry_.QueryValue(key, u"nonul", &type, nullptr, &size), win::kErrorSuccess);
  EXPECT_EQ(type, win::kRegSz);
  EXPECT_EQ(size, 4u);
  std::uint8_t small[2] = {};
  size = 2;
  EXPECT_EQ(registry_.QueryValue(key, u"NoNul", nullptr, small, &size), win::kErrorMoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(registry_.QueryValue(key, u"Other", &type, nullptr, &size), win::kErrorFileNotFound);
  // Written through a read-only handle: refused.
  std::uint8_t one[4] = {1, 0, 0, 0};
  EXPECT_EQ(registry_.SetValue(key, u"X", win::kRegDword, one, 4), win::kErrorAccessDenied);
  EXPECT_EQ(registry_.CloseKey(key), win::kErrorSuccess);
  EXPECT_EQ(registry_.OpenKeyCount(), 0u);
}

TEST_F(SimRegistryTest, TypedWritesStoreWhatRegSetValueExWExpects) {
  const struct {
    platform::RegData data;
    win::Dword type;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {platform::RegData::Dword(0x12345678), win::kRegDword, {0x78, 0x56, 0x34, 0x12}},
      {platform::RegData::Dword(0xFFFFFFFF), win::kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}},
      // The terminating NUL is part of the size, also for empty text.
      {platform::RegData::String(u"ab"), win::kRegSz, {'a', 0, 'b', 0, 0, 0}},
      {platform::RegData::String(u""), win::kRegSz, {0, 0}},
      {platform::RegData::String(u"\u00e9\U0001F600"),
       win::kRegSz,
       {0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    ASSERT_EQ(platform::WriteValue(registry_, platform::kHkeyLocalMachine, u"SOFTWARE\\Typed",
                                   win::kKeyAllAccess | win::kKeyWow64_64Key,
                                   platform::KeyOpening::kCreate, u"V", c.data),
              win::kErrorSuccess);
    auto stored = registry_.GetValue(u"HKLM\\SOFTWARE\\Typed", u"V");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, c.type);
    EXPECT_EQ(stored->data, c.bytes);
  }
  // Opening an existing key does not create one; the key is closed either way.
  EXPECT_EQ(
      platform::WriteValue(registry_, platform::kHkeyLocalMachine, u"SOFTWARE\\Missing",
                           win::kKeyAllAccess | win::kKeyWow64_64Key,
                           platform::KeyOpening::kOpenExisting, u"V", platform::RegData::Dword(1)),
      win::kErrorFileNotFound);
  EXPECT_FALSE(registry_.GetValue(u"HKLM\\SOFTWARE\\Missing", u"V").has_value());
  EXPECT_EQ(registry_.OpenKeyCount(), 0u);
}

TEST_F(SimRegistryTest, AScopedKeyReusedForASecondOpenClosesTheFirst) {
  registry_.PutValue(u"HKLM\\SOFTWARE\\T",
                     RegistryValue{u"V", win::kRegSz, RegSzBytes(u"x", true)});
  platform::ScopedRegKey key(registry_);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(registry_.OpenKey(platform::kHkeyLocalMachine, u"SOFTWARE\\T",
                                win::kKeyRead | win::kKeyWow64_64Key, key.Receive()),
              win::kErrorSuccess);
    EXPECT_EQ(registry_.OpenKeyCount(), 1u);
  }
  EXPECT_EQ(key.Close(), win::kErrorSuccess);
  EXPECT_EQ(registry_.OpenKeyCount(), 0u);
}

TEST_F(SimRegistryTest, CreateMakesParentsAndKeepsTheCaseWritten) {
  platform::RegKey key;
  ASSERT_EQ(registry_.CreateKey(platform::kHkeyLocalMachine, u"SOFTWARE\\A\\Bc",
                                win::kRegOptionNonVolatile,
                                win::kKeyAllAccess | win::kKeyWow64_64Key, &key),
            win::kErrorSuccess);
  auto dword = RegDwordBytes(7);
  EXPECT_EQ(registry_.SetValue(key, u"V", win::kRegDword, dword.data(), 4), win::kErrorSuccess);
  registry_.CloseKey(key);
  EXPECT_TRUE(registry_.KeyExists(u"HKLM\\software\\a\\BC"));
  EXPECT_EQ(registry_.GetValue(u"HKLM\\SOFTWARE\\A\\Bc", u"v")->data, dword);
  EXPECT_NE(registry_.Dump().find("HKLM\\SOFTWARE\\A\\Bc"), std::string::npos);
}

TEST_F(SimRegistryTest, MissingIsNotRefused) {
  registry_.DenyWrites(u"HKLM\\SYSTEM\\Locked");
  registry_.DenyAccess(u"HKLM\\SYSTEM\\Hidden");
  EXPECT_EQ(Open(u"SYSTEM\\Locked", win::kKeyRead), win::kErrorSuccess);
  EXPECT_EQ(Open(u"SYSTEM\\Locked", win::kKeyAllAccess), win::kErrorAccessDenied);
  EXPECT_EQ(Open(u"SYSTEM\\Hidden", win::kKeyRead), win::kErrorAccessDenied);
  EXPECT_EQ(Open(u"SYSTEM\\Nowhere", win::kKeyRead), win::kErrorFileNotFound);
  platform::RegKey key;
  EXPECT_EQ(registry_.CreateKey(platform::kHkeyLocalMachine, u"SYSTEM\\Locked\\Child", 0,
                                win::kKeyAllAccess, &key),
            win::kErrorAccessDenied);
  EXPECT_FALSE(key);
}

TEST_F(SimRegistryTest, InjectedFaultsReturnWindowsErrors) {
  registry_.PutKey(u"HKLM\\SYSTEM\\K");
  faults_.FailEvery(Call::kRegOpenKey);
  EXPECT_EQ(Open(u"SYSTEM\\K", win::kKeyRead), win::kErrorAccessDenied);
  faults_.Clear();
  faults_.FailNthCall(2);
  EXPECT_EQ(Open(u"SYSTEM\\K", win::kKeyRead), win::kErrorSuccess);  // open 1, close 2 fails
  EXPECT_EQ(registry_.OpenKeyCount(), 0u);
  EXPECT_EQ(faults_.Failed(), (std::vector<std::uint64_t>{1, 3}));
}

}  // namespace
}  // namespace presetra::sim
