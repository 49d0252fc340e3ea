// Machine profiles (version 1): one JSON file describes one PC as the custom actions see it,
// laid over a clean Windows 10 x64 base image. The profile as a type, and its reader.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "machine/windows_schemes.h"
#include "platform/emulation/powercfg/windows_defaults.h"
#include "platform/registry.h"

namespace presetra::machine {

using platform::RegistryValue;

// A profile that cannot be used: which field, and what is wrong with it.
class ProfileError : public std::runtime_error {
 public:
  ProfileError(std::string field, const std::string& message)
      : std::runtime_error(field.empty() ? message : field + ": " + message),
        field_(std::move(field)) {}
  const std::string& field() const { return field_; }

 private:
  std::string field_;
};

// One device of the network-adapter class. A property that is absent cannot be read.
struct NetworkAdapter {
  std::optional<WString> description;
  std::optional<WString> enumerator;
  std::optional<WString> driver;
  std::optional<std::vector<WString>> hardwareIds;
  enum class Wmi { kOk, kMissing, kWriteFails } wmi = Wmi::kOk;
};

struct RegistryKeyEdit {
  WString path;  // physical, as regedit shows it
  // nullopt removes the key and everything below it.
  std::optional<std::vector<RegistryValue>> values;
};

enum class FactoryFolder {
  kAbsent,
  kPresent,        // made by an administrator
  kReadOnly,       // nothing can be made in it
  kUserOwned,      // C:\System.sav and LOGS\OSIT made by a standard user
  kLinked,         // a standard user made LOGS\OSIT a junction to C:\Users\Public\Linked
  kLinkedRoot,     // a standard user made C:\System.sav itself a junction there
  kUsersCanWrite,  // made by an administrator's script, with the access list C:\ hands down
};

// Which package runs the actions: the 32-bit DLL in a 32-bit installer process, or the 64-bit
// DLL in a 64-bit one.
enum class PackageArchitecture { kX86, kX64 };

struct MachineProfile {
  std::string description;
  // nullopt: the OEMStringArray property is null. An element may be a null string.
  std::optional<std::vector<std::optional<WString>>> oemStrings;
  // nullopt: the BIOS namespace does not exist.
  std::optional<WString> biosFeatureByte;
  // nullopt: GetPwrCapabilities fails.
  std::optional<bool> connectedStandby = false;
  // What Windows provisioned its power defaults for.
  powercfg::PlatformRole platformRole = powercfg::PlatformRole::kMobile;
  // Windows' schemes as a PC has them (power.schemes), laid over the base image's or the
  // image's, and the active one; nullopt: the image's, else Balanced.
  std::vector<WindowsScheme> schemes;
  std::optional<WString> activeScheme;
  // The "image" field as written: relative to the profile's file. The tool reads it into
  // windowsImage, which lies between the base image and the profile's own fields.
  std::string image;
  std::shared_ptr<const WindowsImage> windowsImage;
  std::uint16_t uiLanguage = 1033;
  std::vector<RegistryKeyEdit> registry;
  std::vector<NetworkAdapter> networkAdapters;
  FactoryFolder factoryFolder = FactoryFolder::kAbsent;
  bool packageScripts = true;
  WString systemFolder = u"C:\\Windows\\system32";
  PackageArchitecture packageArchitecture = PackageArchitecture::kX86;
  // Not in the base format: command-line fragments whose processes never end.
  std::vector<WString> hangingCommands;
  // What looks like a mistake but is valid: a registry value name near one the actions read.
  std::vector<std::string> warnings;
};

// The format's spelling of each choice, which the reader takes and the writer writes.
template <typename T>
using Spelling = std::pair<const char*, T>;
inline constexpr Spelling<powercfg::PlatformRole> kPlatformRoleNames[] = {
    {"mobile", powercfg::PlatformRole::kMobile}, {"desktop", powercfg::PlatformRole::kDesktop}};
inline constexpr Spelling<FactoryFolder> kFactoryFolderNames[] = {
    {"absent", FactoryFolder::kAbsent},
    {"present", FactoryFolder::kPresent},
    {"read_only", FactoryFolder::kReadOnly},
    {"user_owned", FactoryFolder::kUserOwned},
    {"linked", FactoryFolder::kLinked},
    {"linked_root", FactoryFolder::kLinkedRoot},
    {"users_can_write", FactoryFolder::kUsersCanWrite}};
inline constexpr Spelling<bool> kPackageScriptsNames[] = {{"present", true}, {"absent", false}};
inline constexpr Spelling<PackageArchitecture> kPackageArchitectureNames[] = {
    {"x86", PackageArchitecture::kX86}, {"x64", PackageArchitecture::kX64}};
inline constexpr Spelling<NetworkAdapter::Wmi> kAdapterWmiNames[] = {
    {"ok", NetworkAdapter::Wmi::kOk},
    {"missing", NetworkAdapter::Wmi::kMissing},
    {"write_fails", NetworkAdapter::Wmi::kWriteFails}};

// The spelling of `value` in `names`.
template <typename T, std::size_t N>
const char* NameOf(const Spelling<T> (&names)[N], T value) {
  for (const auto& [name, choice] : names) {
    if (choice == value) return name;
  }
  return names[0].first;
}

// Parses a profile. Throws ProfileError naming the field on malformed input.
MachineProfile ParseProfile(const std::string& json);

}  // namespace presetra::machine
