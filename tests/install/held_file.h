// A file held by a Windows program (tests/install/hold_file_program.cc) for
// the life of the object, the way a running terminal holds the copier's
// library: the Windows tests start the program directly, the POSIX tests
// through "wine" in the prefix of $WINEPREFIX when COPYLOOM_HOLD_FILE_EXE
// names the program (else available() is false and the test is skipped).
#pragma once

#include <memory>
#include <string>

namespace copyloom::test {

class HeldFile {
 public:
  // native_path: a native path of this platform (TempDir::Join).
  explicit HeldFile(const std::wstring& native_path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  static bool available();
  // The program said it holds the file.
  bool holding() const;
  // Lets go of the file and waits until the program has ended.
  void Release();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace copyloom::test
