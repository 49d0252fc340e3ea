#include "cli/profiles/machine_writer.h"

#include <cctype>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/run/file_output.h"
#include "cli/run/plan.h"
#include "machine/profile_writer.h"

namespace presetra::cli {

namespace {

using Json = nlohmann::ordered_json;

// The OEM strings an engineer copies from WMI: a brace or bracket list of quoted strings (as
// wmic and PowerShell print them), or one string a line.
bool ParseOemStrings(std::string text, std::vector<std::string>* strings, std::string* problem) {
  std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && (text[first] == '{' || text[first] == '[')) {
    std::size_t last = text.find_last_not_of(" \t\r\n");
    text[first] = '[';
    if (text[last] == '}') text[last] = ']';
    try {
      Json list = Json::parse(text);
      for (const auto& entry : list) {
        if (!entry.is_string()) {
          *problem = "--from-oem-strings: every entry must be a quoted string";
          return false;
        }
        strings->push_back(entry.get<std::string>());
      }
      return true;
    } catch (const Json::exception& error) {
      *problem = std::string("--from-oem-strings: not a list of quoted strings: ") + error.what();
      return false;
    }
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    strings->push_back(line);
    start = end + 1;
  }
  return true;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsDigits(const std::string& text) {
  return !text.empty() && text.size() <= 9 &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

// Windows' build number as CurrentBuildNumber holds it. "10.0.N", as winver and ver print it,
// is taken as N, and said so; anything else ("22H2", "19O45") is refused, for the recipe would
// take such a machine for one older than every threshold.
bool CheckBuild(std::string* build, std::ostream& err) {
  const std::string prefix = "10.0.";
  if (build->rfind(prefix, 0) == 0 && IsDigits(build->substr(prefix.size()))) {
    err << "presetra: machine: --build " << *build << " taken as build "
        << build->substr(prefix.size()) << "\n";
    *build = build->substr(prefix.size());
  }
  if (IsDigits(*build)) return true;
  err << "presetra: machine: --build \"" << *build
      << "\" is not a Windows build number: give CurrentBuildNumber's digits, for instance 19045\n";
  return false;
}

// A board ID is four hexadecimal digits, compared with the board lists as upper-case text: a
// lower-case one is upper-cased (and said so), anything else refused.
bool CheckBoard(std::string* board, std::ostream& err) {
  if (board->size() == 4 &&
      board->find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
    const std::string upper = Upper(*board);
    if (upper != *board) {
      err << "presetra: machine: --board " << *board << " taken as " << upper
          << " (board IDs are upper case)\n";
      *board = upper;
    }
    return true;
  }
  err << "presetra: machine: --board \"" << *board
      << "\" is not a board ID: four hexadecimal digits, for instance 62E6\n";
  return false;
}

// Without an "FBYTE#" entry the machine has no feature tokens and is classed as a notebook:
// valid, but worth a word, and a near miss is named.
void WarnWithoutFeatureBytes(const std::vector<std::string>& strings, std::ostream& err) {
  for (const auto& entry : strings) {
    if (entry.find("FBYTE#") != std::string::npos) return;
  }
  err << "presetra: machine: warning: no OEM string has \"FBYTE#\": the machine has no feature "
         "tokens and will be classed as a notebook";
  for (const auto& entry : strings) {
    const std::string upper = Upper(entry);
    if (upper.find("FBYTE#") != std::string::npos || upper.find("FBYTE ") != std::string::npos) {
      err << "; \"" << entry << "\" looks like one (the marker is FBYTE#, in upper case)";
      break;
    }
  }
  err << "\n";
}

}  // namespace

int RunMachineWriter(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  const std::string oem = arguments.Value("--from-oem-strings");
  std::string board = arguments.Value("--board");
  std::string build = arguments.Value("--build");
  const std::string outFile = arguments.Value("--out");
  const bool connectedStandby = arguments.Has("--cs");
  const bool haveOem = arguments.Has("--from-oem-strings");
  if (!haveOem || board.empty() || build.empty()) {
    err << "presetra: machine: --from-oem-strings, --board and --build are needed\n"
        << arguments.Usage();
    return 2;
  }
  std::vector<std::string> strings;
  std::string problem;
  if (!ParseOemStrings(oem, &strings, &problem)) {
    err << "presetra: machine: " << problem << "\n";
    return 2;
  }
  if (!CheckBuild(&build, err) || !CheckBoard(&board, err)) return 2;
  WarnWithoutFeatureBytes(strings, err);
  machine::MachineProfile profile;
  profile.description = "Board " + board + ", " + WindowsOfBuild(build) + " build " + build +
                        (connectedStandby ? ", Connected Standby" : ", no Connected Standby");
  profile.oemStrings.emplace();
  for (const auto& text : strings) profile.oemStrings->push_back(Utf8ToUtf16(text));
  profile.connectedStandby = connectedStandby;
  const platform::RegistryValue buildValue{u"CurrentBuildNumber", win::kRegSz,
                                           platform::RegData::String(Utf8ToUtf16(build)).bytes};
  profile.registry = {
      {u"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra",
       std::vector<platform::RegistryValue>{
           {u"MachineID", win::kRegSz, platform::RegData::String(Utf8ToUtf16(board)).bytes}}},
      {u"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion",
       std::vector<platform::RegistryValue>{buildValue}},
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
       std::vector<platform::RegistryValue>{buildValue}},
  };
  profile.factoryFolder = machine::FactoryFolder::kPresent;
  const std::string text = machine::WriteProfile(profile, machine::kBoardFields);
  if (outFile.empty()) {
    out << text;
    return 0;
  }
  if (const std::string problem = WriteFileAtomically(outFile, text); !problem.empty()) {
    err << "presetra: " << outFile << ": cannot be written: " << problem << "\n";
    return 2;
  }
  return 0;
}

}  // namespace presetra::cli
