// How a profile is laid onto Windows: the base image under it, where the package is installed,
// the adapters' keys, and the values the commit may write. The simulated machine and the Wine
// seeding apply it; capture reads it back.
#pragma once

#include <string>
#include <vector>

#include "machine/profile.h"

namespace presetra::machine {

// The registry of the base image that profiles lay their keys over.
std::vector<RegistryKeyEdit> BaseImageRegistry();

// "C:\\Program Files (x86)" for the x86 package (a 32-bit process on 64-bit Windows),
// "C:\\Program Files" for the x64 one.
WString ProgramFilesFolder(PackageArchitecture architecture);
// Where the package puts its files, with a final backslash.
WString InstallDir(PackageArchitecture architecture);

// The factory folder, where the factory's tools read the log, and the folders under it.
inline constexpr char16_t kFactoryFolder[] = u"C:\\System.sav";
inline constexpr char16_t kLogsFolder[] = u"C:\\System.sav\\LOGS";
inline constexpr char16_t kLogFolder[] = u"C:\\System.sav\\LOGS\\OSIT";
// Where a standard user's junctions in the factory folder lead.
inline constexpr char16_t kUsersFolder[] = u"C:\\Users\\Public\\Linked";
// The factory scripts the package brings, under its install folder.
inline constexpr const char16_t* kPackageScripts[] = {u"Data Files\\MSD.cmd",
                                                      u"Data Files\\TBIOS.cmd"};

// What a factory-folder variant lays onto C:, step by step in order: a folder (made by an
// administrator, or by a standard user), a folder that refuses new entries, or a link a standard
// user made to another folder.
struct FolderStep {
  enum class Kind { kFolder, kReadOnlyFolder, kLink } kind = Kind::kFolder;
  WString path;
  bool userOwned = false;
  WString target = {};  // for a link
  // Its access list lets every signed-in user add, change and delete in it, reparse points
  // included: what a folder made at the root of C:\ inherits from there.
  bool othersMayChange = false;
};
std::vector<FolderStep> FactoryFolderSteps(FactoryFolder folder);

// An adapter's driver key ("{class}\\0001") under Control\\Class in both control sets, as
// physical paths.
std::vector<WString> AdapterClassKeys(const WString& driver);
// The name WMI gives the instances of an adapter's power classes: its device instance ID,
// which starts with its first hardware ID, and "_0".
WString AdapterInstanceName(const NetworkAdapter& adapter, std::size_t index);

// The registry values the commit may write on the machine, for comparing the end state of a
// real run with the simulated one: "key", "value name", keys as physical paths.
std::vector<std::pair<WString, WString>> WrittenValues(const MachineProfile& profile);

// The keys whose values a Windows image gives the machine, as physical paths: every key the
// actions read or write but the adapters', which stay the profile's.
std::vector<WString> ImageRegistryKeys();
// "key<TAB>name<TAB>type<TAB>hex bytes", or "key<TAB>name<TAB>absent".
std::string ValueLine(const WString& key, const WString& name,
                      const std::optional<std::uint32_t>& type,
                      const std::vector<std::uint8_t>& data);

}  // namespace presetra::machine
