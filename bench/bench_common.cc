#include "bench/bench_common.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

extern char** environ;

namespace copyloom::bench {

Args::Args(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string name = argv[i];
    if (name.rfind("--", 0) != 0) {
      std::cerr << "usage: " << argv[0] << " --data DIR [--reps N] [--name value]...\n";
      std::exit(2);
    }
    values_[name.substr(2)] = argv[i + 1];
  }
  data_ = Text("data", "");
  Require(!data_.empty(), "--data DIR is required");
  MakeFolders(data_);
  reps_ = static_cast<int>(std::max<int64_t>(1, Number("reps", 5)));
}

std::string Args::Text(const std::string& name, const std::string& fallback) const {
  auto it = values_.find(name);
  return it == values_.end() ? fallback : it->second;
}

int64_t Args::Number(const std::string& name, int64_t fallback) const {
  auto it = values_.find(name);
  return it == values_.end() ? fallback : std::strtoll(it->second.c_str(), nullptr, 10);
}

double Now() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

double CpuNow() {
  struct timespec t = {};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Series::Wall() const { return Median(wall); }
double Series::Cpu() const { return Median(cpu); }

void TimeInProcess(Series* series, const std::function<void()>& fn) {
  const double wall = Now(), cpu = CpuNow();
  fn();
  series->Add(Now() - wall, CpuNow() - cpu);
}

ChildRun RunChild(const std::vector<std::string>& argv, const std::string& out_file,
                  const std::vector<std::string>& env) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> env_texts;
  // A variable given here replaces the inherited one: getenv takes the
  // first of two, so appending alone would leave the parent's in force.
  auto overridden = [&](const std::string& inherited) {
    const std::string name = inherited.substr(0, inherited.find('=') + 1);
    for (const auto& e : env) {
      if (e.compare(0, name.size(), name) == 0) return true;
    }
    return false;
  };
  for (char** e = environ; *e; ++e) {
    if (!overridden(*e)) env_texts.push_back(*e);
  }
  for (const auto& e : env) env_texts.push_back(e);
  std::vector<char*> envp;
  for (auto& e : env_texts) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  ChildRun run;
  const double start = Now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  struct rusage usage = {};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = Now() - start;
  run.peak_kib = usage.ru_maxrss;
  auto seconds = [](const struct timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
  run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

void Require(bool ok, const std::string& what) {
  if (ok) return;
  std::cerr << "benchmark failed: " << what << "\n";
  std::exit(1);
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

void WriteDataFile(const std::string& path, int64_t size, uint64_t seed, const std::string& text,
                   int64_t offset, Content content) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  Require(out != nullptr, "cannot write " + path);
  std::vector<uint64_t> block(1 << 17);
  uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  int64_t left = size;
  while (left > 0) {
    // splitmix64: fast, and the same bytes on every run.
    for (auto& word : block) {
      uint64_t z = (state += 0x9E3779B97F4A7C15ull);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      word = z ^ (z >> 31);
    }
    if (content == Content::kText) {
      // Letters, a space about every sixth byte, a line break about every 64th.
      auto* bytes = reinterpret_cast<unsigned char*>(block.data());
      for (size_t i = 0; i < block.size() * 8; ++i) {
        const unsigned v = bytes[i];
        bytes[i] = v < 4 ? '\n' : v < 44 ? ' ' : static_cast<unsigned char>('a' + v % 26);
      }
    }
    const size_t n = static_cast<size_t>(std::min<int64_t>(left, block.size() * 8));
    Require(std::fwrite(block.data(), 1, n, out) == n, "short write to " + path);
    left -= static_cast<int64_t>(n);
  }
  if (!text.empty()) {
    Require(std::fseek(out, static_cast<long>(offset), SEEK_SET) == 0 &&
                std::fwrite(text.data(), 1, text.size(), out) == text.size(),
            "cannot place the text in " + path);
  }
  Require(std::fclose(out) == 0, "cannot close " + path);
}

void MakeFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  Require(!error, "cannot make " + path);
}

void RemoveTree(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
}

std::string FormatSeconds(double seconds) {
  char text[64];
  if (seconds < 1) {
    std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  }
  return text;
}

std::string FormatRatio(double ratio) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2fx", ratio);
  return text;
}

std::string FormatRate(double bytes, double seconds) {
  char text[64];
  const double rate = seconds > 0 ? bytes / seconds : 0;
  if (rate >= 1e9) {
    std::snprintf(text, sizeof text, "%.2f GB/s", rate / 1e9);
  } else {
    std::snprintf(text, sizeof text, "%.0f MB/s", rate / 1e6);
  }
  return text;
}

std::string FormatMib(int64_t kib) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f MiB", kib / 1024.0);
  return text;
}

void PrintRow(const std::string& figure, const std::string& ours, const std::string& anchor,
              const std::string& ratio, const std::string& cpu_ratio, const std::string& goal) {
  std::cout << "| " << figure << " | " << ours << " | " << anchor << " | " << ratio << " | "
            << cpu_ratio << " | " << goal << " |" << std::endl;
}

void WarmUp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
  }
}

}  // namespace copyloom::bench
