// Lays a machine profile into a Wine prefix, so that the real installer meets the machine the
// simulated one is: the registry of the base image and the profile (both views), the machine
// facts the stand-ins serve, and the factory folder.
//   presetra-seed PROFILE PREFIX
// Writes PREFIX/drive_c/presetra/machine.txt and PREFIX/drive_c/presetra/seed.reg (UTF-16LE,
// for "wine reg import ... /reg:64"), and creates the factory folder when the profile has one.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/run/image_source.h"
#include "cli/run/simulated_run.h"
#include "image/image_error.h"
#include "machine/layout.h"
#include "machine/profile.h"
#include "platform/bytes_text.h"
#include "tools/wine/machine_facts.h"

namespace {

using namespace presetra;

std::string RegPath(const WString& path) {
  std::string text = Utf16ToUtf8(path);
  if (text.rfind("HKLM\\", 0) == 0) text = "HKEY_LOCAL_MACHINE\\" + text.substr(5);
  return text;
}

// The .reg text is appended piece by piece: "x" + text + "y" makes g++ 12 at -O3 warn falsely
// (-Wrestrict, GCC bug 105329).
void AppendValueLine(std::string& reg, const platform::RegistryValue& value) {
  if (value.name.empty()) {
    reg += '@';
  } else {
    reg += '"';
    reg += Utf16ToUtf8(value.name);
    reg += '"';
  }
  // Every type as hex(type): exact bytes, with or without a terminating NUL.
  char type[16];
  std::snprintf(type, sizeof(type), "=hex(%x):", value.type);
  reg += type;
  reg += HexBytes(value.data.data(), value.data.size(), ",");
  reg += "\r\n";
}

void AddKeys(std::string& reg, const std::vector<machine::RegistryKeyEdit>& edits) {
  for (const auto& edit : edits) {
    reg += edit.values ? "[" : "[-";
    reg += RegPath(edit.path);
    reg += "]\r\n";
    if (edit.values) {
      for (const auto& value : *edit.values) AppendValueLine(reg, value);
    }
    reg += "\r\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: presetra-seed PROFILE PREFIX\n";
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  machine::MachineProfile profile;
  wine::MachineFacts facts;
  try {
    profile = machine::ParseProfile(text.str());
    cli::ImageSource images("", std::cerr);
    images.LayUnder(profile, argv[1]);
    // Windows' schemes as the simulated machine starts with them, where the profile or its
    // image says otherwise than Windows' own three.
    if (!profile.schemes.empty() || profile.windowsImage) {
      const cli::RunRecord start = cli::RunActions(profile, {});
      facts.schemes = start.end.schemes;
      facts.activeScheme = start.end.active;
    }
  } catch (const std::runtime_error& error) {  // a malformed profile, or an unusable image
    std::cerr << "presetra-seed: " << argv[1] << ": " << error.what() << "\n";
    return 2;
  }
  const std::filesystem::path driveC = std::filesystem::path(argv[2]) / "drive_c";
  std::filesystem::create_directories(driveC / "presetra");

  facts.oemStrings = profile.oemStrings;
  facts.biosFeatureByte = profile.biosFeatureByte;
  facts.connectedStandby = profile.connectedStandby;
  facts.platformRole = profile.platformRole;
  std::vector<machine::RegistryKeyEdit> adapterKeys;
  for (std::size_t i = 0; i < profile.networkAdapters.size(); ++i) {
    const auto& adapter = profile.networkAdapters[i];
    if (adapter.wmi != machine::NetworkAdapter::Wmi::kMissing && adapter.hardwareIds &&
        !adapter.hardwareIds->empty()) {
      facts.adapters.push_back({machine::AdapterInstanceName(adapter, i),
                                adapter.wmi == machine::NetworkAdapter::Wmi::kWriteFails});
    }
    if (adapter.driver) {
      for (const WString& key : machine::AdapterClassKeys(*adapter.driver)) {
        adapterKeys.push_back({key, std::vector<platform::RegistryValue>{}});
      }
    }
    // The device itself, where SetupAPI finds the network class's members: its instance ID
    // is the name its WMI instances carry, without the "_0".
    WString instanceId = machine::AdapterInstanceName(adapter, i);
    if (instanceId.size() > 2) {
      instanceId.resize(instanceId.size() - 2);
      std::vector<platform::RegistryValue> values = {
          {u"ClassGUID", win::kRegSz,
           platform::RegData::String(u"{4d36e972-e325-11ce-bfc1-08002be10318}").bytes},
          {u"Class", win::kRegSz, platform::RegData::String(u"Net").bytes}};
      if (adapter.description) {
        values.push_back(
            {u"DeviceDesc", win::kRegSz, platform::RegData::String(*adapter.description).bytes});
      }
      if (adapter.driver) {
        values.push_back(
            {u"Driver", win::kRegSz, platform::RegData::String(*adapter.driver).bytes});
      }
      std::vector<std::uint8_t> ids;
      for (const auto& id : *adapter.hardwareIds) {
        auto bytes = platform::RegData::String(id).bytes;
        ids.insert(ids.end(), bytes.begin(), bytes.end());
      }
      ids.insert(ids.end(), {0, 0});
      values.push_back({u"HardwareID", win::kRegMultiSz, ids});
      adapterKeys.push_back({u"HKLM\\SYSTEM\\CurrentControlSet\\Enum\\" + instanceId, values});
    }
  }
  std::ofstream(driveC / "presetra" / "machine.txt", std::ios::binary) << wine::FormatFacts(facts);

  std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n";
  AddKeys(reg, machine::BaseImageRegistry());
  if (profile.windowsImage) {
    std::vector<machine::RegistryKeyEdit> imageKeys;
    for (const auto& [path, values] : profile.windowsImage->registry) {
      imageKeys.push_back({path, values});
    }
    AddKeys(reg, imageKeys);
  }
  AddKeys(reg, profile.registry);
  AddKeys(reg, adapterKeys);
  std::u16string wide(1, u'\uFEFF');  // the byte-order mark
  wide += Utf8ToUtf16(reg);
  std::ofstream out(driveC / "presetra" / "seed.reg", std::ios::binary);
  out.write(reinterpret_cast<const char*>(wide.data()),
            static_cast<std::streamsize>(wide.size() * sizeof(char16_t)));

  std::ofstream values(driveC / "presetra" / "values.txt", std::ios::binary);
  for (const auto& [key, name] : machine::WrittenValues(profile)) {
    values << Utf16ToUtf8(key) << "\t" << Utf16ToUtf8(name) << "\n";
  }

  if (profile.factoryFolder == machine::FactoryFolder::kReadOnly) {
    std::cerr << "presetra-seed: a read-only factory folder cannot be made for root\n";
    return 2;
  }
  if (profile.factoryFolder == machine::FactoryFolder::kUserOwned) {
    // Wine shows every file as owned by the user it runs as, whoever made it.
    std::cerr << "presetra-seed: Wine keeps no owner of a folder other than its own user\n";
    return 2;
  }
  // "C:\\System.sav\\LOGS" as a path in the prefix's drive_c.
  auto inPrefix = [&driveC](const WString& path) {
    std::string relative = Utf16ToUtf8(path.substr(3));
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return driveC / relative;
  };
  for (const auto& step : machine::FactoryFolderSteps(profile.factoryFolder)) {
    if (step.kind == machine::FolderStep::Kind::kLink) {
      // Wine follows a symbolic link in the prefix as Windows follows a junction.
      std::filesystem::create_directory_symlink(
          inPrefix(step.target).lexically_relative(inPrefix(step.path).parent_path()),
          inPrefix(step.path));
    } else {
      std::filesystem::create_directories(inPrefix(step.path));
    }
  }
  return 0;
}
