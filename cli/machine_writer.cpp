#include "cli/machine_writer.h"

#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

namespace presetra::cli {

namespace {

using Json = nlohmann::ordered_json;

constexpr char kUsage[] =
    "usage: presetra machine --from-oem-strings STRINGS --board ID --build N [--cs] [--out FILE]\n"
    "  STRINGS: the OEM strings as WMI lists them, {\"ABC\", \"FBYTE#...\"} or [\"ABC\", ...],\n"
    "           or one string a line\n";

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

}  // namespace

int RunMachineWriter(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err) {
  std::string oem;
  std::string board;
  std::string build;
  std::string outFile;
  bool connectedStandby = false;
  bool haveOem = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto value = [&](std::string* target) {
      if (i + 1 >= arguments.size()) return false;
      *target = arguments[++i];
      return true;
    };
    bool ok = true;
    if (argument == "--from-oem-strings") {
      ok = value(&oem);
      haveOem = ok;
    } else if (argument == "--board") {
      ok = value(&board);
    } else if (argument == "--build") {
      ok = value(&build);
    } else if (argument == "--out") {
      ok = value(&outFile);
    } else if (argument == "--cs") {
      connectedStandby = true;
    } else {
      ok = false;
    }
    if (!ok) {
      err << "presetra: machine: unexpected or incomplete argument \"" << argument << "\"\n"
          << kUsage;
      return 2;
    }
  }
  if (!haveOem || board.empty() || build.empty()) {
    err << "presetra: machine: --from-oem-strings, --board and --build are needed\n" << kUsage;
    return 2;
  }
  std::vector<std::string> strings;
  std::string problem;
  if (!ParseOemStrings(oem, &strings, &problem)) {
    err << "presetra: machine: " << problem << "\n";
    return 2;
  }
  Json profile = {
      {"profile", 1},
      {"description", "Board " + board + ", build " + build +
                          (connectedStandby ? ", Connected Standby" : ", no Connected Standby")},
      {"firmware", {{"oem_strings", strings}}},
      {"power", {{"connected_standby", connectedStandby}}},
      {"registry",
       {{"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra", {{"MachineID", board}}},
        {"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion",
         {{"CurrentBuildNumber", build}}},
        {"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
         {{"CurrentBuildNumber", build}}}}},
      {"factory_folder", "present"},
  };
  const std::string text = profile.dump(2) + "\n";
  if (outFile.empty()) {
    out << text;
    return 0;
  }
  std::ofstream file(outFile, std::ios::binary);
  file << text;
  if (!file) {
    err << "presetra: " << outFile << ": cannot be written\n";
    return 2;
  }
  return 0;
}

}  // namespace presetra::cli
