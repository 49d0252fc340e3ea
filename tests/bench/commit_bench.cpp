// How long a simulated commit takes: one machine of each platform class, and a fleet preview
// of many generated machine profiles (parse, build the machine, commit, read the log), and the
// fleet matrix of those profiles: in memory, and as the tool makes it from a folder of files,
// beside the floor of only reading and parsing those files.
// Run on demand: build/native/tests/bench/presetra_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/fleet/matrix.h"
#include "cli/fleet/parallel.h"
#include "cli/run/file_text.h"
#include "cli/run/plan.h"
#include "cli/run/simulated_run.h"
#include "tests/generated_fleet.h"

namespace presetra {
namespace {

std::string ReadExample(const std::string& name) {
  std::ifstream file(std::string(PRESETRA_EXAMPLES_DIR) + "/" + name + ".json");
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::size_t CommitOnce(const std::string& profileText) {
  return cli::RunActions(profileText, {"commit"}, cli::RunOptions{.log = true}).logLines.size();
}

void BM_Commit(benchmark::State& state, const std::string& example) {
  const std::string profile = ReadExample(example);
  std::size_t lines = 0;
  for (auto _ : state) benchmark::DoNotOptimize(lines = CommitOnce(profile));
  state.counters["log_lines"] = static_cast<double>(lines);
}
BENCHMARK_CAPTURE(BM_Commit, consumer, std::string("consumer"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Commit, modern_standby, std::string("notebook-modern-standby"))
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Commit, notebook, std::string("notebook"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Commit, desktop, std::string("desktop-3a"))->Unit(benchmark::kMicrosecond);

void BM_FleetPreview(benchmark::State& state) {
  const auto fleet = testing::GenerateFleet(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::size_t lines = 0;
    for (const auto& profile : fleet) lines += CommitOnce(profile);
    benchmark::DoNotOptimize(lines);
  }
  state.counters["machines_per_s"] = benchmark::Counter(
      static_cast<double>(fleet.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FleetPreview)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// What "presetra matrix" does with a fleet, without reading files: a plan of every machine,
// then the Markdown table of the settings that differ.
void BM_Matrix(benchmark::State& state) {
  const auto fleet = testing::GenerateFleet(static_cast<std::size_t>(state.range(0)));
  std::size_t tableBytes = 0;
  for (auto _ : state) {
    std::vector<cli::Plan> plans;
    plans.reserve(fleet.size());
    for (std::size_t i = 0; i < fleet.size(); ++i) {
      plans.push_back(cli::MakePlan(fleet[i], "machine-" + std::to_string(i) + ".json"));
    }
    tableBytes = cli::MatrixTable(plans, cli::TableFormat::kMarkdown).size();
    benchmark::DoNotOptimize(tableBytes);
  }
  state.counters["machines_per_s"] = benchmark::Counter(
      static_cast<double>(fleet.size()), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["table_bytes"] = static_cast<double>(tableBytes);
}
BENCHMARK(BM_Matrix)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A folder of the generated fleet's profile files, written once per run of the benchmarks
// (PRESETRA_FLEET_DIR names it; kept afterwards, for measuring the tool's memory by hand).
std::string FleetFolder(std::size_t count) {
  const char* named = std::getenv("PRESETRA_FLEET_DIR");
  const std::filesystem::path folder = std::filesystem::path(
      named != nullptr ? named
                       : (std::filesystem::temp_directory_path() / "presetra-fleet").string());
  const auto fleet = testing::GenerateFleet(count);
  std::filesystem::create_directories(folder);
  for (std::size_t i = 0; i < fleet.size(); ++i) {
    const auto path = folder / ("machine-" + std::to_string(100000 + i) + ".json");
    if (!std::filesystem::exists(path)) std::ofstream(path, std::ios::binary) << fleet[i];
  }
  return folder.string();
}

// The tool's own matrix over a folder of profile files, as `presetra matrix DIR --format csv`
// runs it (on every core), the table written to a stream that keeps nothing.
void BM_MatrixOfFolder(benchmark::State& state) {
  const std::string folder = FleetFolder(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::ofstream nowhere;
    std::ostringstream err;
    benchmark::DoNotOptimize(cli::Run({"matrix", folder, "--format", "csv"}, nowhere, err));
  }
  state.counters["machines_per_s"] = benchmark::Counter(
      static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_MatrixOfFolder)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// The floor under it: only reading and parsing the same files, on every core.
void BM_ReadAndParseFolder(benchmark::State& state) {
  const std::string folder = FleetFolder(static_cast<std::size_t>(state.range(0)));
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  for (auto _ : state) {
    std::atomic<std::size_t> keys{0};
    cli::ForEachIndex(paths.size(), cli::DefaultThreads(), [&](std::size_t i) {
      std::string problem;
      const auto text = cli::ReadFileText(paths[i], &problem);
      if (text) keys += machine::ParseProfile(*text).registry.size();
    });
    benchmark::DoNotOptimize(keys.load());
  }
  state.counters["machines_per_s"] = benchmark::Counter(
      static_cast<double>(paths.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadAndParseFolder)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace
}  // namespace presetra

BENCHMARK_MAIN();
