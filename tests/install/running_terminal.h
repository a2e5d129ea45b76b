// Makes a terminal look running to the in-use test, the way a real one does
// on each platform, for the life of the object.
#pragma once

#include <memory>
#include <string>

namespace copyloom::test {

class RunningTerminal {
 public:
  // native_exe: the terminal's terminal.exe as a native path (TempDir::Join).
  explicit RunningTerminal(const std::wstring& native_exe);
  ~RunningTerminal();
  RunningTerminal(const RunningTerminal&) = delete;
  RunningTerminal& operator=(const RunningTerminal&) = delete;

  bool running() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace copyloom::test
