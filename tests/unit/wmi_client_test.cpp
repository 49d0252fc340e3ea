// The WMI client's states and result codes against the simulated WMI service.
#include "wmi/wmi_client.h"

#include <gtest/gtest.h>

#include "test_machine.h"

namespace presetra {
namespace {

using testing::MachineFrom;

constexpr char16_t kCimv2[] = u"\\\\.\\root\\cimv2";
constexpr char16_t kComputer[] = u"SELECT * FROM Win32_ComputerSystem";

class WmiClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = MachineFrom(R"("firmware": {"oem_strings": ["  FBYTE#3Xaw.Q;  ", "", "\tB "],
                                           "bios_feature_byte": "3Xaw.Q"})");
  }
  void TearDown() override { testing::ShowMachineIfFailed(machine_.get()); }
  std::unique_ptr<sim::Machine> machine_;
  // The process's COM security, as a loaded module keeps it: every client of a test shares it.
  ComSecurity security_;
};

TEST_F(WmiClientTest, CallsBeforeConnectFailWithTheirOwnCodes) {
  CWMIClient client(*machine_, security_);
  EXPECT_EQ(client.LastResult(), win::kWbemEInitializationFailure);
  EXPECT_EQ(client.ExecQuery(nullptr), 87);
  EXPECT_EQ(client.ExecQuery(kComputer), win::kWbemEInitializationFailure);
  EXPECT_EQ(client.PutProperty(u"Enable", platform::Variant::I4(65535)), win::kWbemENotFound);
  EXPECT_EQ(client.PutProperty(nullptr, platform::Variant::I4(1)), 87);
  EXPECT_EQ(client.LastResult(), win::kWbemENotFound);
  EXPECT_EQ(machine_->com().InitCount(), 0);
}

TEST_F(WmiClientTest, ConnectsOnceAndStaysOnItsNamespace) {
  CWMIClient client(*machine_, security_);
  ASSERT_EQ(client.Connect(kCimv2), 0);
  EXPECT_EQ(client.Connect(u"\\\\.\\root\\nowhere"), 0);
  EXPECT_EQ(client.ExecQuery(kComputer), 0);
  EXPECT_EQ(client.ExecQuery(u"SELECT * FROM VorlanBIOS_BIOSString"), win::kWbemEInvalidClass);
  EXPECT_TRUE(client.HasCurrentObject()) << "a failed query keeps the earlier object";
}

TEST_F(WmiClientTest, AnUnknownNamespaceLeavesTheClientUnconnected) {
  CWMIClient client(*machine_, security_);
  EXPECT_EQ(client.Connect(u"\\\\.\\root\\nowhere"), win::kWbemEInvalidNamespace);
  EXPECT_FALSE(client.IsConnected());
  EXPECT_EQ(machine_->com().InitCount(), 1) << "the initialiser stays for the next Connect";
  EXPECT_EQ(client.Connect(kCimv2), 0);
  EXPECT_EQ(machine_->com().InitCount(), 1);
}

TEST_F(WmiClientTest, NestedClientsBalanceComInEitherOrder) {
  for (bool innerFirst : {true, false}) {
    auto outer = std::make_unique<CWMIClient>(*machine_, security_);
    ASSERT_EQ(outer->Connect(kCimv2), 0);
    auto inner = std::make_unique<CWMIClient>(*machine_, security_);
    ASSERT_EQ(inner->Connect(u"\\\\.\\root\\Vorlan\\InstrumentedBIOS"), 0);
    EXPECT_EQ(machine_->com().InitCount(), 2);
    if (innerFirst) {
      inner.reset();
      outer.reset();
    } else {
      outer.reset();
      inner.reset();
    }
    EXPECT_EQ(machine_->com().InitCount(), 0);
    EXPECT_EQ(sim::WmiRepository::LiveObjects(), 0);
  }
}

TEST_F(WmiClientTest, SetsUpSecurityOnceAndAcceptsTheHostsSetUp) {
  machine_->com().SetSecurityByHost();
  for (int i = 0; i < 2; ++i) {
    CWMIClient client(*machine_, security_);
    EXPECT_EQ(client.Connect(kCimv2), 0);
  }
  EXPECT_EQ(machine_->com().SecurityCalls(), 1);
}

TEST_F(WmiClientTest, AFailedSecuritySetUpIsTriedAgain) {
  machine_->faults().FailEvery(sim::Call::kCoInitializeSecurity);
  {
    CWMIClient client(*machine_, security_);
    EXPECT_EQ(client.Connect(kCimv2), win::kEAccessDenied);
    EXPECT_EQ(client.LastResult(), win::kEAccessDenied);
  }
  machine_->faults().Clear();
  CWMIClient client(*machine_, security_);
  EXPECT_EQ(client.Connect(kCimv2), 0);
  EXPECT_EQ(machine_->com().SecurityCalls(), 2);
}

TEST_F(WmiClientTest, AQueryThatMatchesNothingReturnsOne) {
  CWMIClient client(*machine_, security_);
  ASSERT_EQ(client.Connect(u"\\\\.\\root\\wmi"), 0);
  EXPECT_EQ(client.ExecQuery(u"SELECT * FROM MSPower_DeviceEnable WHERE InstanceName LIKE \"%X%\""),
            1);
  EXPECT_FALSE(client.HasCurrentObject());
}

TEST_F(WmiClientTest, ReadsTheOemStringsTrimmed) {
  CWMIClient client(*machine_, security_);
  ASSERT_EQ(client.Connect(kCimv2), 0);
  ASSERT_EQ(client.ExecQuery(kComputer), 0);
  std::vector<WString> strings{u"stale"};
  EXPECT_EQ(client.GetOEMStringArray(strings), 0);
  EXPECT_EQ(strings, (std::vector<WString>{u"FBYTE#3Xaw.Q;", u"", u"B"}));
  WString value = u"unchanged";
  // Win32_ComputerSystem has no "Value".
  EXPECT_EQ(client.GetValueAsString(value), win::kWbemENotFound);
  EXPECT_EQ(value, u"unchanged");
}

TEST_F(WmiClientTest, ANullOemStringArrayIsATypeMismatch) {
  auto machine = MachineFrom();
  CWMIClient client(*machine, security_);
  ASSERT_EQ(client.Connect(kCimv2), 0);
  ASSERT_EQ(client.ExecQuery(kComputer), 0);
  std::vector<WString> strings{u"stale"};
  EXPECT_EQ(client.GetOEMStringArray(strings), win::kWbemETypeMismatch);
  EXPECT_TRUE(strings.empty());
  EXPECT_EQ(client.LastResult(), win::kWbemETypeMismatch);
}

TEST_F(WmiClientTest, WritesAPropertyAndStoresTheObject) {
  auto machine = MachineFrom(R"("network_adapters": [
      {"description": "E", "enumerator": "PCI", "driver": "d", "hardware_ids": ["PCI\\VEN_1"]},
      {"description": "F", "enumerator": "PCI", "driver": "e", "hardware_ids": ["PCI\\VEN_2"],
       "wmi": "write_fails"}])");
  CWMIClient client(*machine, security_);
  ASSERT_EQ(client.Connect(u"\\\\.\\root\\wmi"), 0);
  ASSERT_EQ(client.ExecQuery(
                u"SELECT * FROM MSPower_DeviceEnable WHERE InstanceName LIKE \"%PCI\\\\VEN_1%\""),
            0);
  EXPECT_EQ(client.PutProperty(u"Enable", platform::Variant::I4(65535)), 0);
  auto stored = machine->wmi().Instances(u"root\\wmi", u"MSPower_DeviceEnable");
  EXPECT_EQ(stored[0]->Find(u"Enable")->vt, win::kVtBool);
  EXPECT_EQ(stored[0]->Find(u"Enable")->integer, -1);
  ASSERT_EQ(client.ExecQuery(
                u"SELECT * FROM MSPower_DeviceEnable WHERE InstanceName LIKE \"%PCI\\\\VEN_2%\""),
            0);
  EXPECT_EQ(client.PutProperty(u"Enable", platform::Variant::I4(65535)), win::kWbemEFailed);
  EXPECT_EQ(stored[1]->Find(u"Enable")->integer, 0);
}

}  // namespace
}  // namespace presetra
