#include "bench/support/cold_process.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <utility>

#include <benchmark/benchmark.h>

extern char** environ;

namespace bench {
namespace {

constexpr std::string_view kChildFlag = "--cold-step";

// A field of /proc/self/status given in kB, in bytes; 0 when missing.
std::size_t StatusBytes(std::string_view field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.compare(0, field.size(), field) == 0 && line.size() > field.size() &&
        line[field.size()] == ':') {
      return std::stoull(line.substr(field.size() + 1)) * 1024;
    }
  }
  return 0;
}

std::size_t ResidentBytes() { return StatusBytes("VmRSS"); }

// Makes the peak resident memory start again from the resident memory now.
void ResetPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  if (!clear) {
    std::fprintf(stderr, "cannot reset the peak resident memory\n");
    std::exit(1);
  }
}

long MinorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

}  // namespace

StepFigures MeasureStep(const std::function<void()>& step) {
  ResetPeakResident();
  const std::size_t residentBefore = ResidentBytes();
  const long faultsBefore = MinorFaults();
  const auto start = std::chrono::steady_clock::now();
  step();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const long faults = MinorFaults() - faultsBefore;
  const std::size_t peak = StatusBytes("VmHWM");
  return {elapsed.count(), static_cast<double>(faults),
          peak > residentBefore ? static_cast<double>(peak - residentBefore) : 0.0,
          static_cast<double>(peak)};
}

std::size_t PageBytes() { return static_cast<std::size_t>(sysconf(_SC_PAGESIZE)); }

std::optional<std::string> OutputOfProcess(std::vector<std::string> arguments) {
  int output[2];
  if (pipe(output) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, output[0]);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  std::string printed;
  char buffer[256];
  for (ssize_t got; spawned == 0 && (got = read(output[0], buffer, sizeof buffer)) > 0;) {
    printed.append(buffer, static_cast<std::size_t>(got));
  }
  close(output[0]);
  int status = 0;
  if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  return printed;
}

std::vector<double> RunInFreshProcess(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {std::filesystem::read_symlink("/proc/self/exe").string(),
                                      std::string(kChildFlag)};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const std::optional<std::string> printed = OutputOfProcess(std::move(command));
  if (!printed) return {};
  std::istringstream figures(*printed);
  std::vector<double> values;
  for (double value; figures >> value;) values.push_back(value);
  return values;
}

int ColdBenchmarkMain(int argc, char** argv, const ChildStep& step) {
  if (argc >= 2 && argv[1] == kChildFlag) {
    const std::vector<double> figures = step(std::vector<std::string>(argv + 2, argv + argc));
    if (figures.empty()) return 1;
    for (const double figure : figures) std::printf("%.17g\n", figure);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

BenchFolder::BenchFolder() {
  std::string name = (std::filesystem::temp_directory_path() / "loadgen-bench-XXXXXX").string();
  if (::mkdtemp(name.data()) == nullptr) std::abort();
  folder_ = name;
}

BenchFolder::~BenchFolder() { std::filesystem::remove_all(folder_); }

std::string BenchFolder::Native(const std::string& name) const {
  return (std::filesystem::path(folder_) / name).string();
}

}  // namespace bench
