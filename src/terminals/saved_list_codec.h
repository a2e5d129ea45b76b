// The bytes of clinst.cfg's "PATH": one entry a row, each "TYfolder*state|",
// where T is the tick ('1' ticked, '0' not) and Y the row's type. Provider
// entries come first, then Receiver entries, then the rest. This is the one
// place that writes or reads the form; the file's encoding (ANSI or UTF-16)
// is the settings store's.
#pragma once

#include <string>
#include <vector>

namespace copyloom {

// A row's type as stored.
enum class RowType : wchar_t { kOther = L'0', kProvider = L'1', kReceiver = L'2' };

// One entry of "PATH".
struct SavedTerminal {
  bool ticked = false;
  RowType type = RowType::kOther;
  std::wstring folder;
  std::wstring state;
};

// The "PATH" text of the entries, grouped by type as above.
std::wstring EncodeSavedList(const std::vector<SavedTerminal>& entries);

// The entries of a "PATH" text as they stand, in order: an entry shorter than
// three characters before its state, or with a character below a space there
// (which no Windows name holds and the next save would not keep), is
// skipped. A type other than '1' or '2' reads as kOther. Folders are not
// checked nor made unique.
std::vector<SavedTerminal> DecodeSavedList(const std::wstring& text);

}  // namespace copyloom
