// Plain timing code shared by the benchmark programs: arguments, running an
// anchor tool as a child process, medians, data files and the table rows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace copyloom::bench {

// "--name value" pairs; the values are sizes, counts and folders.
class Args {
 public:
  Args(int argc, char** argv);
  std::string Text(const std::string& name, const std::string& fallback) const;
  int64_t Number(const std::string& name, int64_t fallback) const;
  // The data folder of this run (made when missing); --data.
  const std::string& data() const { return data_; }
  // Repetitions of each measurement; --reps.
  int reps() const { return reps_; }

 private:
  std::map<std::string, std::string> values_;
  std::string data_;
  int reps_ = 5;
};

double Now();
// Processor time of this process so far (user and system).
double CpuNow();

// Wall and processor times of repeated runs; medians of each.
struct Series {
  std::vector<double> wall, cpu;
  void Add(double w, double c) {
    wall.push_back(w);
    cpu.push_back(c);
  }
  double Wall() const;
  double Cpu() const;
};

// Times fn in this process.
void TimeInProcess(Series* series, const std::function<void()>& fn);

struct ChildRun {
  double seconds = 0;
  double cpu = 0;        // the child's user and system time
  int64_t peak_kib = 0;  // the child's peak resident set
  bool ok = false;       // exited with status 0
};

// Runs argv (searched on PATH) with standard output sent to out_file and
// extra "NAME=value" entries added to the environment.
ChildRun RunChild(const std::vector<std::string>& argv, const std::string& out_file = "/dev/null",
                  const std::vector<std::string>& env = {});

// Fails the program with a message when a run went wrong: a benchmark of a
// broken run measures nothing.
void Require(bool ok, const std::string& what);

double Median(std::vector<double> values);

enum class Content { kBinary, kText };

// Writes size pseudo-random bytes (fixed seed), with text placed at offset
// when text is not empty. kText makes lines of lower-case words instead.
void WriteDataFile(const std::string& path, int64_t size, uint64_t seed,
                   const std::string& text = "", int64_t offset = 0,
                   Content content = Content::kBinary);

void MakeFolders(const std::string& path);
void RemoveTree(const std::string& path);

// "12.3 ms", "1.23 s".
std::string FormatSeconds(double seconds);
// "0.29x".
std::string FormatRatio(double ratio);
// "1.2 GB/s" (decimal units, as the anchor tools print).
std::string FormatRate(double bytes, double seconds);
std::string FormatMib(int64_t kib);

// One Markdown table row: figure | copyloom | anchor | ratio | CPU ratio |
// goal.
void PrintRow(const std::string& figure, const std::string& ours, const std::string& anchor,
              const std::string& ratio, const std::string& cpu_ratio, const std::string& goal);

// Reads the file once, so that every measured pass starts from a warm cache.
void WarmUp(const std::string& path);

}  // namespace copyloom::bench
