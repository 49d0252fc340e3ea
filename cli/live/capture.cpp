#include "cli/live/capture.h"

#include <algorithm>
#include <ostream>

#include "cli/live/registry_capture.h"
#include "cli/run/file_output.h"
#include "cli/run/image_source.h"
#include "cli/run/plan.h"
#include "cli/run/profile_source.h"
#include "cli/run/simulated_run.h"
#include "image/image_error.h"
#include "machine/layout.h"
#include "machine/profile_writer.h"
#include "policy/network_adapters.h"
#include "wmi/wmi_client.h"

namespace presetra::cli {

namespace {

// A commit reads what an earlier read decided it would: a handful of rounds settles it.
constexpr int kMostRounds = 16;

class Capturer {
 public:
  Capturer(platform::System& system, machine::PackageArchitecture architecture)
      : system_(system), architecture_(architecture), registry_(system.registry()) {}

  Capture Run() {
    machine::MachineProfile profile;
    profile.description = "Captured by presetra capture";
    profile.oemStrings = OemStrings();
    profile.biosFeatureByte = BiosFeatureByte();
    profile.connectedStandby = ConnectedStandby();
    profile.platformRole = PlatformRole();
    profile.uiLanguage = system_.shell().GetSystemDefaultUILanguage();
    profile.networkAdapters = NetworkAdapters();
    profile.factoryFolder = FactoryFolder();
    profile.packageScripts = PackageScripts();
    machine::WrittenFields fields;
    if (auto folder = SystemFolder()) {
      profile.systemFolder = *folder;
    } else {
      fields.systemFolder = false;
    }
    profile.packageArchitecture = architecture_;
    profile.schemes = Schemes();
    if (auto active = ActiveScheme()) {
      for (const auto& scheme : profile.schemes) {
        if (scheme.guid == *active) profile.activeScheme = active;
      }
    }

    // What the commit reads, and the build number the plan shows besides.
    registry_.Record(platform::RegistryRead{kShownBuildKey, WString(kShownBuildValue)});
    std::vector<std::string> registryNotes;
    for (int round = 0;; ++round) {
      registryNotes.clear();
      profile.registry = registry_.ProfileRegistry(&registryNotes);
      if (round == kMostRounds || !ReadsSomethingNew(profile)) break;
    }
    Capture capture{machine::WriteProfile(profile, fields), notes_};
    capture.notes.insert(capture.notes.end(), registryNotes.begin(), registryNotes.end());
    registry_.CheckValuesKeptExactly(capture);
    return capture;
  }

 private:
  // OEMStringArray of Win32_ComputerSystem, each string as it is (the actions trim them).
  std::optional<std::vector<std::optional<WString>>> OemStrings() {
    CWMIClient client(system_, comSecurity_);
    if (client.Connect(u"\\\\.\\root\\cimv2") != win::kSOk ||
        client.ExecQuery(u"SELECT * FROM Win32_ComputerSystem") != win::kSOk) {
      notes_.push_back("firmware.oem_strings: Win32_ComputerSystem could not be read (" +
                       HResultText(client.LastResult()) + "): written as null");
      return std::nullopt;
    }
    platform::Variant value;
    if (client.CurrentObject().Ref()->Get(u"OEMStringArray", &value) != win::kSOk ||
        value.vt != (win::kVtArray | win::kVtBstr) || !value.array) {
      return std::nullopt;
    }
    std::vector<std::optional<WString>> strings;
    for (const auto& element : value.array->elements) strings.push_back(element.text);
    return strings;
  }

  // The "Feature Byte" string of the firmware's BIOS class; null when its namespace or object
  // is not there, which the actions treat alike.
  std::optional<WString> BiosFeatureByte() {
    CWMIClient client(system_, comSecurity_);
    if (const win::HResult connected = client.Connect(u"\\\\.\\root\\Vorlan\\InstrumentedBIOS");
        connected != win::kSOk) {
      if (IsAccessDenied(connected)) {
        notes_.push_back(
            "firmware.bios_feature_byte: WMI refused the BIOS namespace (for administrators): "
            "written as null; run capture from an elevated prompt");
      }
      return std::nullopt;
    }
    if (client.ExecQuery(u"SELECT * FROM VorlanBIOS_BIOSString WHERE Name=\"Feature Byte\"") !=
        win::kSOk) {
      notes_.push_back(
          "firmware.bios_feature_byte: the BIOS namespace has no \"Feature Byte\" object: written "
          "as null (no namespace), which the actions treat the same way");
      return std::nullopt;
    }
    WString value;
    const win::HResult read = client.GetValueAsString(value);
    if (read != win::kSOk) {
      notes_.push_back("firmware.bios_feature_byte: its Value could not be read (" +
                       HResultText(read) + "): written as null");
      return std::nullopt;
    }
    return value;
  }

  // The GUIDs PowerEnumerate lists; nullopt, with the error in *error, when it fails.
  std::optional<std::vector<platform::Guid>> Enumerate(const platform::Guid* scheme,
                                                       const platform::Guid* subgroup,
                                                       win::Dword access, win::Dword* error) {
    std::vector<platform::Guid> listed;
    for (win::Dword index = 0;; ++index) {
      platform::Guid guid;
      const win::Dword result =
          system_.power().PowerEnumerate(scheme, subgroup, access, index, &guid);
      if (result == win::kErrorNoMoreItems) return listed;
      if (result != win::kErrorSuccess) {
        *error = result;
        return std::nullopt;
      }
      listed.push_back(guid);
    }
  }

  // Windows' schemes as the power API lists them, with every setting's AC and DC value in each:
  // what a Vorlan scheme on this PC would be copied from, and the scheme itself when the PC
  // has one already.
  std::vector<machine::WindowsScheme> Schemes() {
    platform::Power& power = system_.power();
    win::Dword error = 0;
    const auto guids = Enumerate(nullptr, nullptr, win::kAccessScheme, &error);
    if (!guids) {
      notes_.push_back(
          "power.schemes: the power API could not list the schemes (PowerEnumerate, "
          "error " +
          std::to_string(error) + "): left to the base image's");
      return {};
    }
    const platform::Guid noSubgroup = *platform::GuidFromText(powercfg::kNoSubgroup);
    std::vector<machine::WindowsScheme> schemes;
    for (const platform::Guid& guid : *guids) {
      machine::WindowsScheme scheme;
      scheme.guid = platform::GuidText(guid);
      WString name;
      if (power.PowerReadFriendlyName(guid, &name) == win::kErrorSuccess) scheme.name = name;
      std::vector<platform::Guid> subgroups =
          Enumerate(&guid, nullptr, win::kAccessSubgroup, &error)
              .value_or(std::vector<platform::Guid>{});
      // Settings without a subgroup are listed under NO_SUBGROUP_GUID.
      if (std::find(subgroups.begin(), subgroups.end(), noSubgroup) == subgroups.end()) {
        subgroups.push_back(noSubgroup);
      }
      for (const platform::Guid& subgroup : subgroups) {
        const auto settings = Enumerate(&guid, &subgroup, win::kAccessIndividualSetting, &error)
                                  .value_or(std::vector<platform::Guid>{});
        for (const platform::Guid& setting : settings) {
          machine::SchemeSetting value;
          value.source = machine::ValueSource::kPc;
          win::Dword index = 0;
          if (power.PowerReadValueIndex(guid, subgroup, setting, true, &index) ==
              win::kErrorSuccess) {
            value.ac = index;
          }
          if (power.PowerReadValueIndex(guid, subgroup, setting, false, &index) ==
              win::kErrorSuccess) {
            value.dc = index;
          }
          if (!value.ac && !value.dc) continue;
          scheme.settings[powercfg::SettingKey{platform::GuidText(subgroup),
                                               platform::GuidText(setting)}] = value;
        }
      }
      schemes.push_back(std::move(scheme));
    }
    return schemes;
  }

  std::optional<WString> ActiveScheme() {
    platform::Guid active;
    if (system_.power().PowerGetActiveScheme(&active) != win::kErrorSuccess) {
      notes_.push_back(
          "power.active_scheme: the power API could not say which scheme is active: "
          "left to Balanced");
      return std::nullopt;
    }
    return platform::GuidText(active);
  }

  // nullopt: the power API's query fails.
  std::optional<bool> ConnectedStandby() {
    bool aoac = false;
    if (!system_.power().GetPwrCapabilities(&aoac)) return std::nullopt;
    return aoac;
  }

  // Windows provisions the portable defaults for notebooks and tablets.
  powercfg::PlatformRole PlatformRole() {
    const win::Dword role = system_.power().PowerDeterminePlatformRole();
    return role == win::kPlatformRoleMobile || role == win::kPlatformRoleSlate
               ? powercfg::PlatformRole::kMobile
               : powercfg::PlatformRole::kDesktop;
  }

  std::vector<machine::NetworkAdapter> NetworkAdapters() {
    std::vector<machine::NetworkAdapter> adapters;
    platform::Devices& devices = system_.devices();
    const platform::ScopedDeviceInfoSet set(devices, devices.GetNetClassDevices());
    if (!set.valid()) {
      notes_.push_back("network_adapters: the network adapters could not be listed: none written");
      return adapters;
    }
    for (win::Dword index = 0; devices.EnumDeviceInfo(set.get(), index); ++index) {
      auto text = [&](win::Dword property) -> std::optional<WString> {
        auto bytes = ReadDeviceProperty(devices, set.get(), index, property);
        if (!bytes) return std::nullopt;
        return TextOfUtf16Le(bytes->data(), bytes->size());
      };
      machine::NetworkAdapter adapter;
      adapter.description = text(win::kSpdrpDeviceDesc);
      adapter.enumerator = text(win::kSpdrpEnumeratorName);
      adapter.driver = text(win::kSpdrpDriver);
      auto ids = ReadDeviceProperty(devices, set.get(), index, win::kSpdrpHardwareId);
      if (ids) adapter.hardwareIds = machine::SplitMultiString(*ids);
      adapter.wmi = adapter.hardwareIds && !adapter.hardwareIds->empty() &&
                            HasWmiClasses(adapter.hardwareIds->front())
                        ? machine::NetworkAdapter::Wmi::kOk
                        : machine::NetworkAdapter::Wmi::kMissing;
      adapters.push_back(adapter);
    }
    if (!adapters.empty()) {
      notes_.push_back(
          "network_adapters: \"wmi\": \"ok\" says the adapter's power classes have instances; "
          "whether WMI accepts a write to them is known only when the commit writes");
    }
    return adapters;
  }

  bool HasWmiClasses(const WString& hardwareId) {
    CWMIClient client(system_, comSecurity_);
    bool found = client.Connect(u"\\\\.\\root\\wmi") == win::kSOk;
    for (const WmiSetting& setting : kWmiSettings) {
      found = found && client.ExecQuery(AdapterWmiQuery(setting, hardwareId).c_str()) == win::kSOk;
    }
    if (IsAccessDenied(client.LastResult()) && !deniedWmiNoted_) {
      notes_.push_back(
          "network_adapters: WMI refused to show the adapters' power classes (root\\wmi is for "
          "administrators): \"wmi\" is written as \"missing\"; run capture from an elevated "
          "prompt");
      deniedWmiNoted_ = true;
    }
    return found;
  }

  machine::FactoryFolder FactoryFolder() {
    platform::FileSystem& files = system_.files();
    // Each level opened through the one above, its own link not followed, as the commit does.
    const auto root = files.HoldRoot(u"C:");
    const auto factory = root ? root->HoldFolder(u"System.sav", false) : nullptr;
    if (!factory) {
      if (!files.PathFileExists(machine::kFactoryFolder)) return machine::FactoryFolder::kAbsent;
      notes_.push_back(
          "factory_folder: C:\\System.sav cannot be opened (someone has it open to change it): "
          "written as \"present\"");
      return machine::FactoryFolder::kPresent;
    }
    if (platform::IsLink(machine::kFactoryFolder, factory->Facts())) {
      return machine::FactoryFolder::kLinkedRoot;
    }
    if (factory->Facts().owner == platform::Owner::kOther) {
      return machine::FactoryFolder::kUserOwned;
    }
    const auto logs = factory->HoldFolder(u"LOGS", false);
    const auto osit = logs ? logs->HoldFolder(u"OSIT", false) : nullptr;
    if (osit && platform::IsLink(machine::kLogFolder, osit->Facts())) {
      return machine::FactoryFolder::kLinked;
    }
    if (!osit) {
      notes_.push_back(
          "factory_folder: C:\\System.sav has no LOGS\\OSIT: written as \"present\" (the commit "
          "makes the log folder); whether the folder refuses new entries (\"read_only\") is known "
          "only when the commit writes");
    } else if (factory->Facts().othersMayChange || logs->Facts().othersMayChange ||
               osit->Facts().othersMayChange) {
      return machine::FactoryFolder::kUsersCanWrite;
    }
    return machine::FactoryFolder::kPresent;
  }

  // The package brings its scripts: they are missing only from an installed package.
  bool PackageScripts() {
    WString programFiles;
    if (system_.shell().GetFolderPath(win::kCsidlProgramFiles, 260, &programFiles) != win::kSOk) {
      return true;
    }
    const WString folder = programFiles + u"\\Vorlan\\Presetra\\";
    platform::FileSystem& files = system_.files();
    if (!files.PathFileExists(folder)) return true;
    for (const char16_t* script : machine::kPackageScripts) {
      if (!files.PathFileExists(folder + script)) return false;
    }
    return true;
  }

  std::optional<WString> SystemFolder() {
    WString folder;
    const win::HResult result = system_.shell().GetFolderPath(win::kCsidlSystem, 260, &folder);
    if (result == win::kSOk) return folder;
    notes_.push_back("system_folder: SHGetFolderPathW(CSIDL_SYSTEM) failed (" +
                     HResultText(result) + "): left to the base image's");
    return std::nullopt;
  }

  // Runs the commit on what has been captured; true when it read a key or value not read yet.
  bool ReadsSomethingNew(const machine::MachineProfile& profile) {
    const RunRecord run = RunActions(profile, {"commit"}, RunOptions{.reads = true});
    bool added = false;
    for (const auto& read : run.registryReads) added = registry_.Record(read) || added;
    return added;
  }

  platform::System& system_;
  machine::PackageArchitecture architecture_;
  std::vector<std::string> notes_;
  bool deniedWmiNoted_ = false;
  ComSecurity comSecurity_;
  RegistryCapture registry_;
};

}  // namespace

Capture CaptureMachine(platform::System& system, machine::PackageArchitecture architecture) {
  return Capturer(system, architecture).Run();
}

int RunCapture(const Arguments& arguments, std::ostream& out, std::ostream& err, ThisPc* thisPc) {
  const std::string outFile = arguments.Value("--out");
  const std::string machineFile = arguments.Value("--machine");
  Capture capture;
  std::string source = "this PC";
  try {
    if (thisPc != nullptr && machineFile.empty()) {
      capture = CaptureMachine(thisPc->system, thisPc->architecture);
    } else {
      std::string profileText;
      if (!ReadMachineProfile(machineFile, &profileText, &source, err)) return 2;
      ImageSource images(arguments.Value("--image"), err);
      machine::MachineProfile profile = ProfileOf(profileText);
      images.LayUnder(profile, machineFile);
      const SimulatedPc machine = SimulatedMachine(profile);
      capture = CaptureMachine(*machine.system, machine.architecture);
    }
  } catch (const image::ImageError& error) {
    err << "presetra capture: " << error.what() << "\n";
    return 2;
  } catch (const std::runtime_error& error) {  // an unusable profile, read or captured
    err << "presetra: " << source << ": " << error.what() << "\n";
    return 2;
  }
  for (const auto& note : capture.notes) err << "presetra capture: note: " << note << "\n";
  if (outFile.empty()) {
    out << capture.profileText;
    return 0;
  }
  if (const std::string problem = WriteFileAtomically(outFile, capture.profileText);
      !problem.empty()) {
    err << "presetra capture: " << outFile << ": cannot be written: " << problem << "\n";
    return 2;
  }
  return 0;
}

bool ReadProfileOrThisPc(const std::string& file, ThisPc* thisPc, std::string* text,
                         std::string* source, std::ostream& err) {
  if (thisPc == nullptr || !file.empty()) return ReadMachineProfile(file, text, source, err);
  try {
    Capture capture = CaptureMachine(thisPc->system, thisPc->architecture);
    for (const auto& note : capture.notes) err << "presetra: this PC: note: " << note << "\n";
    *text = std::move(capture.profileText);
  } catch (const std::runtime_error& error) {  // an unusable profile, read or captured
    err << "presetra: this PC: what was read makes no valid profile: " << error.what() << "\n";
    return false;
  }
  *source = "this PC";
  return true;
}

}  // namespace presetra::cli
