// The interface texts of the installer window, one table per language, and
// the window's text slots that InitTexts fills from them.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace copyloom {

// Every text the window shows, by the name the commands use. The value is
// also the text's slot number.
enum class TextKey : int {
  TerminalsLabel,
  SelectFolderPrompt,
  SelectInstallPrompt,
  SelectRemovePrompt,
  ColumnDirectory,
  ColumnType,
  ColumnState,
  TypeProvider,
  TypeReceiver,
  InstallProviderCaption,
  InstallReceiverCaption,
  HelpCaption,
  ContactCaption,
  ExitCaption,
  AddCaption,
  RemoveCaption,
  SearchAgainCaption,
  UninstallCaption,
  InstallCompleted,
  InstallFailed,
  NeedRestart,
  NeedReload,
  Installing,
  DoneText,
  UninstallCompleted,
  UninstallNothing,
  UninstallFailed,
  Uninstalling,
  SelectUninstallPrompt,
  InstallCanceled,
  InvalidTerminalFolder,
  InstallFileMissing,
  ClickToLaunchCaption,
  LoadEaCaption,
  SelectAllCaption,
  InverseCaption,
  LaunchCaption,
  OpenFolderCaption,
  BusyText,
  CommandRunningText,
  NothingChanged,  // follows a failed row's text when its terminal was put back
  // Material made by others.
  BrokenFile,
  UnusableKitName,
  UnusableFolderName,
  // Signed kits.
  KitNotGenuine,
  KitUnsigned,
  KitSignatureRequired,
  // Why a write failed, when it is not a running terminal holding a file.
  CauseNoSpace,
  CauseNoPermission,
  CauseReadOnly,
  CauseMissing,
  CauseNotAFile,
  CauseTooLarge,
  CauseBadName,
  CausePathTooLong,
  CauseIoError,
  CauseOther,
  FailedTerminalsHeader,
  KitDowngrade,
  // A file held by a program that is no terminal (the settings file).
  CauseInUse,
  // The terminal list could not be written to clinst.cfg; its cause follows.
  ListNotSaved,
  FailedUninstallsHeader,
  // A web link of the about box that could not be opened: the head, then
  // the text of the shell's result number ({0} in the unknown one).
  LinkOpenFailed,
  LinkOutOfResources,
  LinkFileNotFound,
  LinkPathNotFound,
  LinkAccessDenied,
  LinkOutOfMemory,
  LinkBadExe,
  LinkSharingViolation,
  LinkAssociationIncomplete,
  LinkDdeTimeout,
  LinkDdeFailed,
  LinkDdeBusy,
  LinkNoAssociation,
  LinkDllNotFound,
  LinkUnknownError,
  LastKey_ = LinkUnknownError,
};

inline constexpr int kTextKeyCount = static_cast<int>(TextKey::LastKey_) + 1;
inline constexpr int kTextSlotCount = 100;

// The tabled text of a key: language 1 is Chinese, any other English.
std::wstring_view TableText(TextKey key, int language);

// The expert-advisor edition's caption of the Install Signal Provider button.
std::wstring_view ShortInstallCaption(int language);

// The window's 100 text slots; the slots of the keys are filled, the rest
// stay empty.
class InterfaceTexts {
 public:
  const std::wstring& Get(TextKey key) const { return slots_[static_cast<int>(key)]; }
  const std::wstring& operator[](TextKey key) const { return Get(key); }
  // Empty for a slot number outside 0..99.
  const std::wstring& Slot(int index) const;
  void Set(TextKey key, std::wstring text) { slots_[static_cast<int>(key)] = std::move(text); }

 private:
  std::array<std::wstring, kTextSlotCount> slots_;
};

// Fills every key's slot in the language (1 Chinese, else English); without
// the side chooser (expert-advisor edition) the install button gets the
// short caption.
InterfaceTexts InitTexts(int language_index, bool side_chooser);

// The same for the running process: languageIndex and the profile's side
// chooser.
InterfaceTexts InitTexts();

}  // namespace copyloom
