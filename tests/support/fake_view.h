// A window for tests: rows in memory, every message box recorded, prompts
// answered as the test says, and a hook to run "queued" commands when a long
// command pumps messages.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/text_table.h"
#include "terminals/installer_view.h"

namespace copyloom::test {

class FakeView : public InstallerView {
 public:
  explicit FakeView(InterfaceTexts texts = InitTexts(0, true)) : texts_(std::move(texts)) {}

  struct Message {
    std::wstring text;
    bool ok_cancel = false;
  };

  // ---- what the test reads
  std::vector<TerminalRow> rows;
  std::vector<ColumnSpec> columns;
  std::vector<Message> messages;
  std::vector<std::wstring> opened;  // ShellOpen
  int search_timer_starts = 0;
  int pumps = 0;
  bool busy_label_shown = false;

  // ---- what the test sets
  std::deque<bool> ok_cancel_answers;   // default Cancel
  std::deque<std::wstring> picked_folders;  // default cancelled
  std::function<void()> on_pump;        // runs inside PumpPendingMessages
  int window_width = 700;
  int selection_mark = -1;
  bool searching = false;
  bool running = false;
  bool click_to_launch = true;
  bool load_ea_auto = true;

  std::vector<std::wstring> MessageTexts() const {
    std::vector<std::wstring> out;
    for (const auto& m : messages) out.push_back(m.text);
    return out;
  }
  std::vector<std::wstring> Folders() const {
    std::vector<std::wstring> out;
    for (const auto& r : rows) out.push_back(r.folder);
    return out;
  }
  int AddRow(const std::wstring& folder, bool ticked = false, const std::wstring& type = L"",
             const std::wstring& state = L"") {
    rows.push_back({ticked, folder, type, state});
    return static_cast<int>(rows.size()) - 1;
  }

  // ---- InstallerView
  int RowCount() const override { return static_cast<int>(rows.size()); }
  bool IsTicked(int row) const override { return rows.at(row).ticked; }
  void SetTicked(int row, bool ticked) override { rows.at(row).ticked = ticked; }
  std::wstring CellText(int row, int column) const override {
    const auto& r = rows.at(row);
    if (column == kColumnFolder) return r.folder;
    if (column == kColumnType) return r.type;
    if (column == kColumnState) return r.state;
    return L"";
  }
  void SetCellText(int row, int column, const std::wstring& text) override {
    auto& r = rows.at(row);
    if (column == kColumnFolder) r.folder = text;
    if (column == kColumnType) r.type = text;
    if (column == kColumnState) r.state = text;
  }
  int AppendRow(const std::wstring& folder) override { return AddRow(folder); }
  void DeleteRow(int row) override {
    rows.erase(rows.begin() + row);
    if (selection_mark == row) selection_mark = -1;
    if (selection_mark > row) --selection_mark;
  }
  void ResetList(const std::vector<ColumnSpec>& new_columns) override {
    rows.clear();
    columns = new_columns;
    selection_mark = -1;
  }
  int SelectionMark() const override { return selection_mark; }
  void SetSelectionMark(int row) override { selection_mark = row; }
  const InterfaceTexts& Texts() const override { return texts_; }
  bool IsSearching() const override { return searching; }
  void SetSearching(bool value) override { searching = value; }
  bool IsCommandRunning() const override { return running; }
  void SetCommandRunning(bool value) override { running = value; }
  bool IsChecked(CheckBoxId box) const override {
    return box == kCheckClickToLaunch ? click_to_launch : load_ea_auto;
  }
  void SetChecked(CheckBoxId box, bool checked) override {
    (box == kCheckClickToLaunch ? click_to_launch : load_ea_auto) = checked;
  }
  void ShowBusy(bool busy) override { busy_label_shown = busy; }
  int WindowWidth() const override { return window_width; }
  void ShowMessage(const std::wstring& text) override { messages.push_back({text, false}); }
  bool AskOkCancel(const std::wstring& text) override {
    messages.push_back({text, true});
    if (ok_cancel_answers.empty()) return false;
    bool answer = ok_cancel_answers.front();
    ok_cancel_answers.pop_front();
    return answer;
  }
  std::wstring BrowseForFolder(const std::wstring& title) override {
    browse_titles.push_back(title);
    if (picked_folders.empty()) return L"";
    std::wstring folder = picked_folders.front();
    picked_folders.pop_front();
    return folder;
  }
  void PumpPendingMessages() override {
    ++pumps;
    if (on_pump) {
      auto hook = on_pump;
      hook();
    }
  }
  void StartSearchTimer() override { ++search_timer_starts; }
  void ShellOpen(const std::wstring& path) override { opened.push_back(path); }

  std::vector<std::wstring> browse_titles;

 private:
  InterfaceTexts texts_;
};

}  // namespace copyloom::test
