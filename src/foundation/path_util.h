// Path and text rules shared by every layer. Stateless; both "\" and "/" are
// separators; folder paths produced here end with "\" unless empty.
#pragma once

#include <string>
#include <vector>

namespace copyloom {

using TextList = std::vector<std::wstring>;

// Replaces every non-overlapping occurrence, left to right, case-sensitive;
// returns the count. An empty search text replaces nothing.
int ReplaceAll(std::wstring* text, const std::wstring& from, const std::wstring& to);

// Fills "{0}" placeholders: every occurrence.
std::wstring FillPlaceholder(std::wstring text, const std::wstring& value);

// Case mapping of Latin, Greek and Cyrillic letters, the same on every
// platform; other characters are unchanged.
std::wstring ToLower(std::wstring text);
std::wstring ToUpper(std::wstring text);
std::wstring TrimWhite(const std::wstring& text);
// Removes the whole run of characters of the set at each end.
std::wstring TrimLeftChars(const std::wstring& text, const std::wstring& set);
std::wstring TrimRightChars(const std::wstring& text, const std::wstring& set);
std::wstring TrimChars(const std::wstring& text, const std::wstring& set);
bool StartsWith(const std::wstring& text, const std::wstring& prefix);
bool EndsWith(const std::wstring& text, const std::wstring& suffix);

// Splits at every separator; returns the number of pieces now in list.
int SplitText(const std::wstring& text, const std::wstring& separator, TextList* list,
              bool drop_empty);

std::wstring GetPathFileName(const std::wstring& path, bool keep_extension = true);
std::wstring GetPathExtension(const std::wstring& path, bool with_dot = false);
std::wstring GetPathFolder(const std::wstring& path);
std::wstring NormalizeFilePath(const std::wstring& path);
std::wstring NormalizeUrlPath(const std::wstring& text);

// A name Windows can give a file or folder: not empty, not "." or "..", no
// control character and none of \ / : * ? " < > |.
bool IsWindowsFileName(const std::wstring& name);
// The path when it is a Windows one ("X:\..." or "\\server\share\..."), with
// "/" made "\" and "." and ".." resolved as text (never above the drive or
// the share); empty for anything else: a native path ("/home/x"), a
// relative one, a device path ("\\?\...", "\\.\..."). A trailing
// separator is kept.
std::wstring WindowsPathOrEmpty(const std::wstring& path);
// A folder read from a file or registry value that someone else may have
// written (a saved list, an install path, a shell folder): WindowsPathOrEmpty.
// Only on a machine without drives (POSIX with no Wine prefix) is a native
// path all there is, and it is taken as it stands.
std::wstring FolderFromOthers(const std::wstring& path);

std::wstring GetCommandLineArgs();
// Makes GetCommandLineArgs answer this text (the window program's own
// options taken out); nullptr restores the real one.
void SetCommandLineArgsOverride(const std::wstring* args);
std::wstring GetProgramPath();
// Makes GetProgramPath (and so the program folder) answer this path: the
// command line's --kit acts as if the program had been started there. An
// empty path restores the real one.
void SetProgramPathOverride(const std::wstring& path);
std::wstring GetProgramFolder();
// With a trailing separator ("\\" added unless one of either kind ends it).
// The Windows and temporary folders fall back to "C:\\" when the platform's
// answer is shorter than 3 characters; the system folder stays empty.
std::wstring GetWindowsFolder();
std::wstring GetTempFolder();
std::wstring GetSystemFolder();

// A short tag (at most 20 characters, no separators) naming a folder; the
// program folder when folder is empty. Known long words are abbreviated.
std::wstring MakeFolderTag(const std::wstring& folder);

// Converts with the system's ANSI code page.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);

}  // namespace copyloom
