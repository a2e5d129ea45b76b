#include "cli/console_view.h"


#include "foundation/path_util.h"
#include "platform/platform.h"

namespace copyloom::cli {

ConsoleView::ConsoleView(InterfaceTexts texts, bool answer_yes, Printer printer)
    : texts_(std::move(texts)), answer_yes_(answer_yes), print_(std::move(printer)) {}

void ConsoleView::BeginProgress(int total) {
  progress_total_ = total;
  progress_done_ = 0;
  pending_row_ = -1;
  handled_states_.clear();
}

namespace {

// The window's "#" between a message and its detail: a line of its own here.
std::wstring OnSeparateLines(std::wstring text) {
  ReplaceAll(&text, L"#", L"\n  ");
  return text;
}

}  // namespace

void ConsoleView::FlushRow() {
  if (pending_row_ < 0) return;
  const int row = pending_row_;
  pending_row_ = -1;
  if (row >= RowCount()) return;
  ++progress_done_;
  const TerminalRow& r = rows_[row];
  handled_states_.push_back(r.state);
  print_(L"[" + std::to_wstring(progress_done_) + L"/" + std::to_wstring(progress_total_) + L"] " +
         r.folder + L": " + OnSeparateLines(r.state));
}

void ConsoleView::FinishProgress() { FlushRow(); }

int ConsoleView::RowCount() const { return static_cast<int>(rows_.size()); }

bool ConsoleView::IsTicked(int row) const {
  return row >= 0 && row < RowCount() && rows_[row].ticked;
}

void ConsoleView::SetTicked(int row, bool ticked) {
  if (row >= 0 && row < RowCount()) rows_[row].ticked = ticked;
}

std::wstring ConsoleView::CellText(int row, int column) const {
  if (row < 0 || row >= RowCount()) return L"";
  const TerminalRow& r = rows_[row];
  switch (column) {
    case kColumnFolder:
      return r.folder;
    case kColumnType:
      return r.type;
    case kColumnState:
      return r.state;
    default:
      return L"";
  }
}

void ConsoleView::SetCellText(int row, int column, const std::wstring& text) {
  if (row < 0 || row >= RowCount()) return;
  TerminalRow& r = rows_[row];
  if (column == kColumnFolder) r.folder = text;
  if (column == kColumnType) r.type = text;
  if (column != kColumnState) return;
  // A row starts when a command marks it as in progress; the previous one
  // has then ended.
  if (text == texts_[TextKey::Installing] || text == texts_[TextKey::Uninstalling]) {
    FlushRow();
    pending_row_ = row;
  }
  r.state = text;
}

int ConsoleView::AppendRow(const std::wstring& folder) {
  rows_.push_back(TerminalRow{false, folder, L"", L""});
  return RowCount() - 1;
}

void ConsoleView::DeleteRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  rows_.erase(rows_.begin() + row);
  if (selection_mark_ == row) selection_mark_ = -1;
  if (selection_mark_ > row) --selection_mark_;
  if (pending_row_ == row) pending_row_ = -1;
  if (pending_row_ > row) --pending_row_;
}

void ConsoleView::ResetList(const std::vector<ColumnSpec>&) {
  rows_.clear();
  selection_mark_ = -1;
}

bool ConsoleView::IsChecked(CheckBoxId box) const {
  return box == kCheckClickToLaunch ? click_to_launch_ : load_ea_auto_;
}

void ConsoleView::SetChecked(CheckBoxId box, bool checked) {
  (box == kCheckClickToLaunch ? click_to_launch_ : load_ea_auto_) = checked;
}

void ConsoleView::ShowBusy(bool busy) {
  if (busy) print_(texts_[TextKey::BusyText]);
}

void ConsoleView::ShowMessage(const std::wstring& text) {
  FlushRow();  // the row that just ended prints before the closing message
  messages_.push_back(text);
  print_(OnSeparateLines(text));
}

bool ConsoleView::AskOkCancel(const std::wstring& text) {
  FlushRow();
  messages_.push_back(text);
  print_(text + (answer_yes_ ? L" [OK]" : L" [Cancel]"));
  return answer_yes_;
}

void ConsoleView::ShellOpen(const std::wstring& path) {
  // COPYLOOM_SHELL=none: say what would be opened, open nothing (scripts, tests).
  const bool dry = platform::EnvironmentValue(L"COPYLOOM_SHELL") == L"none";
  print_(L"Opening " + path);
  if (dry) return;
  // A program starts in its own folder (under Wine on Linux).
  if (EndsWith(ToLower(path), L".exe")) {
    const size_t cut = path.find_last_of(L"\\/");
    if (platform::LaunchProgram(path, cut == std::wstring::npos ? L"" : path.substr(0, cut + 1))) {
      return;
    }
  }
  platform::ShellOpen(path);
}

}  // namespace copyloom::cli
