// A Wine-style machine for the install benchmarks: a prefix whose drive C:
// holds terminal folders, a kit whose Signal Provider package is padded to a
// given size, and the command line run against them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_common.h"

namespace copyloom::bench {

class Machine {
 public:
  // Everything lives below root: prefix/, kit/, appdata/.
  explicit Machine(std::string root);

  // The sample kit with the Signal Provider package grown to files files of
  // bytes in total (its own files count).
  void MakeKit(int files, int64_t bytes);
  // Signs the package as it is now with the build's test key (false without
  // minisign or one); Signed(false) sets the signature aside, Signed(true)
  // puts it back, so that one kit is measured both ways.
  bool SignKit();
  void Signed(bool on);
  // The package folder the kit installs.
  std::string PackageFolder() const;

  // count terminal folders C:\T0000... (config, experts, terminal.exe), all
  // made anew; the list in the settings file is kept.
  void MakeTerminals(int count);

  // copyloom --kit ... --data-dir ... args, with the prefix as WINEPREFIX.
  ChildRun Copyloom(const std::vector<std::string>& args) const;

  const std::string& root() const { return root_; }
  std::string drive_c() const { return root_ + "/prefix/drive_c"; }

 private:
  std::string root_;
};

// The command line program and the sample kit of this build.
std::string CopyloomProgram();
std::string SampleKit();

}  // namespace copyloom::bench
