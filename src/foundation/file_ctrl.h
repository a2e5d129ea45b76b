// Every file and folder operation of the installer. Stateless. Failures are
// result values (see each operation); nothing here shows a message.
#pragma once

#include "platform/failure.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/path_util.h"

namespace copyloom {

class CFileCtrl {
 public:
  enum TimeKind { kCreation = 1, kLastAccess = 2, kLastWrite = 3 };

  virtual ~CFileCtrl() = default;

  bool FolderExists(const std::wstring& path) const;
  bool FileExists(const std::wstring& path) const;
  // The whole content; empty when the file cannot be opened.
  std::string ReadWholeFile(const std::wstring& path) const;
  // Text in the ANSI code page, cut at the first character it cannot
  // represent. False for an empty path, an open failure or a failed write.
  platform::Status WriteTextFile(const std::wstring& path, const std::wstring& text, bool replace) const;
  // "\r\n" + text when the file exists, else text; appended.
  platform::Status AppendTextLine(const std::wstring& path, const std::wstring& text) const;
  // Byte offset of the first occurrence of the text's ANSI bytes; -1 when
  // absent, the file is missing or the text is empty. One pass over the file.
  int64_t FindTextInFile(const std::wstring& path, const std::wstring& text) const;
  // True without copying when !overwrite and the destination file exists.
  // Creates the destination's folder chain first.
  platform::Status CopyFileTo(const std::wstring& source, const std::wstring& destination,
                  bool overwrite) const;
  // Size in bytes, the whole of it; -1 when the file cannot be opened.
  double GetFileLength(const std::wstring& path) const;
  platform::Status CreateFolderTree(const std::wstring& folder) const;
  // True when no such file exists.
  platform::Status DeleteFileIfPresent(const std::wstring& path) const;
  // Full paths, never followed by "\"; recursion does not enter links.
  // False when a folder that exists could not be listed (a missing one
  // lists as empty). An entry whose name Windows could not hold (a Linux
  // name with "\" or "|", say) is left out, and its full path added to
  // *unusable when given: such a name would be read as a path.
  bool ListFolder(const std::wstring& path, TextList* list, bool want_files, bool recursive,
                  const std::wstring& pattern = L"", TextList* unusable = nullptr) const;
  bool IsFileInUse(const std::wstring& path) const;
  // "%d-%d-%d %d:%d:%d" local time; empty when the path does not exist.
  std::wstring GetFileTimeText(const std::wstring& path, int kind = kLastWrite) const;
  bool SetFileTimeText(const std::wstring& path, const std::wstring& text,
                       int kind = kLastWrite) const;
  // Chosen folder with "\" appended; empty when cancelled or when no picker
  // has been installed (the window installs one).
  std::wstring BrowseForFolder(const std::wstring& title, const std::wstring& initial_folder) const;
  std::wstring GetFileVersionText(const std::wstring& path) const;
  std::wstring GetProgramVersionText() const;
  std::wstring FindFileVersionText(const std::wstring& fragment) const;
  // MD5 of the whole content, 32 lower-case hex digits; empty for a missing
  // path, a folder, a file of length 0 or a file that cannot be read.
  std::wstring GetFileDigest(const std::wstring& path) const;

  // The folder picker is the window's; it installs it here.
  using FolderPicker =
      std::function<std::wstring(const std::wstring& title, const std::wstring& initial_folder)>;
  static void SetFolderPicker(FolderPicker picker);
};

// The FileVersion texts of a version resource as one text: blanks removed,
// "," made ".", translations joined by ";" ("1, 0, 0, 5" -> "1.0.0.5").
std::wstring JoinVersionTexts(const std::vector<std::wstring>& versions);

}  // namespace copyloom
