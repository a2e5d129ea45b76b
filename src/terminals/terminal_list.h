// The terminal list of the window: its columns, its persistence under the
// key "PATH" of clinst.cfg, and the commands that extend and prune it.
//
// Folders are compared whole (ignoring letter case, separator style and a
// trailing separator), so a folder that is a leading part of another, or one
// reported twice, is never lost or doubled.
#pragma once

#include <string>
#include <vector>

#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "terminals/installer_view.h"
#include "terminals/saved_list_codec.h"

namespace copyloom {

// Keys of clinst.cfg (section "MAIN").
inline constexpr wchar_t kKeyPath[] = L"PATH";
inline constexpr wchar_t kKeyClickToLaunch[] = L"CLICKTOLAUNCH";
inline constexpr wchar_t kKeyLoadEaAuto[] = L"LOADEAAUTO";
inline constexpr wchar_t kKeyWidth[] = L"W";
inline constexpr wchar_t kKeyHeight[] = L"H";
inline constexpr wchar_t kSettingsFileName[] = L"clinst.cfg";

// Binds clinst.cfg in the profile's settings folder, creating the folder so
// that the first save of a fresh machine is not lost. The first run with a
// list of its own (inside a Wine prefix) takes over what SharedListToTake
// gives, leaving the shared file as it is.
void BindInstallerSettings();

// A row's type from the text of its Type column, and back.
RowType RowTypeOf(const std::wstring& type, const InterfaceTexts& texts);
std::wstring RowTypeText(RowType type, const InterfaceTexts& texts);

// The form two folders are compared in (case, separator style and trailing
// separators ignored).
// Whether a saved row stays: its folder exists, or lies on a drive that is
// not mapped now.
bool KeptFolder(const CFileCtrl& files, const std::wstring& folder);

std::wstring TerminalFolderKey(const std::wstring& folder);

// A state as it is saved: line breaks as "#", a cancelled install empty.
std::wstring StoredState(std::wstring state, const InterfaceTexts& texts);

// The rows a prefix takes from the list all prefixes shared in the data
// folder, when its own settings file does not exist yet: each folder that
// exists here, with its tick (Type and State may describe another prefix's
// terminal of that path). Empty when there is nothing to take.
std::wstring SharedListToTake();

// True when both name the same folder.
bool SameFolder(const std::wstring& a, const std::wstring& b);

// "X:\" (a drive root keeps its separator).
bool IsDriveRoot(const std::wstring& folder);

// How a folder is shown in column 1: trailing separators removed unless it is
// a drive root.
std::wstring RowFolderText(const std::wstring& folder);

// The row index showing this folder, or -1.
int FindRow(const InstallerView& view, const std::wstring& folder);

// The columns for the window's width and edition.
std::vector<ColumnSpec> TerminalColumns(const InterfaceTexts& texts, int window_width,
                                        bool expert_advisor_edition);

// Sets up the columns and rebuilds the rows from "PATH" (or from saved when
// given); with no saved list starts the search timer.
void RestoreTerminalList(InstallerView& view, const std::wstring* saved = nullptr);

// The "PATH" text of the rows: Provider rows, then Receiver rows, then the rest.
std::wstring BuildSavedTerminalList(const InstallerView& view);

// Writes "PATH" (merged with others' saves when the view shares the list).
// A list that could not be written is said in a message with its cause and
// the failure returned; a shared list's save left for later while another
// run holds the lock (kHeld) is returned but not said: the window's next
// refresh makes it.
platform::Status SaveTerminalList(InstallerView& view);

// The message for a list that could not be saved: ListNotSaved, then on a
// line of its own the cause naming the settings file.
std::wstring ListNotSavedText(const platform::Status& cause, const InterfaceTexts& texts);

// Appends the found folders ("|"-separated) that are not rows yet; returns
// how many were added. Does not save. Folders left out because the list
// could not hold their names (unusable) are shown in one message.
int MergeFoundTerminals(InstallerView& view, const std::wstring& found,
                        const TextList& unusable = {});

// Add (button 1034): picks a folder, checks it, appends it and saves. A
// folder already listed is selected instead of added twice. Returns the row
// of the folder, or -1.
int OnAddTerminal(InstallerView& view);

// Adds a given folder as Add does after the picker (the command line's way);
// a terminal's data folder adds its installation. Returns the row, or -1
// (InvalidTerminalFolder shown).
int AddTerminalFolder(InstallerView& view, const std::wstring& folder);

// Remove (button 1023): the ticked rows, else the selected row. False when
// refused with BusyText while busy.
bool OnRemoveTerminals(InstallerView& view);

// A click on a row: shows its state's details when it has any worth showing.
void OnRowClicked(InstallerView& view, int row);

// The details text shown for a state ("#" and " - " become line breaks,
// braces go).
std::wstring StateDetailsText(const std::wstring& state);

void OnSelectAll(InstallerView& view);
void OnInverse(InstallerView& view);

// Check boxes 1086 and 1089: a box is ticked when its key is empty or absent.
void RestoreCheckBoxes(InstallerView& view);
void OnCheckBoxClicked(InstallerView& view, CheckBoxId box);

}  // namespace copyloom
