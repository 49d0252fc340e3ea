#include "platform/sim/machine.h"

#include <algorithm>
#include <sstream>

#include "machine/layout.h"
#include "machine/scheme_laying.h"
#include "platform/emulation/powercfg/describe.h"
#include "platform/emulation/powercfg/interpreter.h"
#include "platform/guid.h"
#include "resources/string_table.h"

namespace presetra::sim {

namespace {

constexpr char16_t kCimv2[] = u"root\\cimv2";
constexpr char16_t kWmi[] = u"root\\wmi";
constexpr char16_t kBios[] = u"root\\Vorlan\\InstrumentedBIOS";

const char16_t* const kAdapterClasses[][2] = {
    {u"MSPower_DeviceEnable", u"Enable"},
    {u"MSPower_DeviceWakeEnable", u"Enable"},
    {u"MSNdis_DeviceWakeOnMagicPacketOnly", u"EnableWakeOnMagicPacketOnly"},
};

platform::Variant Bool(bool value) {
  platform::Variant v;
  v.vt = win::kVtBool;
  v.integer = value ? -1 : 0;
  return v;
}

}  // namespace

Machine::Machine(const MachineProfile& profile) : schemes_(profile.platformRole) {
  LoadBaseImage();
  LaySchemes(profile);
  Apply(profile);
}

Machine::~Machine() = default;

WString Machine::InstallDir() const {
  return machine::InstallDir(architecture_);
}

void Machine::LoadBaseImage() {
  for (const auto& edit : machine::BaseImageRegistry()) {
    registry_.PutKey(edit.path);
    for (const auto& value : *edit.values) registry_.PutValue(edit.path, value);
  }
  wmi_.DeclareClass(kCimv2, u"Win32_ComputerSystem");
  for (const auto& row : kAdapterClasses) wmi_.DeclareClass(kWmi, row[0]);
}

void Machine::LaySchemes(const MachineProfile& profile) {
  if (profile.windowsImage) machine::LayImage(schemes_, *profile.windowsImage);
  machine::LaySchemes(schemes_, profile.schemes);
  if (profile.activeScheme) {
    if (!schemes_.Contains(*profile.activeScheme)) {
      throw machine::ProfileError(
          "power.active_scheme", "the machine has no scheme " + Utf16ToUtf8(*profile.activeScheme));
    }
    schemes_.SetActive(*profile.activeScheme);
  }
}

void Machine::Apply(const MachineProfile& profile) {
  if (profile.windowsImage) {
    for (const auto& [path, values] : profile.windowsImage->registry) {
      registry_.PutKey(path);
      for (const auto& value : values) registry_.PutValue(path, value);
    }
  }
  for (const auto& edit : profile.registry) {
    if (!edit.values) {
      registry_.RemoveKey(edit.path);
      continue;
    }
    registry_.PutKey(edit.path);
    for (const auto& value : *edit.values) registry_.PutValue(edit.path, value);
  }

  shell_.systemFolder = profile.systemFolder;
  // 64-bit Windows gives a 64-bit process its own program-files folder and registry view.
  architecture_ = profile.packageArchitecture;
  const bool x64 = architecture_ == PackageArchitecture::kX64;
  shell_.programFilesFolder = machine::ProgramFilesFolder(architecture_);
  registry_.SetProcessIs64Bit(x64);
  shell_.SetStringTable(resources::FindString);
  processes_.InstallProgram(profile.systemFolder + u"\\powercfg.exe", [this](ProgramRun& run) {
    powercfg::Outcome outcome = powercfg::Execute(
        schemes_, run.arguments,
        [this](WStringView file, std::uint32_t id) { return ResolveModuleString(file, id); });
    // Windows keeps the hibernation file's size where powercfg /HIBERNATE /SIZE put it.
    if (auto percent = schemes_.HibernateFileSize()) {
      registry_.PutValue(u"HKLM\\" + WString(platform::kHibernationKey),
                         RegistryValue{platform::kHibernationFileSizeValue, win::kRegDword,
                                       RegDwordBytes(*percent)});
    }
    run.exitCode = static_cast<win::Dword>(outcome.exitCode);
    run.output = outcome.output;
    return outcome.output;
  });
  power_.SetSchemeSource(Power::SchemeSource{
      [this]() { return platform::GuidFromText(schemes_.Active()); },
      [this](const platform::Guid& guid) -> std::optional<WString> {
        for (const auto& scheme : schemes_.Schemes()) {
          if (platform::GuidFromText(scheme.guid) == guid) return scheme.description;
        }
        return std::nullopt;
      },
      [this](const platform::Guid& scheme, const platform::Guid& subgroup,
             const platform::Guid& setting, bool ac) -> std::optional<std::uint32_t> {
        for (const auto& held : schemes_.Schemes()) {
          if (platform::GuidFromText(held.guid) != scheme) continue;
          for (const auto& [key, values] : held.values) {
            if (platform::GuidFromText(key.subgroup) == subgroup &&
                platform::GuidFromText(key.setting) == setting) {
              return ac ? values.ac : values.dc;
            }
          }
        }
        return std::nullopt;
      },
      [this](const platform::Guid* scheme,
             const platform::Guid* subgroup) -> std::optional<std::vector<platform::Guid>> {
        std::vector<platform::Guid> listed;
        auto add = [&listed](const WString& text) {
          // OEM settings known by an alias alone have no GUID to list.
          const auto guid = platform::GuidFromText(text);
          if (guid && std::find(listed.begin(), listed.end(), *guid) == listed.end()) {
            listed.push_back(*guid);
          }
        };
        if (scheme == nullptr) {
          for (const auto& held : schemes_.Schemes()) add(held.guid);
          return listed;
        }
        for (const auto& held : schemes_.Schemes()) {
          if (platform::GuidFromText(held.guid) != *scheme) continue;
          for (const auto& [key, values] : held.values) {
            if (subgroup == nullptr) {
              add(key.subgroup);
            } else if (platform::GuidFromText(key.subgroup) == *subgroup) {
              add(key.setting);
            }
          }
          return listed;
        }
        return std::nullopt;
      },
      [this](const platform::Guid& guid) -> std::optional<WString> {
        for (const auto& scheme : schemes_.Schemes()) {
          if (platform::GuidFromText(scheme.guid) != guid) continue;
          return powercfg::DisplayText(scheme.name, [this](WStringView file, std::uint32_t id) {
            return ResolveModuleString(file, id);
          });
        }
        return std::nullopt;
      }});
  shell_.SetUiLanguage(profile.uiLanguage);
  files_.AddFile(profile.systemFolder + u"\\powercfg.exe");
  files_.AddFile(profile.systemFolder + u"\\cmd.exe");
  processes_.InstallInterpreter(profile.systemFolder + u"\\cmd.exe");
  files_.AddFolder(shell_.programFilesFolder);
  const WString installDir = InstallDir();
  files_.AddFile(installDir + u"Presetra.dll");
  if (profile.packageScripts) {
    for (const char16_t* script : machine::kPackageScripts) files_.AddFile(installDir + script);
  }
  for (const auto& step : machine::FactoryFolderSteps(profile.factoryFolder)) {
    switch (step.kind) {
      case machine::FolderStep::Kind::kFolder:
        files_.AddFolder(
            step.path, step.userOwned ? platform::Owner::kOther : platform::Owner::kAdministrators,
            step.userOwned || step.othersMayChange);
        break;
      case machine::FolderStep::Kind::kReadOnlyFolder:
        files_.AddFolder(step.path);
        files_.MakeReadOnly(step.path);
        break;
      case machine::FolderStep::Kind::kLink:
        files_.AddLink(step.path, step.target);
        break;
    }
  }

  WmiInstance computer;
  computer.className = u"Win32_ComputerSystem";
  computer.properties.emplace_back(u"Name", platform::Variant::Bstr(u"VORLAN-PC"));
  computer.properties.emplace_back(
      u"OEMStringArray", profile.oemStrings ? platform::Variant::BstrArray(*profile.oemStrings)
                                            : platform::Variant::Null());
  wmi_.AddInstance(kCimv2, computer);
  if (profile.biosFeatureByte) {
    WmiInstance featureByte;
    featureByte.className = u"VorlanBIOS_BIOSString";
    featureByte.properties.emplace_back(u"Name", platform::Variant::Bstr(u"Feature Byte"));
    featureByte.properties.emplace_back(u"Value",
                                        platform::Variant::Bstr(*profile.biosFeatureByte));
    wmi_.AddInstance(kBios, featureByte);
  }

  power_.connectedStandby = profile.connectedStandby;
  power_.platformRole = profile.platformRole == powercfg::PlatformRole::kDesktop
                            ? win::kPlatformRoleDesktop
                            : win::kPlatformRoleMobile;

  devices_.adapters = profile.networkAdapters;
  for (std::size_t i = 0; i < profile.networkAdapters.size(); ++i) {
    const NetworkAdapter& adapter = profile.networkAdapters[i];
    if (adapter.driver) {
      for (const WString& key : machine::AdapterClassKeys(*adapter.driver)) registry_.PutKey(key);
    }
    if (adapter.wmi == NetworkAdapter::Wmi::kMissing || !adapter.hardwareIds ||
        adapter.hardwareIds->empty()) {
      continue;
    }
    const WString instanceName = machine::AdapterInstanceName(adapter, i);
    for (const auto& row : kAdapterClasses) {
      WmiInstance instance;
      instance.className = row[0];
      instance.writesFail = adapter.wmi == NetworkAdapter::Wmi::kWriteFails;
      instance.properties.emplace_back(u"InstanceName", platform::Variant::Bstr(instanceName));
      instance.properties.emplace_back(u"Active", Bool(true));
      instance.properties.emplace_back(row[1], Bool(false));
      wmi_.AddInstance(kWmi, instance);
    }
  }

  for (const auto& fragment : profile.hangingCommands) processes_.HangWhenCommandContains(fragment);
}

std::optional<WString> Machine::ResolveModuleString(WStringView file, std::uint32_t id) const {
  if (!files_.IsFile(file)) return std::nullopt;
  std::size_t slash = file.rfind(u'\\');
  WStringView name = slash == WStringView::npos ? file : file.substr(slash + 1);
  if (!EqualsIgnoringCase(name, u"Presetra.dll")) return std::nullopt;
  return resources::FindString(id, shell_.UiLanguage());
}

std::vector<WString> Machine::ReadLogLines(WStringView path) const {
  std::vector<WString> lines;
  auto bytes = files_.ReadFile(path);
  if (!bytes) return lines;
  std::size_t start = bytes->size() >= 2 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xFE ? 2 : 0;
  // Every unit, NULs included: the file is shown as it is.
  WString text((bytes->size() - start) / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>((*bytes)[start + 2 * i] | ((*bytes)[start + 2 * i + 1] << 8));
  }
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(u"\r\n", from)) != WString::npos; from = at + 2) {
    lines.push_back(text.substr(from, at - from));
  }
  if (from < text.size()) lines.push_back(text.substr(from));
  return lines;
}

std::string Machine::Dump() const {
  std::ostringstream out;
  out << "== registry ==\n"
      << registry_.Dump() << "== files ==\n"
      << files_.Dump() << "== wmi ==\n"
      << wmi_.Dump() << "== power schemes ==\n"
      << powercfg::DescribeSchemes(
             schemes_,
             [this](WStringView file, std::uint32_t id) { return ResolveModuleString(file, id); },
             std::nullopt)
      << "== processes ==\n";
  for (const auto& run : processes_.Runs()) out << Utf16ToUtf8(run.commandLine) << "\n";
  return out.str();
}

}  // namespace presetra::sim
