#include "terminals/saved_list_codec.h"

#include <algorithm>

#include "foundation/path_util.h"

namespace copyloom {

std::wstring EncodeSavedList(const std::vector<SavedTerminal>& entries) {
  std::wstring saved;
  for (RowType group : {RowType::kProvider, RowType::kReceiver, RowType::kOther}) {
    for (const auto& entry : entries) {
      if (entry.type != group) continue;
      saved += entry.ticked ? L'1' : L'0';
      saved += static_cast<wchar_t>(entry.type);
      saved += entry.folder + L"*" + entry.state + L"|";
    }
  }
  return saved;
}

std::vector<SavedTerminal> DecodeSavedList(const std::wstring& text) {
  std::vector<SavedTerminal> entries;
  TextList pieces;
  SplitText(text, L"|", &pieces, true);
  for (std::wstring& piece : pieces) {
    SavedTerminal entry;
    const size_t star = piece.find(L'*');
    if (star != std::wstring::npos) {
      entry.state = piece.substr(star + 1);
      piece.resize(star);
    }
    if (piece.size() < 3 ||
        std::any_of(piece.begin(), piece.end(), [](wchar_t c) { return c < L' '; })) {
      continue;
    }
    entry.ticked = piece[0] == L'1';
    entry.type = piece[1] == L'1'   ? RowType::kProvider
                 : piece[1] == L'2' ? RowType::kReceiver
                                    : RowType::kOther;
    entry.folder = piece.substr(2);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace copyloom
