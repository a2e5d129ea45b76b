// The seam to the operating system. Everything the product needs from the
// platform that is not user interface is declared here; win32/ and posix/
// each implement all of it and CMake builds one of them.
//
// Paths are wide texts. On Windows they go to the W functions unchanged. On
// POSIX they pass through a Wine-compatible mapper: "\" and "/" are both
// separators, "C:\x" maps through the drive table of the Wine prefix, a
// component that does not exist with the exact case is matched ignoring case,
// and native paths ("/home/me/mt4") are used as they are.
//
// Contracts shared by both implementations (tests run the same cases on both):
// - A missing file or folder is "does not exist", never an error.
// - No function throws; failures are a Status (kind, path, system text),
//   false, -1, empty results or nullptr.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.h"

namespace copyloom::platform {

// ---------------------------------------------------------------- files ---

struct FileAttributes {
  bool exists = false;
  bool is_folder = false;
  bool read_only = false;
  // Symbolic link, junction or other reparse point: never descended into.
  bool is_link = false;
};

// Attributes of the path itself (a link is reported as the link, with
// is_folder telling whether its target is a folder).
FileAttributes QueryAttributes(const std::wstring& path);

// Sets or clears the read-only attribute (POSIX: the write permission bits).
Status SetReadOnly(const std::wstring& path, bool read_only);

// Creates one folder; its parent must exist. False when it already exists.
Status CreateOneFolder(const std::wstring& path);

// Removes an empty folder.
bool RemoveEmptyFolder(const std::wstring& path);

// Copies a file's content (and, where the platform does, its times and
// attributes). With fail_if_exists set, an existing destination makes the
// copy fail and stay untouched. The copy goes to a temporary file in the
// destination's folder first and replaces the destination in one step, so
// a crash leaves the old file or the new one; a destination that is
// read-only or held open without sharing is refused and kept.
Status CopyOneFile(const std::wstring& source, const std::wstring& destination, bool fail_if_exists);

// Replaces (or creates) a file with the bytes, in one step as CopyOneFile
// does, keeping its attributes; refused the same way. Its folder must exist.
Status WriteWholeFile(const std::wstring& path, const std::string& bytes);

// Deletes a file (not a folder). A read-only file is not deleted.
Status RemoveOneFile(const std::wstring& path);

// Renames a file, replacing an existing destination. A link is renamed or
// replaced itself, never its target.
Status RenameOverFile(const std::wstring& from, const std::wstring& to);

// ------------------------------------------------------- transactions ---
// The steps a transaction builds a terminal's change from: stage every file
// beside its destination, make them durable in one pass, then rename them
// in (RenameOverFile), keeping what they replace until the end.

// True when a replacement of path would not be refused now: it is missing,
// a link (replaced itself, never written through) or a writable regular
// file that nobody holds.
Status CanReplaceFile(const std::wstring& path);

// Writes a copy of source, or the bytes, to staged: a new file beside
// destination, not yet durable. Refused as a replacement of destination
// would be; a new file follows the umask (POSIX), a replacement keeps the
// mode or attributes of the file it replaces. Nothing is left on failure.
Status StageCopy(const std::wstring& source, const std::wstring& destination,
               const std::wstring& staged);
Status StageBytes(const std::string& bytes, const std::wstring& destination,
                const std::wstring& staged);

// Makes the files durable in one pass: POSIX syncs each file system holding
// them once; Windows flushes each file. Skipped under SetSkipSync.
Status SyncPass(const std::vector<std::wstring>& paths);

// Makes durable the names changed in the folders holding these paths (files
// created, renamed or removed there since), each folder once. POSIX fsyncs
// each folder; Windows flushes each folder handle where the volume lets it
// (NTFS logs every name change and renames go write-through, so a folder it
// cannot open for flushing is no failure). A folder that does not exist
// holds nothing to sync. Skipped under SetSkipSync.
Status SyncFolders(const std::vector<std::wstring>& paths);

// What a dry run can know without writing. CheckCanWrite: path (a file or
// a folder, or where one would be made) can be written by this user, on a
// file system mounted for writing. CheckFreeSpace: the file system holding
// folder has bytes free for this user. The failure names path or folder.
Status CheckCanWrite(const std::wstring& path);
Status CheckFreeSpace(const std::wstring& folder, uint64_t bytes);

// The process id, for names unique between processes.
uint32_t CurrentProcessId();

struct DirEntry {
  std::wstring name;
  bool is_folder = false;
  bool is_link = false;
};

// Lists the entries of folder whose names match pattern ("*" and "?",
// ignoring case, as FindFirstFileW does; "*" and "*.*" match everything).
// "." and ".." are never returned. False when the folder cannot be listed.
// Order: the platform's; the POSIX build sorts names ignoring case, the way
// NTFS returns them, so that both builds agree.
bool ListEntries(const std::wstring& folder, const std::wstring& pattern,
                 std::vector<DirEntry>* entries);

// Called for each entry a walk meets, with its path below the walked folder
// ("a\b\name"); true enters a folder entry.
using WalkVisitor = std::function<bool(const std::wstring& below, const DirEntry& entry)>;

// Walks the tree below folder depth first: each folder's entries matching
// pattern, in ListEntries' order, go to visit, and a folder it enters is
// walked before the next entry. Links and junctions are never entered. Each
// folder listed counts as ListEntries does and may fail as it does. Costs
// one lookup of folder, not one per level: the POSIX build walks by handle.
// False when a folder (folder itself included) could not be listed; the
// others still are.
bool WalkFolder(const std::wstring& folder, const std::wstring& pattern, const WalkVisitor& visit);

enum class OpenMode {
  kReadShareAll,   // read; others may read and write meanwhile
  kReadShareRead,  // read; others may read but not write
  kWriteTruncate,  // write, no sharing, create or truncate
  kWriteAppend,    // write, no sharing, create or append at the end
  kReadWrite,      // read and write an existing file ("rb+")
  kWriteShareAll,  // open for changing times or attributes only
};

class File {
 public:
  virtual ~File() = default;
  // Reads up to size bytes; *read gets the count (0 at the end of file).
  virtual bool Read(void* buffer, size_t size, size_t* read) = 0;
  // All of data, or the cause (a full disk, a lost device) said of the file.
  virtual Status Write(const void* data, size_t size) = 0;
  virtual bool Seek(uint64_t offset) = 0;
  // Size in bytes, -1 when it cannot be read.
  virtual int64_t Size() = 0;
  // Makes what was written durable through this handle (fsync,
  // FlushFileBuffers): a journal held without sharing, which SyncPass cannot
  // open again, or bytes patched in place. Skipped under SetSkipSync.
  virtual bool Sync() { return true; }
};

// nullptr when the file cannot be opened in that mode. Folders cannot be
// opened, except in kWriteShareAll where a folder's times can be set. Only
// regular files open: a FIFO, a device or a socket is refused at once,
// never waited on.
std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode);

// How much of each kind of file is read at most. Material from others may
// be a link to /dev/zero or a file of gigabytes; past its cap a file is
// broken rather than read.
inline constexpr uint64_t kSmallFileCap = 64ull << 10;      // origin.txt, lastprofile.ini
inline constexpr uint64_t kProfileFileCap = 16ull << 20;    // chart profiles, experts.ini
inline constexpr uint64_t kSettingsFileCap = 64ull << 20;   // clinst.cfg
inline constexpr uint64_t kRegistryFileCap = 512ull << 20;  // user.reg, system.reg (streamed)

enum class ReadStatus {
  kOk,
  kMissing,  // no such file
  kBroken,   // not a regular file, over the cap, or unreadable
};

// The whole of a regular file of at most cap bytes; *bytes is left empty
// on failure, whose kind says why: kMissing (no such file), kTooLarge (over
// the cap), kNotRegularFile (a folder, a FIFO, a device), or the system's.
Status ReadCappedFile(const std::wstring& path, uint64_t cap, std::string* bytes);
// A file was there but could not be read whole (ReadStatus::kBroken).
inline bool FoundBroken(const Status& read) {
  return !read.ok() && read.kind() != FailureKind::kMissing;
}

// A settings or registry file found broken (see ReadCappedFile) since the
// last call, then forgotten; empty when none. Such a file reads as empty
// and is never written, and the run reports it.
std::wstring TakeBrokenSettingsFile();
// Used by the implementations.
void NoteBrokenSettingsFile(const std::wstring& path);

// True when another program holds the file: Windows, an open fails with a
// sharing violation; POSIX, another handle has a lock on it, a Wine process
// of the prefix holds it, or (a ".exe") a running process maps it or names it
// in its command line. A file that merely cannot be written (read-only,
// a read-only mount, no rights) is not in use; nor is a missing file or a
// folder.
bool IsFileInUse(const std::wstring& path);

// An exclusive lock on a file (created when missing), held while the object
// lives. Windows: an open without sharing plus a lock on its first byte;
// POSIX: flock plus a record lock on that byte, which is what Wine turns the
// Windows byte lock into, so the two builds exclude each other on one prefix.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

// nullptr when the lock is not taken; *busy then tells whether someone else
// holds it (rather than the file not being creatable or openable).
std::unique_ptr<FileLock> TryLockFile(const std::wstring& path, bool* busy);

// A file that a running program holds open or mapped is neither replaced by
// CopyOneFile nor deleted by RemoveOneFile, and counts as in use, as on
// Windows. The POSIX build looks such files up in /proc (Wine keeps its
// sharing to itself); while a snapshot lives it uses the files held when the
// snapshot was made instead of looking them up at each call. Open one around
// the work on one terminal, and one around a command's rows: a snapshot made
// while another lives reuses it. Windows sees sharing itself and ignores it.
class HeldFilesSnapshot {
 public:
  HeldFilesSnapshot();
  ~HeldFilesSnapshot();
  HeldFilesSnapshot(const HeldFilesSnapshot&) = delete;
  HeldFilesSnapshot& operator=(const HeldFilesSnapshot&) = delete;

 private:
  std::shared_ptr<const void> previous_;
};

// The drive-letter form of a native path inside a drive of the Wine prefix
// ("/home/me/.wine/drive_c/MT4" -> "C:\MT4", whatever spelling of the folder
// reaches it); any other path comes back as given. A drive that maps the
// whole native root (Wine's "Z:") does not count, else every path would be
// inside one. Windows has no native paths: the path comes back as given.
std::wstring DriveLetterPath(const std::wstring& path);

// True when both paths name one existing file or folder however spelled
// (links, letter case, 8.3 names): same device and inode on POSIX, same
// volume and file index on Windows.
bool IsSameFile(const std::wstring& a, const std::wstring& b);

// File times in Windows FILETIME units: 100 ns since 1601-01-01 UTC.
struct FileTimes {
  int64_t creation = 0;
  int64_t last_access = 0;
  int64_t last_write = 0;
};

enum class TimeKind { kCreation = 1, kLastAccess = 2, kLastWrite = 3 };

// Works for folders too. POSIX reports the last-write time as the creation
// time, as Wine does.
bool GetFileTimes(const std::wstring& path, FileTimes* times);

// Sets one of the times. POSIX cannot set a creation time; like Wine it
// accepts the request and changes nothing.
bool SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime);

// --------------------------------------------------------------- drives ---

// The logical drives as GetLogicalDriveStringsW returns them: "C:\" "\0"
// "D:\" "\0" ... Empty when they cannot be read.
std::wstring LogicalDriveStrings();

// GetDriveTypeW's answer for a root such as "C:" or "C:\"
// (0 unknown, 1 no root, 2 removable, 3 fixed, 4 remote, 5 cd-rom, 6 ram).
int DriveType(const std::wstring& root);
constexpr int kDriveFixed = 3;

// ------------------------------------------------------------- registry ---

enum class RegRoot { kCurrentUser, kLocalMachine };

// An open registry key, read only.
class RegKey {
 public:
  virtual ~RegKey() = default;
  // The value's data as text, whole (embedded zeros kept, no terminator),
  // whatever its registry type. False when the value is missing.
  virtual bool QueryValue(const std::wstring& name, std::wstring* data) = 0;
  // The name of value number index, in the registry's order; false past the
  // last one.
  virtual bool EnumValueName(uint32_t index, std::wstring* name) = 0;
};

// nullptr when the key cannot be opened. Key paths use "\" and match
// ignoring case. full_access asks for KEY_ALL_ACCESS instead of KEY_READ
// (the POSIX store is read only and grants both).
std::unique_ptr<RegKey> OpenRegKey(RegRoot root, const std::wstring& path, bool full_access);

// ------------------------------------------------------ process & system ---

// Full path of the running program file; empty on failure.
std::wstring ProgramPath();

// The process's whole command line, as GetCommandLineW gives it.
std::wstring CommandLine();

// The process's current folder; empty when it cannot be read.
std::wstring CurrentFolder();

// An environment variable of this process; nullopt when it is not set.
std::optional<std::wstring> EnvironmentValue(const wchar_t* name);

// The Windows, system and temporary folders as the platform reports them,
// empty when it has none. POSIX: the prefix's "C:\windows",
// "C:\windows\system32" (empty without a prefix) and the prefix's user temp
// folder or else $TMPDIR or /tmp.
std::wstring WindowsFolder();
std::wstring SystemFolder();
std::wstring TempFolder();

// True inside a Wine prefix: the Windows build when ntdll exports
// wine_get_version, the POSIX build always (it works on a prefix's files).
bool RunsUnderWine();

// A path as the user finds it in a file manager, for messages: POSIX the
// native file name; the Windows build under Wine the Unix name Wine maps it
// to; else the path as given.
std::wstring NativePathText(const std::wstring& path);

// Creates one folder. Empty when it was made or already is a folder, else
// the system's reason ("Permission denied").
std::wstring CreateFolderReason(const std::wstring& path);

// Where a link at path leads when it leads nowhere (a prefix copied from
// another user links Documents to a home that is not there); empty for
// anything else. POSIX only: the Windows build returns empty.
std::wstring DanglingLinkTarget(const std::wstring& path);

// True for a link at path that leads nowhere. The Windows build under Wine
// sees no such link in listings or attributes, only that its folder holds
// the name (FindFirstFileW on it answers "no more files", not "not found"),
// and never where it leads.
bool LeadsNowhere(const std::wstring& path);

enum class SpecialFolder { kAppData, kLocalAppData, kPersonal };

// Where a special folder goes when the shell-folder registry values are
// missing: "C:\Windows\" on Windows; the XDG folders on POSIX
// ($XDG_CONFIG_HOME or ~/.config, $XDG_DATA_HOME or ~/.local/share,
// $XDG_DOCUMENTS_DIR or ~/Documents). Ends with a separator.
// With a Wine prefix whose registry names no such folder, Wine's own default
// inside the prefix instead: C:\users\<user>\AppData\Roaming\, ...\Local\,
// ...\Documents\ (<user> as Wine names the running user).
std::wstring FallbackSpecialFolder(SpecialFolder which);

// A shell folder as the running user sees it: under Wine a folder in another
// user's profile (a prefix copied from alice, run by bob) moves to the running
// user's, as Wine expands every one from C:\users\<running user>; elsewhere
// the folder as given.
std::wstring ForCurrentUser(const std::wstring& shell_folder);

// Milliseconds since start-up, wrapping at 2^32.
uint32_t TickCount();

void SleepMs(uint32_t milliseconds);

// The user's default language id and the system's default locale id
// (2052 = Chinese, PRC). POSIX: from the locale environment.
uint32_t UserDefaultLanguage();
uint32_t SystemDefaultLocale();

// Now, as local date and time text in the user's default locale format
// (date and time both shown), for log lines.
std::wstring LocalDateTimeNowText();

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Conversions between FILETIME units (UTC) and local calendar fields.
bool FileTimeToLocal(int64_t filetime, LocalTime* local);
bool LocalToFileTime(const LocalTime& local, int64_t* filetime);

// Opens a file or folder with its associated program ("open").
bool ShellOpen(const std::wstring& path);

// Starts a program with its working folder; does not wait for it.
bool LaunchProgram(const std::wstring& program, const std::wstring& folder);

// ------------------------------------------------------------ code pages ---

// The system's ANSI code page. POSIX: the one Wine picks for the locale
// (zh_CN 936, ja 932, ko 949, zh_TW 950, ru 1251, ..., else 1252), or
// COPYLOOM_ANSI_CODEPAGE when set.
unsigned AnsiCodePage();

constexpr size_t kNoUnmappable = static_cast<size_t>(-1);

// Converts to the code page; a character it cannot represent becomes its
// default character ("?"). *first_unmappable (when given) gets the index of
// the first such character in text, or kNoUnmappable.
std::string WideToCodePage(unsigned code_page, const std::wstring& text,
                           size_t* first_unmappable = nullptr);

// Converts from the code page; invalid bytes become U+FFFD (POSIX) or what
// MultiByteToWideChar makes of them.
std::wstring CodePageToWide(unsigned code_page, const std::string& bytes);

// UTF-8, for the few places that talk to POSIX or to the console.
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

// ------------------------------------------------------ version resource ---

// The FileVersion string of each translation of the file's version resource,
// in the order of its translation table (an entry without a FileVersion
// string gives an empty text). False when the file has no version resource.
bool ReadFileVersions(const std::wstring& path, std::vector<std::wstring>* versions);

// ------------------------------------------------------- settings files ---

// The private-profile functions. Sections and keys match ignoring case; one
// matching pair of outer quotes is stripped; spaces around keys and values are
// trimmed; the first section of a name and the first key of a name win.
// A missing file, section or key reads as empty. The value comes back whole,
// whatever its length.
std::wstring ProfileRead(const std::wstring& file, const std::wstring& section,
                         const std::wstring& key);

// Writes key=value into the section, creating the section or the file (ANSI
// code page, CRLF) as needed; an existing key keeps its place and its case.
// A file starting with a UTF-16LE byte-order mark is read and written as
// UTF-16LE; an ANSI file turns into one (its other lines kept) when the
// section, key or value is not all ASCII, so that no other code page can
// misread it. The file is
// replaced in one step, as WriteWholeFile does. A failure names the file.
Status ProfileWrite(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                  const std::wstring& value);

// ------------------------------------------------------------ stopping ---

// From now on the first SIGINT, SIGTERM or SIGHUP (Windows: Ctrl+C,
// Ctrl+Break, a closed console) only asks the run to stop after the terminal
// in progress; a second SIGINT (Ctrl+C) ends the process at once.
void WatchStopRequests();

// 0 while no stop was asked for, else the exit status it asks for: 130
// (SIGINT, Ctrl+C), 143 (SIGTERM, Ctrl+Break), 129 (SIGHUP, a closed console).
int StopRequested();

}  // namespace copyloom::platform
