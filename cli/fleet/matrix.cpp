#include "cli/fleet/matrix.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "cli/fleet/fleet_table.h"
#include "cli/fleet/parallel.h"
#include "cli/run/file_text.h"
#include "cli/run/image_source.h"
#include "image/image_error.h"

namespace presetra::cli {

namespace {

std::string BaseName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// The profiles named on the command line, folders expanded to their *.json files (in any case:
// files copied from Windows may say .JSON) in name order. A folder without one is named on
// standard error and makes `allFound` false.
std::vector<std::string> ProfilePaths(const std::vector<std::string>& arguments, std::ostream& err,
                                      bool* allFound) {
  std::vector<std::string> paths;
  for (const auto& argument : arguments) {
    std::error_code error;
    if (!std::filesystem::is_directory(argument, error)) {
      paths.push_back(argument);
      continue;
    }
    std::vector<std::string> inFolder;
    for (const auto& entry : std::filesystem::directory_iterator(argument, error)) {
      if (EndsWithIgnoringCase(Utf8ToUtf16(entry.path().filename().string()), u".json")) {
        inFolder.push_back(entry.path().string());
      }
    }
    if (inFolder.empty()) {
      err << "presetra: " << argument << ": no *.json machine profiles in this folder\n";
      *allFound = false;
    }
    std::sort(inFolder.begin(), inFolder.end());
    paths.insert(paths.end(), inFolder.begin(), inFolder.end());
  }
  return paths;
}

// A fleet this large shows its progress when standard error is a terminal.
constexpr std::size_t kFleetWithProgress = 500;

// Plans every profile on `jobs` threads and hands each plan to `keep` (from any thread, once per
// index). A profile that cannot be read or used is reported by name and skipped; the reports
// come in input order. Returns the machines' names by index (empty: skipped) and whether every
// profile was planned.
bool PlanFleet(const std::vector<std::string>& paths, unsigned jobs, ImageSource& images,
               std::ostream& err, const std::function<void(std::size_t, const Plan&)>& keep,
               std::vector<std::string>* names) {
  std::vector<std::string> messages(paths.size());
  std::vector<char> planned(paths.size(), 0);
  {
    ProgressLine progress(
        "presetra matrix: planned", paths.size(),
        paths.size() >= kFleetWithProgress && &err == &std::cerr && StandardErrorIsTerminal());
    ForEachIndex(paths.size(), jobs, [&](std::size_t i) {
      const std::string& path = paths[i];
      std::string problem;
      const std::optional<std::string> text = ReadFileText(path, &problem);
      if (!text) {
        messages[i] = "presetra: " + path + ": " + problem + "; skipped\n";
      } else {
        try {
          machine::MachineProfile profile = ProfileOf(*text);
          images.LayUnder(profile, path);
          const Plan plan = MakePlan(profile, path, PlanSettings::kCatalog);
          for (const auto& warning : plan.warnings) {
            messages[i] += "presetra: " + path + ": warning: " + warning + "\n";
          }
          keep(i, plan);
          planned[i] = 1;
        } catch (const UnusableProfile& error) {
          messages[i] = "presetra: " + path + ": " + error.what() + "; skipped\n";
        } catch (const image::ImageError& error) {
          messages[i] = "presetra: " + path + ": " + error.what() + "; skipped\n";
        }
      }
      progress.Done();
    });
  }
  bool allPlanned = true;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    err << messages[i];
    allPlanned = allPlanned && planned[i] != 0;
  }
  // A machine is its file name, unless another profile has the same name: then its path.
  std::map<std::string, int> named;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (planned[i] != 0) ++named[BaseName(paths[i])];
  }
  names->assign(paths.size(), std::string());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (planned[i] == 0) continue;
    const std::string name = BaseName(paths[i]);
    (*names)[i] = named[name] > 1 ? paths[i] : name;
  }
  return allPlanned;
}

// Every plan of the profiles, named, for comparing two fleets.
bool PlanAll(const std::vector<std::string>& paths, unsigned jobs, ImageSource& images,
             std::vector<Plan>* plans, std::ostream& err) {
  std::vector<std::optional<Plan>> byIndex(paths.size());
  std::vector<std::string> names;
  const bool allPlanned = PlanFleet(
      paths, jobs, images, err, [&byIndex](std::size_t i, const Plan& plan) { byIndex[i] = plan; },
      &names);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (!byIndex[i]) continue;
    byIndex[i]->machine = names[i];
    plans->push_back(std::move(*byIndex[i]));
  }
  return allPlanned;
}

}  // namespace

std::string MatrixTable(const std::vector<Plan>& plans, TableFormat format) {
  FleetTable table(plans.size());
  std::vector<std::string> names;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    table.Set(i, plans[i]);
    names.push_back(plans[i].machine);
  }
  std::ostringstream out;
  table.Write(names, format, out);
  return out.str();
}

int RunMatrix(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  const std::vector<std::string> paths = arguments.OperandsBefore("--diff");
  const std::vector<std::string> otherPaths = arguments.OperandsAfter("--diff");
  const bool diff = arguments.Has("--diff");
  const TableFormat format =
      arguments.Value("--format") == "csv" ? TableFormat::kCsv : TableFormat::kMarkdown;
  unsigned jobs = DefaultThreads();
  if (arguments.Has("--jobs")) {
    const std::string value = arguments.Value("--jobs");
    if (value.empty() || value.size() > 4 ||
        value.find_first_not_of("0123456789") != std::string::npos || std::stoi(value) == 0) {
      err << "presetra matrix: --jobs \"" << value
          << "\": expected a number of threads, 1 to 9999\n";
      return 2;
    }
    jobs = static_cast<unsigned>(std::stoi(value));
  }
  if (paths.empty() || (diff && otherPaths.empty())) {
    err << "presetra matrix: " << (paths.empty() ? "no profiles given" : "--diff needs profiles")
        << "\n"
        << arguments.Usage();
    return 2;
  }
  std::optional<ImageSource> images;
  try {
    images.emplace(arguments.Value("--image"), err);
  } catch (const image::ImageError& error) {
    err << "presetra matrix: " << error.what() << "\n";
    return 2;
  }
  bool allFound = true;
  const std::vector<std::string> fleet = ProfilePaths(paths, err, &allFound);
  if (diff) {
    const std::vector<std::string> otherFleet = ProfilePaths(otherPaths, err, &allFound);
    std::vector<Plan> plans;
    std::vector<Plan> otherPlans;
    bool allPlanned = PlanAll(fleet, jobs, *images, &plans, err);
    allPlanned = PlanAll(otherFleet, jobs, *images, &otherPlans, err) && allPlanned;
    out << MatrixDiff(plans, otherPlans, format);
    return allPlanned && allFound ? 0 : 1;
  }
  // Each plan is reduced to its row as soon as it is made.
  FleetTable table(fleet.size());
  std::vector<std::string> names;
  const bool allPlanned = PlanFleet(
      fleet, jobs, *images, err, [&table](std::size_t i, const Plan& plan) { table.Set(i, plan); },
      &names);
  table.Write(names, format, out);
  return allPlanned && allFound ? 0 : 1;
}

}  // namespace presetra::cli
