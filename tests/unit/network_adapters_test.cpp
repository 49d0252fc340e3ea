// Network adapter power management: which adapters are configured, through WMI or the
// registry, and what the log says of each.
#include <gtest/gtest.h>

#include "policy_fixture.h"

namespace presetra {
namespace {

using testing::PolicyFixture;

const char* const kClasses[] = {"MSPower_DeviceEnable", "MSPower_DeviceWakeEnable",
                                "MSNdis_DeviceWakeOnMagicPacketOnly"};

// The three WMI settings of the adapter whose instance name starts with `hardwareId`:
// 1 written, 0 not, per class.
std::string WmiState(sim::Machine& machine, const std::string& hardwareId) {
  std::string state;
  for (const char* className : kClasses) {
    char mark = '-';
    for (const auto& instance : machine.wmi().Instances(u"root\\wmi", Utf8ToUtf16(className))) {
      const auto* name = instance->Find(u"InstanceName");
      if (Utf16ToUtf8(*name->text).rfind(hardwareId + "\\", 0) != 0) continue;
      for (auto& [property, value] : instance->properties) {
        if (property != u"InstanceName" && property != u"Active") mark = value.integer ? '1' : '0';
      }
    }
    state.push_back(mark);
  }
  return state;
}

bool HasPnPCapabilities(sim::Machine& machine, const std::string& driver) {
  bool both = true;
  bool any = false;
  for (const char* set : {"CurrentControlSet", "ControlSet001"}) {
    auto value = machine.registry().GetValue(
        Utf8ToUtf16(std::string("HKLM\\SYSTEM\\") + set + "\\Control\\Class\\" + driver),
        u"PnPCapabilities");
    bool written = value && value->type == win::kRegDword && value->data == sim::RegDwordBytes(288);
    both = both && written;
    any = any || written;
  }
  EXPECT_EQ(both, any) << driver << ": both control sets or neither";
  return both;
}

struct Adapter {
  const char* name;
  std::string json;
  std::vector<std::string> log;
  std::string wmi;  // per class: 1 written, 0 left, - no instance
  bool registry;    // PnPCapabilities written
};

// One adapter as profile JSON; `ids` is already JSON.
std::string Nic(const std::string& description, const std::string& enumerator,
                const std::string& driver, const std::string& ids, const std::string& wmi = "ok") {
  std::string driverJson;
  for (char c : driver) driverJson += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return R"({"description": ")" + description + R"(", "enumerator": ")" + enumerator +
         R"(", "driver": ")" + driverJson + R"(", "hardware_ids": [)" + ids + R"(], "wmi": ")" +
         wmi + "\"}";
}

TEST(NetworkAdaptersTest, ConfiguresWiredPciAdaptersOnly) {
  const std::string longId(4100, 'X');
  const Adapter adapters[] = {
      {"wired PCI",
       Nic("Ethernet I219-LM", "PCI", "{n}\\0001",
           R"("PCI\\VEN_8086&DEV_15BB", "PCI\\VEN_8086&CC_020000")"),
       {"Setting Ethernet I219-LM ({n}\\0001) power management", "Not Wireless, set settings"},
       "111",
       false},
      {"Wi-Fi in capitals",
       Nic("Intel Wi-Fi 6 AX201", "PCI", "{n}\\0002", R"("PCI\\VEN_8086&DEV_A0F0")"),
       {"Setting Intel Wi-Fi 6 AX201 ({n}\\0002) power management", "Wireless, skip settings"},
       "000",
       false},
      {"CC_0280 in a later ID",
       Nic("Network Controller", "pci", "{n}\\0003",
           R"("PCI\\VEN_1&DEV_2", "PCI\\VEN_1&DEV_2&SUBSYS_3", "pci\\ven_1&cc_028000")"),
       {"CC_0280 Found: PCI\\VEN_1&CC_028000 ",
        "Setting Network Controller ({n}\\0003) power management", "Wireless, skip settings"},
       "000",
       false},
      {"CC_0280 only in the first ID",
       Nic("Odd Controller", "PCI", "{n}\\0004", R"("PCI\\VEN_9&CC_0280")"),
       {"Setting Odd Controller ({n}\\0004) power management", "Not Wireless, set settings"},
       "111",
       false},
      {"USB",
       Nic("USB Ethernet", "USB", "{n}\\0005", R"("USB\\VID_0B95", "USB\\CC_0280")"),
       {"CC_0280 Found: USB\\CC_0280 "},
       "000",
       false},
      {"no driver key",
       R"({"description": "E", "enumerator": "PCI", "hardware_ids": ["PCI\\VEN_7"]})",
       {},
       "000",
       false},
      {"list over 8192 bytes",
       Nic("Long IDs", "PCI", "{n}\\0007", "\"PCI\\\\VEN_5\", \"" + longId + "\""),
       {},
       "000",
       false},
      {"recorded but absent",
       Nic("Old Ethernet", "PCI", "{n}\\0008", R"("PCI\\VEN_6&DEV_1")", "missing"),
       {"Setting Old Ethernet ({n}\\0008) power management", "Not Wireless, set settings"},
       "---",
       true},
      {"writes refused",
       Nic("Locked Ethernet", "PCI", "{n}\\0009", R"("PCI\\VEN_4&DEV_1")", "write_fails"),
       {"Setting Locked Ethernet ({n}\\0009) power management", "Not Wireless, set settings"},
       "000",
       true},
  };
  std::string json = "\"network_adapters\": [";
  for (std::size_t i = 0; i < std::size(adapters); ++i) json += (i ? ", " : "") + adapters[i].json;
  json += "]";
  PolicyFixture fixture(json);
  fixture.policy().ConfigureNetworkAdapters();
  std::vector<std::string> log;
  for (const auto& adapter : adapters)
    log.insert(log.end(), adapter.log.begin(), adapter.log.end());
  EXPECT_EQ(fixture.RecipeLog(), log);
  sim::Machine& machine = *fixture.machine;
  const char* ids[] = {"PCI\\VEN_8086&DEV_15BB",
                       "PCI\\VEN_8086&DEV_A0F0",
                       "PCI\\VEN_1&DEV_2",
                       "PCI\\VEN_9&CC_0280",
                       "USB\\VID_0B95",
                       "PCI\\VEN_7",
                       "PCI\\VEN_5",
                       "PCI\\VEN_6&DEV_1",
                       "PCI\\VEN_4&DEV_1"};
  for (std::size_t i = 0; i < std::size(adapters); ++i) {
    EXPECT_EQ(WmiState(machine, ids[i]), adapters[i].wmi) << adapters[i].name;
    std::string driver = "{n}\\000" + std::to_string(i + 1);
    EXPECT_EQ(HasPnPCapabilities(machine, driver), adapters[i].registry) << adapters[i].name;
  }
  EXPECT_EQ(machine.devices().OpenSetCount(), 0u);
  EXPECT_EQ(sim::WmiRepository::LiveObjects(), 0);
}

TEST(NetworkAdaptersTest, AFirstWriteThatSucceededStaysWithTheRegistryOnTop) {
  PolicyFixture fixture("\"network_adapters\": [" +
                        Nic("Ethernet", "PCI", "{n}\\0001", R"("PCI\\VEN_1&DEV_1")") + "]");
  for (auto& instance :
       fixture.machine->wmi().Instances(u"root\\wmi", u"MSPower_DeviceWakeEnable")) {
    instance->writesFail = true;
  }
  fixture.policy().ConfigureNetworkAdapters();
  EXPECT_EQ(WmiState(*fixture.machine, "PCI\\VEN_1&DEV_1"), "100");
  EXPECT_TRUE(HasPnPCapabilities(*fixture.machine, "{n}\\0001"));
}

TEST(NetworkAdaptersTest, TwoAdaptersWithOneHardwareIdShareTheFirstInstance) {
  PolicyFixture fixture("\"network_adapters\": [" +
                        Nic("First", "PCI", "{n}\\0001", R"("PCI\\VEN_1&DEV_1")") + ", " +
                        Nic("Second", "PCI", "{n}\\0002", R"("PCI\\VEN_1&DEV_1")") + "]");
  fixture.policy().ConfigureNetworkAdapters();
  auto instances = fixture.machine->wmi().Instances(u"root\\wmi", u"MSPower_DeviceEnable");
  ASSERT_EQ(instances.size(), 2u);
  EXPECT_EQ(instances[0]->Find(u"Enable")->integer, -1);
  EXPECT_EQ(instances[1]->Find(u"Enable")->integer, 0) << "only the first match is written";
}

TEST(NetworkAdaptersTest, WithoutWmiTheRegistryTakesTheSettings) {
  PolicyFixture fixture("\"network_adapters\": [" +
                        Nic("Ethernet", "PCI", "{n}\\0001", R"("PCI\\VEN_1&DEV_1")") + "]");
  fixture.machine->faults().FailEvery(sim::Call::kConnectServer);
  fixture.policy().ConfigureNetworkAdapters();
  EXPECT_TRUE(HasPnPCapabilities(*fixture.machine, "{n}\\0001"));
}

TEST(NetworkAdaptersTest, NoDevicesLogNothingAndAFailedSetSaysSo) {
  PolicyFixture empty("");
  empty.policy().ConfigureNetworkAdapters();
  EXPECT_TRUE(empty.RecipeLog().empty());
  PolicyFixture failing("");
  failing.machine->faults().FailEvery(sim::Call::kDeviceSet);
  failing.policy().ConfigureNetworkAdapters();
  EXPECT_EQ(failing.RecipeLog(),
            std::vector<std::string>{
                "Unable to enumerate NIC devices; failed to set NIC power management settings"});
}

}  // namespace
}  // namespace presetra
