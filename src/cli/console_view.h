// The command line's window: the rows in memory, message boxes collected
// (and printed unless the output is JSON), prompts answered without a user,
// and one progress line per handled row.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/text_table.h"
#include "terminals/installer_view.h"

namespace copyloom::cli {

class ConsoleView : public InstallerView {
 public:
  using Printer = std::function<void(const std::wstring& line)>;

  ConsoleView(InterfaceTexts texts, bool answer_yes, Printer printer);

  // ---- what the command line reads
  const std::vector<TerminalRow>& rows() const { return rows_; }
  const std::vector<std::wstring>& messages() const { return messages_; }
  bool search_timer_started() const { return search_timer_started_; }
  void ClearSearchTimer() { search_timer_started_ = false; }

  // Progress: the next `total` handled rows print "[i/n] FOLDER: STATE" when
  // each one ends. FinishProgress prints the last one.
  void BeginProgress(int total);
  void FinishProgress();
  // States of the rows handled since BeginProgress, in order.
  const std::vector<std::wstring>& handled_states() const { return handled_states_; }

  // ---- InstallerView
  int RowCount() const override;
  bool IsTicked(int row) const override;
  void SetTicked(int row, bool ticked) override;
  std::wstring CellText(int row, int column) const override;
  void SetCellText(int row, int column, const std::wstring& text) override;
  int AppendRow(const std::wstring& folder) override;
  void DeleteRow(int row) override;
  void ResetList(const std::vector<ColumnSpec>& columns) override;
  int SelectionMark() const override { return selection_mark_; }
  void SetSelectionMark(int row) override { selection_mark_ = row; }
  const InterfaceTexts& Texts() const override { return texts_; }
  bool IsSearching() const override { return searching_; }
  void SetSearching(bool searching) override { searching_ = searching; }
  bool IsCommandRunning() const override { return running_; }
  void SetCommandRunning(bool running) override { running_ = running; }
  bool IsChecked(CheckBoxId box) const override;
  void SetChecked(CheckBoxId box, bool checked) override;
  void ShowBusy(bool busy) override;
  int WindowWidth() const override { return 720; }
  void ShowMessage(const std::wstring& text) override;
  bool AskOkCancel(const std::wstring& text) override;
  // There is no one to pick a folder: always cancelled.
  std::wstring BrowseForFolder(const std::wstring& title) override { return L""; }
  void PumpPendingMessages() override {}
  void StartSearchTimer() override { search_timer_started_ = true; }
  void ShellOpen(const std::wstring& path) override;

 private:
  void FlushRow();

  InterfaceTexts texts_;
  bool answer_yes_;
  Printer print_;
  std::vector<TerminalRow> rows_;
  std::vector<std::wstring> messages_;
  int selection_mark_ = -1;
  bool searching_ = false;
  bool running_ = false;
  bool click_to_launch_ = true;
  bool load_ea_auto_ = true;
  bool search_timer_started_ = false;

  int progress_total_ = 0;
  int progress_done_ = 0;
  int pending_row_ = -1;
  std::vector<std::wstring> handled_states_;
};

}  // namespace copyloom::cli
