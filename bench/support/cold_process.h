#pragma once

// Measuring a step cold: in a process of its own, so that every page it touches is fresh,
// as it is for the user who does it once in a new window. A loop of warm iterations
// reuses the pages of the one before and hides exactly that cost.
//
// A benchmark program starts itself again with the arguments of one step; its main returns
// ColdBenchmarkMain, which in the child runs the step and prints its figures to standard
// output. The parent reads the figures back from RunInFreshProcess.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// What one step cost.
struct StepFigures {
  double seconds = 0;
  // Minor page faults, from getrusage: mostly pages touched for the first time.
  double minorFaults = 0;
  // How far the peak resident memory rose above the resident memory at the step's start.
  double peakGrowthBytes = 0;
  // The peak resident memory of the whole process during the step.
  double peakBytes = 0;
};

// Runs step once and measures it. The peak resident memory is reset before it starts.
StepFigures MeasureStep(const std::function<void()>& step);

// The size of a memory page.
std::size_t PageBytes();

// Runs the program arguments[0] with the arguments after it and returns what it printed on
// standard output; nothing when it could not start or did not exit with 0.
std::optional<std::string> OutputOfProcess(std::vector<std::string> arguments);

// Runs the step that the arguments name in a fresh copy of this program and returns the
// figures it printed; empty when the child failed.
std::vector<double> RunInFreshProcess(const std::vector<std::string>& arguments);

// A step of a child: from its arguments to its figures. An empty result is a failure.
using ChildStep = std::function<std::vector<double>(const std::vector<std::string>& arguments)>;

// The main of a benchmark program: when argv asks for a child's step, runs it and prints
// its figures; otherwise runs the benchmarks that argv selects. Returns the exit code.
int ColdBenchmarkMain(int argc, char** argv, const ChildStep& step);

// A folder of the program's own on the disk, removed when the program ends.
class BenchFolder {
 public:
  BenchFolder();
  ~BenchFolder();
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;

  std::string Native(const std::string& name) const;

 private:
  std::string folder_;
};

}  // namespace bench
