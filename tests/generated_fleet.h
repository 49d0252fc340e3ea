// Machines the tests and benchmarks generate from what the factory sees: feature tokens, board
// IDs and Windows builds, each list covering every branch of the recipes.
#pragma once

#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

namespace presetra::testing {

inline constexpr const char* kFleetTokens[] = {"aw", "bT", "gu", "3a", "aN", "a6", "a2", "dp",
                                               "as", "7K", "7P", "7W", "3X", "6b", "9Z"};
inline constexpr const char* kFleetBoards[] = {"62E6", "228B", "21E2", "E23F",
                                               "3F8C", "8A4F", "8B2A", "369E"};
inline constexpr const char* kFleetBuilds[] = {"15063", "16299", "19041", "19042", "19045"};

// An entry of `list` chosen by `random`.
template <typename Random, typename List>
auto Pick(Random& random, const List& list) {
  return list[random() % std::size(list)];
}

// A fleet of machines of every class: feature tokens, boards, builds and Connected Standby
// drawn from what the factory sees.
inline std::vector<std::string> GenerateFleet(std::size_t count) {
  std::mt19937 random(20261210);
  std::vector<std::string> fleet;
  for (std::size_t i = 0; i < count; ++i) {
    std::string bytes = "3X";
    for (int k = 0; k < 4; ++k) bytes += Pick(random, kFleetTokens);
    const bool connectedStandby = random() % 2 == 0;
    fleet.push_back(
        R"({"profile": 1, "firmware": {"oem_strings": ["FBYTE#)" + bytes +
        R"(.", "BUILDID#20WW;"]}, "power": {"connected_standby": )" +
        (connectedStandby ? "true" : "false") +
        R"(}, "registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachineID": ")" +
        Pick(random, kFleetBoards) +
        R"("}, "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion": {"CurrentBuildNumber": ")" +
        Pick(random, kFleetBuilds) +
        R"("}}, "network_adapters": [{"description": "Ethernet", "enumerator": "PCI", "driver": "{4d36e972-e325-11ce-bfc1-08002be10318}\\0001", "hardware_ids": ["PCI\\VEN_8086&DEV_15BB"]}], "factory_folder": "present"})");
  }
  return fleet;
}

// Machines drawn from what the factory sees, with the facts capture reads varied one by one.
inline std::vector<std::string> VariedProfiles(std::size_t count) {
  std::mt19937 random(20261211);
  const char* folders[] = {"absent", "present", "user_owned", "linked"};
  const char* wmi[] = {"ok", "missing"};
  auto pick = [&random](const auto& list) { return Pick(random, list); };
  std::vector<std::string> profiles;
  for (std::size_t i = 0; i < count; ++i) {
    std::string bytes = "3X";
    for (int k = 0; k < 4; ++k) bytes += pick(kFleetTokens);
    nlohmann::ordered_json profile = {{"profile", 1}};
    // Now and then the OEM string is cut short and the BIOS class has the whole string.
    const bool cutShort = random() % 4 == 0;
    profile["firmware"] = {
        {"oem_strings",
         {"ABC", "FBYTE#" + (cutShort ? bytes.substr(0, 4) : bytes + "."), "BUILDID#20WW;"}},
        {"bios_feature_byte", bytes + "."}};
    profile["power"] = {{"connected_standby", random() % 2 == 0},
                        {"platform_role", random() % 3 == 0 ? "desktop" : "mobile"}};
    nlohmann::ordered_json product = {{"MachineID", pick(kFleetBoards)}};
    if (random() % 3 == 0) product["AccelerometerAny"] = "1";
    profile["registry"] = {{"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra", product},
                           {"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion",
                            {{"CurrentBuildNumber", pick(kFleetBuilds)}}}};
    if (random() % 4 == 0) {
      profile["registry"]
             ["HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
              "FlyoutMenuSettings"] = nullptr;
    }
    profile["network_adapters"] = nlohmann::ordered_json::array();
    for (int k = static_cast<int>(random() % 3); k > 0; --k) {
      const bool wireless = random() % 3 == 0;
      profile["network_adapters"].push_back(
          {{"description", wireless ? "Wi-Fi 6 AX201" : "Ethernet Connection"},
           {"enumerator", random() % 5 == 0 ? "USB" : "PCI"},
           {"driver", "{4d36e972-e325-11ce-bfc1-08002be10318}\\000" + std::to_string(k)},
           {"hardware_ids",
            {"PCI\\VEN_8086&DEV_15B" + std::to_string(k),
             wireless ? "PCI\\CC_028000" : "PCI\\CC_020000"}},
           {"wmi", pick(wmi)}});
    }
    profile["factory_folder"] = pick(folders);
    profile["package_scripts"] = random() % 5 == 0 ? "absent" : "present";
    profile["package_architecture"] = random() % 2 == 0 ? "x64" : "x86";
    profiles.push_back(profile.dump());
  }
  return profiles;
}

}  // namespace presetra::testing
