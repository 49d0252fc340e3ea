// What planning against a Windows image costs: the notebook's plan with a WIM that holds the
// laptop's hive beside 1 GiB of other files, against the plan with the bare hive; and the
// matrix of the generated fleet with one image, against the same matrix without one.
// The WIM is made once, with wimlib-imagex, in PRESETRA_IMAGE_BENCH_DIR (by default
// presetra-image-bench in the temporary folder), and kept for later runs.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/fleet/matrix.h"
#include "cli/run/image_source.h"
#include "cli/run/plan.h"
#include "cli/run/simulated_run.h"
#include "tests/generated_fleet.h"

namespace presetra {
namespace {

namespace fs = std::filesystem;

fs::path BenchFolder() {
  const char* named = std::getenv("PRESETRA_IMAGE_BENCH_DIR");
  return named != nullptr ? fs::path(named) : fs::temp_directory_path() / "presetra-image-bench";
}

// The laptop's SYSTEM hive, and a WIM of an image that holds it and 1 GiB of other data.
struct ImageFiles {
  std::string hive;
  std::string wim;
};

const ImageFiles& Files() {
  static const ImageFiles files = [] {
    const fs::path folder = BenchFolder();
    const fs::path tree = folder / "tree";
    const fs::path config = tree / "Windows" / "System32" / "config";
    ImageFiles made{(config / "SYSTEM").string(), (folder / "laptop-1gib.wim").string()};
    fs::create_directories(config);
    if (!fs::exists(made.hive)) {
      const std::string command = "xz -dc '" + std::string(PRESETRA_HIVES_DIR) +
                                  "/win10-1709-laptop.SYSTEM.xz' > '" + made.hive + "'";
      if (std::system(command.c_str()) != 0) std::abort();
    }
    if (!fs::exists(made.wim)) {
      // Data that does not compress, as a real image's programs mostly do not.
      std::ofstream filler(tree / "Windows" / "filler.bin", std::ios::binary);
      std::mt19937_64 random(1);
      std::vector<std::uint64_t> block(1 << 17);
      for (int i = 0; i < 1024; ++i) {
        for (auto& word : block) word = random();
        filler.write(reinterpret_cast<const char*>(block.data()),
                     static_cast<std::streamsize>(block.size() * sizeof(block[0])));
      }
      filler.close();
      const std::string command = "wimlib-imagex capture '" + tree.string() + "' '" + made.wim +
                                  "' 'Laptop' --compress=fast >/dev/null";
      if (std::system(command.c_str()) != 0) std::abort();
    }
    return made;
  }();
  return files;
}

std::string Notebook() {
  std::ifstream file(std::string(PRESETRA_EXAMPLES_DIR) + "/notebook.json");
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The notebook's plan as `presetra plan --image SPEC` makes it: the image read, then the plan.
void BM_PlanWithImage(benchmark::State& state, bool wim) {
  const std::string spec = wim ? Files().wim : Files().hive;
  const std::string notebook = Notebook();
  for (auto _ : state) {
    std::ostringstream notes;
    cli::ImageSource images(spec, notes);
    machine::MachineProfile profile = cli::ProfileOf(notebook);
    images.LayUnder(profile, "notebook.json");
    benchmark::DoNotOptimize(cli::MakePlan(profile, "notebook.json").scheme);
  }
}
BENCHMARK_CAPTURE(BM_PlanWithImage, hive, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlanWithImage, wim_with_1gib, true)->Unit(benchmark::kMillisecond);

// The matrix of the generated fleet in memory, every machine over one image read once (the
// reading is BM_PlanWithImage's), against BM_Matrix's fleet without an image.
void BM_MatrixWithImage(benchmark::State& state) {
  const auto fleet = testing::GenerateFleet(static_cast<std::size_t>(state.range(0)));
  std::ostringstream notes;
  cli::ImageSource images(Files().hive, notes);
  for (auto _ : state) {
    std::vector<cli::Plan> plans;
    plans.reserve(fleet.size());
    for (std::size_t i = 0; i < fleet.size(); ++i) {
      machine::MachineProfile profile = cli::ProfileOf(fleet[i]);
      images.LayUnder(profile, "");
      plans.push_back(cli::MakePlan(profile, "machine-" + std::to_string(i) + ".json",
                                    cli::PlanSettings::kCatalog));
    }
    benchmark::DoNotOptimize(cli::MatrixTable(plans, cli::TableFormat::kMarkdown).size());
  }
  state.counters["machines_per_s"] = benchmark::Counter(
      static_cast<double>(fleet.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_MatrixWithImage)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace presetra
