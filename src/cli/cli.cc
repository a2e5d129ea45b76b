#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "app/process_objects.h"
#include "app/product_profile.h"
#include "app/run_texts.h"
#include "app/self_check.h"
#include "app/text_table.h"
#include "cli/command_help.h"
#include "cli/console_view.h"
#include "cli/data_lock.h"
#include "cli/dir_argument.h"
#include "cli/input_checks.h"
#include "cli/prefixes.h"
#include "cli/status_command.h"
#include "cli/verify_command.h"
#include "cli/window_command.h"
#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "install/install_commands.h"
#include "install/installed_kit.h"
#include "install/kit_manifest.h"
#include "install/launch_commands.h"
#include "install/result_text.h"
#include "install/support_files.h"
#include "install/row_outcome.h"
#include "install/transaction.h"
#include "install/uninstall.h"
#include "platform/path_rules.h"
#include "platform/platform.h"
#include "platform/prefix.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_layout.h"
#include "terminals/terminal_list.h"

namespace copyloom::cli {
namespace {

// Set while a run in each prefix gathers one prefix's JSON output.
std::string* g_printed = nullptr;

void WriteUtf8(FILE* stream, const std::string& text) {
  if (stream == stdout && g_printed) {
    g_printed->append(text);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

std::wstring WithSeparator(std::wstring folder) {
  if (!folder.empty() && !IsSeparator(folder.back())) {
    folder += folder.find(L'\\') != std::wstring::npos || folder[1] == L':' ? L'\\' : L'/';
  }
  return folder;
}

struct Command;

struct Options {
  std::wstring kit;
  std::wstring data_dir;
  std::wstring prefix;
  bool all_prefixes = false;
  bool json = false;
  bool yes = false;
  bool version = false;
  std::string command;
  const Command* row = nullptr;  // the command's row in kCommands
  std::string side;  // install, window
  std::vector<std::wstring> dirs;
  bool all = false;
  bool ticked = false;  // remove
  std::optional<bool> chart;
  bool dry_run = false;  // install, uninstall
  bool require_signature = false;  // install
  bool allow_downgrade = false;    // install
  // kit manifest
  std::string kit_action;
  std::string kit_name, kit_version, kit_sides;
};

// A changed file's path relative to the row's data folder, "\" separated.
std::wstring RelativeChangePath(const std::wstring& row_folder, std::wstring path) {
  auto windows = [](std::wstring text) {
    std::replace(text.begin(), text.end(), L'/', L'\\');
    return text;
  };
  std::wstring data_folder = windows(ResolveTerminalLayout(row_folder).data_folder);
  if (!data_folder.empty() && data_folder.back() != L'\\') data_folder += L'\\';
  path = windows(path);
  if (data_folder.size() > 1 && ToLower(path).rfind(ToLower(data_folder), 0) == 0) {
    path = path.substr(data_folder.size());
  }
  return path;
}

// What a run produced, for the exit status.
struct Outcome {
  bool failed = false;
};

class Runner {
 public:
  Runner(const Options& options, const std::wstring& current_folder, ConsoleView* view)
      : options_(options), current_(current_folder), view_(*view) {}

  int Run();
  // Set when status ran: its rows replace the list's in the JSON output.
  const std::vector<StatusEntry>* status_entries() const {
    return options_.command == "status" ? &status_entries_ : nullptr;
  }
  // Set when verify ran: its report is the JSON output.
  const nlohmann::ordered_json* verify_json() const {
    return options_.command == "verify" && !verify_json_.is_null() ? &verify_json_ : nullptr;
  }

  // The commands on the terminal list (handlers of kCommands).
  void List();
  void Search();
  void Add();
  void Remove();
  void Install();
  void Uninstall();
  void Deploy();
  void Launch();
  void Open();
  void StatusCommand() { status_exit_ = Status(); }
  void VerifyCommand() { status_exit_ = Verify(); }

 private:
  int Status();
  int Verify();
  // The status of the DIR arguments' rows (all listed rows without any),
  // read only; nullopt, after saying so, when the kit has nothing to compare.
  std::optional<std::vector<StatusEntry>> StatusOfArguments(bool* refused);

  // Rows named by the DIR arguments (added first when not listed); false
  // when one of them is no terminal folder.
  bool RowsOfArguments(bool add_missing, std::vector<int>* rows);
  // Ticks exactly the chosen rows for a command, then restores the ticks of
  // the rows it did not choose.
  void RunOnRows(const std::vector<int>& rows, const std::function<void()>& command);
  // Runs a row command on the rows of DIR/--all (or the saved ticks), with
  // one progress line per row; false when a DIR is no terminal folder.
  bool RunOnChosenRows(const std::function<void()>& command);
  int ChosenRowCount() const;
  void PrintRow(const TerminalRow& row);
  void Print(const std::wstring& line) {
    if (!options_.json) WriteUtf8(stdout, Utf8(line) + "\n");
  }
  // A command that would not start fails the run.
  void Note(CommandRefusal refusal) {
    if (refusal != CommandRefusal::kNone) refused_ = true;
  }
  // A row command's value: its refusal, what its rows changed and why they
  // failed.
  void Note(CommandResult result) {
    Note(result.refusal);
    changes = std::move(result.changes);
    failures = std::move(result.failures);
    kit_refusal_ = std::move(result.kit_refusal);
  }
  // Shows a settings or registry file found broken; true when there was one.
  bool ReportBrokenSettings();
  // A dry run's text: each row's folder, then a line per file.
  void PrintPlan();
  // The steps of a run that takes the lock, before its command. True when
  // the kit lacks the package an install asks for (said).
  bool PackageMissing();
  // The support files (not in a dry run); false, after saying why, when
  // they could not be put in place.
  bool DeploySupport();
  // The settings and the list, as the window reads them when it opens.
  void OpenList();
  // One line per failed row: the terminal, the cause and its file; a failed
  // row fails the run.
  void ReportFailures();

  const Options& options_;
  std::wstring current_;
  ConsoleView& view_;
  InstallSession session_;
  std::wstring deploy_result_;
  Outcome outcome_;
  bool refused_ = false;
  std::string kit_refusal_;
  std::vector<StatusEntry> status_entries_;
  int status_exit_ = 0;
  nlohmann::ordered_json verify_json_;
  // The rows a command was to work on, in order: what a stop leaves undone.
  std::vector<std::wstring> chosen_folders_;
  size_t handled_count_ = 0;
  // After a stop asked for by a signal: says which terminals were done.
  void ReportStop();

 public:
  // What install or uninstall changed (or would change) per row folder.
  std::map<std::wstring, std::vector<Change>> changes;
  // Why each failed row failed, per row folder.
  std::map<std::wstring, platform::Status> failures;
  // Why the run's own files failed: the support files or the saved list.
  platform::Status run_failure;
};

struct Parser;

// What a command that runs without the terminal list is given.
struct Context {
  const Invocation& invocation;
  const PrefixOptions& prefix;
};

// One row a command: what --help says of it, its arguments, what runs it,
// and how a run is set up for it. A command runs either on the terminal list
// (on_list: the list is read, and saved when it takes the lock) or alone.
struct Command {
  CommandHelp help;
  void (*arguments)(CLI::App* command, Parser* into);
  void (Runner::*on_list)();
  int (*alone)(const Options& options, const Context& context);
  bool takes_lock;   // else it only reads
  bool each_prefix;  // --all-prefixes runs it
  bool in_prefix;    // runs in the chosen Wine prefix

  bool reads_list() const { return on_list != nullptr; }
};

bool Runner::PackageMissing() {
  if (options_.command != "install") return false;
  const int side = options_.side == "receiver" ? kSideReceiver
                   : options_.side == "provider" && !TheProfile().IsExpertAdvisorEdition()
                       ? kSideProvider
                       : kSideNone;
  const std::wstring missing = MissingPackageText(session_, side);
  if (missing.empty()) return false;
  view_.ShowMessage(missing);
  return true;
}

bool Runner::DeploySupport() {
  // A dry run leaves the machine as it is: no deployment, no settings.
  platform::Status deploy_cause;
  deploy_result_ = options_.dry_run ? kResultSuccess : DeploySupportFiles(&deploy_cause);
  if (IsSuccessResult(deploy_result_)) return true;
  // The message, and why on a line of its own.
  view_.ShowMessage(deploy_cause ? deploy_result_
                                 : deploy_result_ + L"#" + CauseText(deploy_cause, view_.Texts()));
  run_failure = deploy_cause;
  return false;
}

void Runner::OpenList() {
  // A dry run reads the list a real run would see, taking over nothing.
  std::wstring taken;
  if (options_.dry_run) {
    TheConfig().SetConfigFile(TheProfile().settings_folder + kSettingsFileName);
    TheConfig().SetReadOnly(true);
    taken = SharedListToTake();
  } else {
    BindInstallerSettings();
  }
  session_.library_version = FindSupportLibraryVersion();
  if (!session_.library_version.empty()) SetProfileVersionText(session_.library_version);
  RestoreTerminalList(view_, taken.empty() ? nullptr : &taken);
  RestoreCheckBoxes(view_);
  if (view_.search_timer_started()) {
    view_.ClearSearchTimer();
    OnSearchTimer(view_);
  }
  if (options_.chart) view_.SetChecked(kCheckLoadEaAuto, *options_.chart);
}

int Runner::Run() {
  // What opening the window does.
  session_.side = DetectInstallSide(GetProgramPath(), TheProfile().side_chooser);
  // A command that takes no lock only reads.
  if (!options_.row->takes_lock) {
    (this->*options_.row->on_list)();
    return ReportBrokenSettings() ? kExitFailed : status_exit_;
  }
  // A kit without the package asked for is a wrong argument: said before
  // anything is written.
  if (PackageMissing()) return kExitUsage;
  if (!DeploySupport()) return kExitFailed;
  OpenList();
  // A list that could not be read is not worked on, nor saved over.
  if (ReportBrokenSettings()) return kExitFailed;
  // What a killed run left half done is finished or undone first.
  if (!options_.dry_run) {
    for (const auto& row : view_.rows())
      RecoverCutShort(ResolveTerminalLayout(row.folder).data_folder);
  }

  (this->*options_.row->on_list)();
  if (ReportBrokenSettings()) return kExitFailed;

  // What Exit does; a list not saved is said with its cause.
  if (!options_.dry_run) {
    if (platform::Status saved = SaveTerminalList(view_); !saved) {
      run_failure = saved;
      outcome_.failed = true;
    }
  }
  if (const int stopped = platform::StopRequested(); stopped != 0) {
    ReportStop();
    return stopped;
  }
  return outcome_.failed || refused_ ? kExitFailed : kExitOk;
}

void Runner::ReportStop() {
  const size_t done = std::min(handled_count_, chosen_folders_.size());
  view_.ShowMessage(RunMessage(RunText::StoppedBySignal, {std::to_wstring(done),
                                                          std::to_wstring(chosen_folders_.size())}));
  auto join = [&](size_t from, size_t to) {
    std::wstring text;
    for (size_t i = from; i < to; ++i) text += (i > from ? L"; " : L"") + chosen_folders_[i];
    return text;
  };
  if (done > 0) view_.ShowMessage(RunMessage(RunText::StoppedDone, {join(0, done)}));
  if (done < chosen_folders_.size()) {
    view_.ShowMessage(
        RunMessage(RunText::StoppedNotDone, {join(done, chosen_folders_.size())}));
  }
}

bool Runner::ReportBrokenSettings() {
  const std::wstring broken = platform::TakeBrokenSettingsFile();
  if (broken.empty()) return false;
  std::wstring text = view_.Text(TextKey::BrokenFile);
  ReplaceAll(&text, L"{0}", broken);
  view_.ShowMessage(text);
  return true;
}

void Runner::PrintRow(const TerminalRow& row) {
  Print(std::wstring(row.ticked ? L"[x]" : L"[ ]") + L"\t" + row.folder + L"\t" + row.type + L"\t" +
        row.state);
}

bool Runner::RowsOfArguments(bool add_missing, std::vector<int>* rows) {
  bool all_valid = true;
  for (const auto& dir : options_.dirs) {
    const std::wstring folder = AbsoluteFolder(dir, current_);
    int row = FindRow(view_, folder);
    if (row < 0 && add_missing) {
      row = AddTerminalFolder(view_, folder);
      if (row < 0) Note(CommandRefusal::kInvalidFolder);
    }
    if (row < 0) {
      all_valid = false;
      continue;
    }
    if (std::find(rows->begin(), rows->end(), row) == rows->end()) rows->push_back(row);
  }
  return all_valid;
}

int Runner::ChosenRowCount() const {
  int ticked = 0;
  for (int i = 0; i < view_.RowCount(); ++i) ticked += view_.IsTicked(i) ? 1 : 0;
  if (ticked > 0) return ticked;
  return view_.SelectionMark() >= 0 ? 1 : 0;
}

void Runner::RunOnRows(const std::vector<int>& rows, const std::function<void()>& command) {
  // The ticks are the user's (the window's): this run ticks its own rows only
  // for the command, then gives every row its tick back, less the ticks the
  // command cleared (a successful install clears it, as in the window).
  // Keyed by folder: the command may delete rows.
  std::map<std::wstring, bool> saved;
  for (int i = 0; i < view_.RowCount(); ++i) {
    saved[ToLower(view_.CellText(i, kColumnFolder))] = view_.IsTicked(i);
    view_.SetTicked(i, std::find(rows.begin(), rows.end(), i) != rows.end());
  }
  std::map<std::wstring, bool> chosen;
  for (int row : rows) chosen[ToLower(view_.CellText(row, kColumnFolder))] = true;
  view_.SetSelectionMark(-1);
  command();
  for (int i = 0; i < view_.RowCount(); ++i) {
    const std::wstring key = ToLower(view_.CellText(i, kColumnFolder));
    auto it = saved.find(key);
    const bool was_ticked = it != saved.end() && it->second;
    const bool was_chosen = chosen.count(key) > 0;
    view_.SetTicked(i, was_ticked && (!was_chosen || view_.IsTicked(i)));
  }
}

void Runner::List() {
  if (view_.RowCount() == 0) view_.ShowMessage(RunMessage(RunText::NoTerminalFound));
  if (options_.json) return;
  for (const auto& row : view_.rows()) PrintRow(row);
}

void Runner::Search() {
  if (!OnSearchAgain(view_)) Note(CommandRefusal::kBusy);
}

void Runner::Add() {
  for (const auto& dir : options_.dirs) {
    const int row = AddTerminalFolder(view_, AbsoluteFolder(dir, current_));
    if (row < 0) Note(CommandRefusal::kInvalidFolder);
    if (row >= 0) PrintRow(view_.Row(row));
  }
}

void Runner::Remove() {
  if (options_.ticked) {
    view_.SetSelectionMark(-1);
    if (!OnRemoveTerminals(view_)) Note(CommandRefusal::kBusy);
    return;
  }
  std::vector<int> rows;
  RowsOfArguments(false, &rows);
  RunOnRows(rows, [&] {
    if (!OnRemoveTerminals(view_)) Note(CommandRefusal::kBusy);
  });
}

bool Runner::RunOnChosenRows(const std::function<void()>& command) {
  auto with_progress = [&] {
    // As the commands choose: the ticked rows, else the selected one.
    chosen_folders_.clear();
    for (int i = 0; i < view_.RowCount(); ++i) {
      if (view_.IsTicked(i)) chosen_folders_.push_back(view_.CellText(i, kColumnFolder));
    }
    const int mark = view_.SelectionMark();
    if (chosen_folders_.empty() && mark >= 0 && mark < view_.RowCount()) {
      chosen_folders_.push_back(view_.CellText(mark, kColumnFolder));
    }
    view_.BeginProgress(ChosenRowCount());
    command();
    view_.FinishProgress();
    handled_count_ = view_.handled_states().size();
  };
  // Where the window would prompt for a folder or a tick, a run says what
  // to give instead and fails.
  auto nothing_to_do = [&] {
    view_.ShowMessage(RunMessage(RunText::NoRowToWorkOn));
    outcome_.failed = true;
    return false;
  };
  // No DIR and no --all: the saved ticks choose, as in the window.
  if (!options_.all && options_.dirs.empty()) {
    if (ChosenRowCount() == 0) return nothing_to_do();
    with_progress();
    return true;
  }
  std::vector<int> rows;
  if (options_.all) {
    for (int i = 0; i < view_.RowCount(); ++i) rows.push_back(i);
  } else if (!RowsOfArguments(true, &rows)) {
    return false;
  }
  if (rows.empty()) return nothing_to_do();
  RunOnRows(rows, with_progress);
  return true;
}

void Runner::Install() {
  if (!options_.dry_run) platform::WatchStopRequests();
  const CommandOptions run{options_.dry_run};
  const bool ran = RunOnChosenRows([&] {
    if (options_.side == "provider") Note(OnInstallProvider(view_, session_, run));
    if (options_.side == "receiver") Note(OnInstallReceiver(view_, session_, run));
    if (options_.side == "experts") Note(OnInstallExperts(view_, session_, run));
  });
  if (!ran) return;
  // Why a kit was refused, beside the window's message.
  if (!kit_refusal_.empty() && !options_.json) {
    WriteUtf8(stderr, "copyloom: " + kit_refusal_ + "\n");
  }
  PrintPlan();
  ReportFailures();
}

void Runner::Uninstall() {
  if (!options_.dry_run) platform::WatchStopRequests();
  if (!RunOnChosenRows([&] { Note(OnUninstall(view_, {options_.dry_run})); })) return;
  PrintPlan();
  ReportFailures();
}

void Runner::ReportFailures() {
  if (!failures.empty()) outcome_.failed = true;
  for (const auto& [folder, cause] : failures) {
    std::wstring line = L"failed: " + folder + L": " + CauseText(cause, view_.Texts());
    if (cause.kind() == platform::FailureKind::kHeld) line += L" " + platform::HostPath(cause.path());
    if (!cause.system().empty()) line += L" (" + cause.system() + L")";
    Print(line);
  }
}

void Runner::PrintPlan() {
  if (!options_.dry_run) return;
  for (const auto& [folder, list] : changes) {
    Print(folder + L":");
    for (const Change& change : list) {
      Print(L"  " + platform::Utf8ToWide(ChangeActionName(change.action)) + L"\t" +
            RelativeChangePath(folder, change.path));
    }
  }
}

void Runner::Deploy() { view_.ShowMessage(deploy_result_); }

void Runner::Launch() {
  std::vector<int> rows;
  if (!RowsOfArguments(true, &rows) || rows.empty()) return;
  view_.SetSelectionMark(rows.front());
  Note(LaunchTerminal(view_));
}

void Runner::Open() {
  std::vector<int> rows;
  if (!RowsOfArguments(true, &rows) || rows.empty()) return;
  view_.SetSelectionMark(rows.front());
  OpenTerminalFolder(view_);
}

std::optional<std::vector<StatusEntry>> Runner::StatusOfArguments(bool* refused) {
  if (!KitHasPackage(session_)) {
    view_.ShowMessage(RunMessage(RunText::NothingToCompare));
    return std::nullopt;
  }
  RestoreListReadOnly(view_);
  std::vector<std::wstring> dirs;
  for (const auto& dir : options_.dirs) dirs.push_back(AbsoluteFolder(dir, current_));
  return CollectStatus(view_, dirs, session_, refused);
}

int Runner::Status() {
  bool refused = false;
  auto entries = StatusOfArguments(&refused);
  if (!entries) return kExitUsage;
  status_entries_ = std::move(*entries);
  bool all_current = true;
  for (const auto& entry : status_entries_) {
    Print(StatusText(entry));
    all_current = all_current && entry.status.installed == InstalledState::kCurrent;
  }
  return refused || !all_current ? kExitFailed : kExitOk;
}

int Runner::Verify() {
  bool refused = false;
  auto entries = StatusOfArguments(&refused);
  if (!entries) return kExitUsage;
  std::vector<TerminalRow> rows;
  for (const auto& entry : *entries) rows.push_back(entry.row);
  VerifyReport report = VerifyKitsAndTerminals(PackageRoots(session_), rows);
  for (const std::wstring& line : report.lines) Print(line);
  verify_json_ = std::move(report.json);
  return refused || !report.all_good ? kExitFailed : kExitOk;
}

int EndEarly(bool json, int status, const std::wstring& message,
             const std::wstring& chosen_prefix = {}, const platform::Status& cause = {});

// copyloom kit manifest DIR: the manifest of a package folder, for its
// vendor to sign with minisign. Name: the folder's; sides: the one its
// name says (else provider); version: the support library's (else 0).
int WriteKitManifest(const Options& options, const std::wstring& folder) {
  const CFileCtrl files;
  if (!files.FolderExists(folder)) {
    return EndEarly(options.json, kExitUsage, L"no such folder: " + folder);
  }
  KitManifest manifest;
  std::wstring why;
  if (!MakeManifest(folder, &manifest, &why)) {
    return EndEarly(options.json, kExitFailed, L"cannot read a file of the kit: " + why);
  }
  std::wstring name = folder;
  while (!name.empty() && IsSeparator(name.back())) name.pop_back();
  const size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name = name.substr(slash + 1);
  manifest.name = options.kit_name.empty() ? Utf8(name) : options.kit_name;
  std::string version = options.kit_version;
  for (const wchar_t* library :
       {L"experts\\libraries\\vlcpy.dll", L"experts\\libraries\\vlcpyw.dll"}) {
    if (version.empty()) version = Utf8(files.GetFileVersionText(WithSeparator(folder) + library));
  }
  manifest.version = version.empty() ? "0" : version;
  std::string sides = options.kit_sides;
  if (sides.empty()) sides = name.find(L"Receiver") != std::wstring::npos ? "receiver" : "provider";
  std::string side;
  for (size_t i = 0; i <= sides.size(); ++i) {
    if (i < sides.size() && sides[i] != ',') {
      side += sides[i];
      continue;
    }
    if (side != "provider" && side != "receiver") {
      return EndEarly(options.json, kExitUsage, L"--sides takes provider, receiver or both");
    }
    manifest.sides.push_back(side);
    side.clear();
  }
  const std::wstring path = WithSeparator(folder) + kManifestName;
  const std::string text = FormatManifest(manifest);
  auto file = platform::OpenFile(path, platform::OpenMode::kWriteTruncate);
  if (!file || !file->Write(text.data(), text.size())) {
    return EndEarly(options.json, kExitFailed, L"cannot write " + path);
  }
  file.reset();
  if (options.json) {
    nlohmann::ordered_json out;
    out["manifest"] = Utf8(path);
    out["files"] = manifest.files.size();
    out["exit"] = kExitOk;
    WriteUtf8(stdout, out.dump(2) + "\n");
  } else {
    WriteUtf8(stdout, Utf8(path) + "\n");
  }
  return kExitOk;
}

// The parser and the variables it fills, built once per thread: building
// it took most of a parse. Each parse starts from cleared results and fresh
// variables.
struct Parser {
  Options options;
  std::string kit, data_dir, prefix;
  std::vector<std::string> dirs;
  bool chart = false, no_chart = false;
  CLI::App app{"copyloom"};

  Parser();
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  void Reset() {
    options = Options();
    kit.clear();
    data_dir.clear();
    prefix.clear();
    dirs.clear();
    chart = no_chart = false;
    // A parse that threw may have left results behind, in a command too.
    app.clear();
  }
};

int PrefixesCommand(const Options&, const Context& context) { return ListPrefixes(context.prefix); }

int KitCommand(const Options& options, const Context& context) {
  return WriteKitManifest(options,
                          AbsoluteFolder(options.dirs.front(), context.invocation.current_folder));
}

// The window takes the data folder's lock itself, only while it saves.
int WindowCommand(const Options& options, const Context& context) {
  const std::wstring kit =
      options.kit.empty() ? L"" : AbsoluteFolder(options.kit, context.invocation.current_folder);
  return RunWindowCommand({kit, options.side});
}

void DirsRequired(CLI::App* command, Parser* into) {
  command->add_option("DIR", into->dirs)->required();
}
void OneDirRequired(CLI::App* command, Parser* into) {
  command->add_option("DIR", into->dirs)->required()->expected(1);
}
void DirsOrAll(CLI::App* command, Parser* into) {
  command->add_option("DIR", into->dirs);
  command->add_flag("--all", into->options.all);
}

// clang-format off
const Command kCommands[] = {
    {{"list", "", "show the terminal list (tick, folder, type, state)"},
     nullptr, &Runner::List, nullptr, true, true, true},
    {{"search", "", "search the machine for terminals again"},
     nullptr, &Runner::Search, nullptr, true, false, true},
    {{"add", "DIR...", "add terminal folders to the list"},
     DirsRequired, &Runner::Add, nullptr, true, false, true},
    {{"remove", "DIR...|--ticked", "remove rows from the list"},
     [](CLI::App* command, Parser* into) {
       command->add_option("DIR", into->dirs);
       command->add_flag("--ticked", into->options.ticked);
     },
     &Runner::Remove, nullptr, true, false, true},
    {{"install",
      "provider|receiver|experts [DIR...|--all] [--chart|--no-chart] [--dry-run]\n"
      "[--require-signature] [--allow-downgrade]",
      "install into the given, all or the ticked terminals\n"
      "(--require-signature: refuse a kit that is not signed;\n"
      "--allow-downgrade: install over a newer signed kit)"},
     [](CLI::App* command, Parser* into) {
       command->add_option("SIDE", into->options.side)
           ->required()
           ->check(CLI::IsMember({"provider", "receiver", "experts"}));
       command->add_option("DIR", into->dirs);
       command->add_flag("--all", into->options.all);
       command->add_flag("--chart", into->chart);
       command->add_flag("--no-chart", into->no_chart);
       command->add_flag("--dry-run", into->options.dry_run);
       command->add_flag("--require-signature", into->options.require_signature);
       command->add_flag("--allow-downgrade", into->options.allow_downgrade);
     },
     &Runner::Install, nullptr, true, true, true},
    {{"uninstall", "[DIR...|--all] [--dry-run]",
      "uninstall from the given, all or the ticked terminals\n"
      "(--dry-run: say what would change, change nothing)"},
     [](CLI::App* command, Parser* into) {
       command->add_option("DIR", into->dirs);
       command->add_flag("--all", into->options.all);
       command->add_flag("--dry-run", into->options.dry_run);
     },
     &Runner::Uninstall, nullptr, true, true, true},
    {{"deploy", "", "deploy the copier's support files"},
     nullptr, &Runner::Deploy, nullptr, true, false, true},
    {{"launch", "DIR", "start a terminal"},
     OneDirRequired, &Runner::Launch, nullptr, true, false, true},
    {{"open", "DIR", "open the folder that receives a terminal's files"},
     OneDirRequired, &Runner::Open, nullptr, true, false, true},
    {{"status", "[DIR...|--all]",
      "show each terminal's layout and whether the kit is\n"
      "installed and current (changes nothing; exit 1 if not)"},
     DirsOrAll, &Runner::StatusCommand, nullptr, false, true, true},
    {{"verify", "[DIR...|--all]",
      "check the kit against its signature and each terminal\n"
      "against the kit it records (exit 1 on any mismatch)"},
     DirsOrAll, &Runner::VerifyCommand, nullptr, false, true, true},
    {{"kit", "manifest DIR [--name N] [--kit-version V] [--sides S]",
      "write DIR/kit.manifest (sign it: minisign -Sm)"},
     [](CLI::App* command, Parser* into) {
       command->add_option("ACTION", into->options.kit_action)
           ->required()
           ->check(CLI::IsMember({"manifest"}));
       command->add_option("DIR", into->dirs)->required()->expected(1);
       command->add_option("--name", into->options.kit_name);
       command->add_option("--kit-version", into->options.kit_version);
       command->add_option("--sides", into->options.kit_sides);
     },
     nullptr, KitCommand, false, false, false},
    {{"prefixes", "", "list the Wine prefixes (Linux): terminals, saved list"},
     nullptr, nullptr, PrefixesCommand, false, false, false},
    {{"window", "[provider|receiver]", "open the installer window under Wine (Linux)"},
     [](CLI::App* command, Parser* into) {
       command->add_option("SIDE", into->options.side)
           ->check(CLI::IsMember({"provider", "receiver"}));
     },
     nullptr, WindowCommand, false, false, true},
};
// clang-format on

const Command* FindCommand(const std::string& name) {
  for (const Command& command : kCommands) {
    if (name == command.help.name) return &command;
  }
  return nullptr;
}

const std::string& Usage() {
  static const std::string usage = [] {
    std::vector<CommandHelp> help;
    for (const Command& command : kCommands) help.push_back(command.help);
    return UsageText(help);
  }();
  return usage;
}

Parser::Parser() {
  app.set_help_flag("-h,--help");
  app.require_subcommand(0, 1);
  // Global options after the command too ("uninstall --all --yes").
  app.fallthrough();
  app.add_option("--kit", kit);
  app.add_option("--data-dir", data_dir);
  app.add_flag("--json", options.json);
  app.add_flag("--yes", options.yes);
  app.add_flag("--version", options.version);
  app.add_option("--prefix", prefix);
  app.add_flag("--all-prefixes", options.all_prefixes);
  for (const Command& command : kCommands) {
    auto* sub = app.add_subcommand(command.help.name);
    sub->set_help_flag();
    if (command.arguments) command.arguments(sub, this);
  }
}

// CLI11's parse; false with *status set when the run ends here (help asked
// for, or words it cannot read).
bool ParseWords(const std::vector<std::wstring>& args, CLI::App* app, int* status) {
  std::vector<std::string> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(Utf8(*it));
  try {
    app->parse(reversed);
    return true;
  } catch (const CLI::CallForHelp&) {
    WriteUtf8(stdout, Usage());
    *status = kExitOk;
  } catch (const CLI::ParseError& e) {
    WriteUtf8(stderr, std::string("copyloom: ") + e.what() + "\n\n" + Usage());
    // Whoever asked for JSON still gets an object to read.
    if (std::find(args.begin(), args.end(), L"--json") != args.end()) {
      EndEarly(true, kExitUsage, platform::Utf8ToWide(e.what()));
    }
    *status = kExitUsage;
  }
  return false;
}

// What the parser cannot say on its own: combinations of options that
// exclude each other, checked in this order.
struct Combination {
  bool (*broken)(const Parser& parsed);
  const char* why;
};
// clang-format off
const Combination kCombinations[] = {
    {[](const Parser& p) { return p.options.command.empty() && !p.options.version; },
     "a command is required"},
    {[](const Parser& p) { return p.chart && p.no_chart; },
     "--chart and --no-chart exclude each other"},
    {[](const Parser& p) { return p.options.all && !p.dirs.empty(); },
     "give DIR arguments or --all, not both"},
    {[](const Parser& p) { return p.options.command == "remove" && p.options.ticked == !p.dirs.empty(); },
     "remove takes DIR arguments or --ticked"},
    {[](const Parser& p) { return p.options.all_prefixes && !p.prefix.empty(); },
     "give --prefix DIR or --all-prefixes, not both"},
    {[](const Parser& p) { return p.options.all_prefixes && !(p.options.row && p.options.row->each_prefix); },
     "--all-prefixes runs list, status, verify, install or uninstall"},
};
// clang-format on

// The parser's results as the run's options: --chart or --no-chart over the
// side's default, the texts made wide.
Options OptionsOf(const Parser& parsed) {
  Options options = parsed.options;
  if (parsed.chart) options.chart = true;
  if (parsed.no_chart) options.chart = false;
  options.prefix = platform::Utf8ToWide(parsed.prefix);
  options.kit = platform::Utf8ToWide(parsed.kit);
  options.data_dir = platform::Utf8ToWide(parsed.data_dir);
  for (const auto& dir : parsed.dirs) options.dirs.push_back(platform::Utf8ToWide(dir));
  return options;
}

// Parses the arguments; nullopt with *status set when the run ends here.
std::optional<Options> Parse(const std::vector<std::wstring>& args, int* status) {
  // Per thread, as CLI11 keeps its results in the parser.
  thread_local Parser parser;
  parser.Reset();
  if (!ParseWords(args, &parser.app, status)) return std::nullopt;
  // The command named, and its row.
  for (const auto* sub : parser.app.get_subcommands()) {
    parser.options.command = sub->get_name();
    parser.options.row = FindCommand(parser.options.command);
  }
  for (const Combination& rule : kCombinations) {
    if (!rule.broken(parser)) continue;
    WriteUtf8(stderr, std::string("copyloom: ") + rule.why + "\n\n" + Usage());
    if (parser.options.json) EndEarly(true, kExitUsage, platform::Utf8ToWide(rule.why));
    *status = kExitUsage;
    return std::nullopt;
  }
  return OptionsOf(parser);
}

// "plan" or "changes" of a row: paths relative to its data folder.
nlohmann::ordered_json ChangesJson(const std::wstring& folder, const std::vector<Change>& changes) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const Change& change : changes) {
    nlohmann::ordered_json item;
    item["action"] = ChangeActionName(change.action);
    item["path"] = Utf8(RelativeChangePath(folder, change.path));
    list.push_back(item);
  }
  return list;
}

// "error" of a failed row or run: the kind, the trader's file as found on
// this machine, the system's text.
nlohmann::ordered_json ErrorJson(const platform::Status& cause) {
  nlohmann::ordered_json error;
  error["kind"] = platform::FailureKindName(cause.kind());
  error["path"] = Utf8(platform::HostPath(cause.path()));
  error["system"] = Utf8(cause.system());
  return error;
}

std::string RowsJson(const ConsoleView& view, const std::vector<std::wstring>& messages, int status,
                     const std::vector<StatusEntry>* status_entries,
                     const std::wstring& chosen_prefix,
                     const std::map<std::wstring, std::vector<Change>>& changes,
                     const std::map<std::wstring, platform::Status>& failures,
                     const platform::Status& run_failure, bool dry_run) {
  nlohmann::ordered_json out;
  if (!chosen_prefix.empty()) out["prefix"] = Utf8(chosen_prefix);
  out["rows"] = nlohmann::json::array();
  if (status_entries) {
    for (const auto& entry : *status_entries) out["rows"].push_back(StatusJson(entry));
  } else {
    for (const auto& row : view.rows()) {
      nlohmann::ordered_json r = RowJson(row);
      for (const auto& [folder, list] : changes) {
        if (SameFolder(folder, row.folder))
          r[dry_run ? "plan" : "changes"] = ChangesJson(folder, list);
      }
      for (const auto& [folder, cause] : failures) {
        if (SameFolder(folder, row.folder)) r["error"] = ErrorJson(cause);
      }
      out["rows"].push_back(r);
    }
  }
  if (!run_failure.ok()) out["error"] = ErrorJson(run_failure);
  out["messages"] = nlohmann::json::array();
  for (std::wstring message : messages) {
    // Plain text: the window's "#" between a message and its detail is a
    // line break here.
    ReplaceAll(&message, L"#", L"\n");
    out["messages"].push_back(Utf8(message));
  }
  out["exit"] = status;
  return out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

// A run that ends before its list: the message alone, as one JSON object
// with --json.
int EndEarly(bool json, int status, const std::wstring& message,
             const std::wstring& chosen_prefix, const platform::Status& cause) {
  if (!json) {
    if (!message.empty()) WriteUtf8(stderr, "copyloom: " + Utf8(message) + "\n");
    return status;
  }
  nlohmann::ordered_json out;
  if (!chosen_prefix.empty()) out["prefix"] = Utf8(chosen_prefix);
  out["rows"] = nlohmann::json::array();
  if (!cause.ok()) out["error"] = ErrorJson(cause);
  out["messages"] = nlohmann::json::array();
  if (!message.empty()) out["messages"].push_back(Utf8(message));
  out["exit"] = status;
  WriteUtf8(stdout, out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  return status;
}

int PrintVersion() {
  // A build that trusts its own test key is no release, and says so.
  WriteUtf8(stdout, std::string("copyloom " COPYLOOM_VERSION) +
                        (TrustsTestKey() ? " (trusts the build's test key)" : "") + "\n");
  return kExitOk;
}

// --kit DIR: refused when DIR holds no kit, else the program acts as if
// started from there. -1 to go on, else the exit status.
int UseKitFolder(const Options& options, const std::wstring& current_folder) {
  if (options.kit.empty()) return -1;
  const std::wstring kit = AbsoluteFolder(options.kit, current_folder);
  const std::wstring why = KitFolderProblem(kit);
  if (!why.empty()) return EndEarly(options.json, kExitUsage, why);
  SetProgramPathOverride(WithSeparator(kit) + GetPathFileName(platform::ProgramPath(), true));
  return -1;
}

ProfileOptions ProfileOptionsOf(const Options& options, const std::wstring& current_folder) {
  ProfileOptions profile;
  if (!options.data_dir.empty()) {
    profile.data_folder_override = WithSeparator(AbsoluteFolder(options.data_dir, current_folder));
  }
  return profile;
}

PrefixOptions PrefixOptionsOf(const Options& options, const std::wstring& current_folder,
                              const ProfileOptions& profile, std::wstring* refusal) {
  PrefixOptions prefix;
  if (!options.prefix.empty()) prefix.prefix = AbsoluteFolder(options.prefix, current_folder);
  prefix.json = options.json;
  prefix.profile = profile;
  prefix.refuse = [refusal](const std::wstring& message) { *refusal = message; };
  return prefix;
}

// The data folder's lock for the run, let go at its end. A dry run makes no
// folder (so takes no lock where they are missing) and leaves no lock file
// of its own behind.
class RunLock {
 public:
  explicit RunLock(const Options& options) : options_(options) {}
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;
  ~RunLock() {
    lock_.reset();
    if (remove_file_) platform::RemoveOneFile(file_);
  }

  // False after saying why (into *refused with --json, and its cause).
  bool Take(std::wstring* refused, platform::Status* cause) {
    const std::wstring settings_folder = TheProfile().settings_folder;
    const CFileCtrl files;
    if (options_.dry_run && (!files.FolderExists(settings_folder) ||
                             !files.FolderExists(TheProfile().data_folder))) {
      return true;
    }
    file_ = settings_folder + kLockFileName;
    const bool file_was_there = files.FileExists(file_);
    lock_.emplace();
    const bool json = options_.json;
    if (!TakeLockForRun(
            &*lock_, settings_folder, TheProfile().data_folder,
            [json](const std::wstring& line) {
              if (!json) WriteUtf8(stderr, "copyloom: " + Utf8(line) + "\n");
            },
            refused, cause)) {
      return false;
    }
    remove_file_ = options_.dry_run && !file_was_there;
    return true;
  }

 private:
  const Options& options_;
  std::optional<DataFolderLock> lock_;
  std::wstring file_;
  bool remove_file_ = false;
};

// A command on the terminal list: the profile, the lock, the list in a
// console view, the command, then the JSON object with --json.
int RunOnList(Options options, const ProfileOptions& profile, const std::wstring& current_folder,
              const std::wstring& chosen_prefix) {
  InitProductProfile(profile);
  SetRequireSignature(options.require_signature);
  SetAllowDowngrade(options.allow_downgrade);
  RunLock lock(options);
  if (options.row->takes_lock) {
    std::wstring refused;
    platform::Status cause;
    if (!lock.Take(&refused, &cause)) {
      return EndEarly(options.json, kExitFailed, options.json ? refused : L"", chosen_prefix,
                      cause);
    }
  }
  const bool json = options.json;
  ConsoleView view(InitTexts(), options.yes, [json](const std::wstring& line) {
    if (!json) WriteUtf8(stdout, Utf8(line) + "\n");
  });
  // The start-up self-checks are message boxes of their own.
  for (const auto& message : TakeSelfCheckMessages()) view.ShowMessage(message);

  for (auto& dir : options.dirs) dir = TerminalFolderArgument(dir, current_folder);
  Runner runner(options, current_folder, &view);
  const int status = runner.Run();
  if (json && runner.verify_json()) {
    nlohmann::ordered_json out;
    if (!chosen_prefix.empty()) out["prefix"] = Utf8(chosen_prefix);
    out.update(*runner.verify_json());
    out["messages"] = nlohmann::json::array();
    for (const auto& message : view.messages()) out["messages"].push_back(Utf8(message));
    out["exit"] = status;
    WriteUtf8(stdout, out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  } else if (json) {
    std::vector<std::wstring> messages = view.messages();
    WriteUtf8(stdout, RowsJson(view, messages, status, runner.status_entries(), chosen_prefix,
                               runner.changes, runner.failures, runner.run_failure,
                               options.dry_run));
  }
  return status;
}

}  // namespace

bool ParseArguments(const std::vector<std::wstring>& args, int* status) {
  return Parse(args, status).has_value();
}

int RunCopyloom(const Invocation& invocation) {
  int status = kExitOk;
  const std::optional<Options> options = Parse(invocation.args, &status);
  if (!options) return status;
  if (options->version) return PrintVersion();
  const std::wstring& current_folder = invocation.current_folder;
  if (const int stop = UseKitFolder(*options, current_folder); stop >= 0) return stop;
  const ProfileOptions profile = ProfileOptionsOf(*options, current_folder);
  std::wstring refusal;
  const PrefixOptions prefix = PrefixOptionsOf(*options, current_folder, profile, &refusal);
  if (options->all_prefixes) {
    return RunInEachPrefix(prefix, [&](const platform::WinePrefix& one, std::string* printed) {
      const platform::PrefixScope scope(one);
      g_printed = printed;
      const int status = RunOnList(*options, profile, current_folder, L"");
      g_printed = nullptr;
      return status;
    });
  }
  const Command& command = *options->row;
  const Context context{invocation, prefix};
  if (!command.in_prefix) return command.alone(*options, context);

  std::wstring chosen_prefix;
  platform::WinePrefix run_prefix;
  if (const int stop = SelectPrefix(prefix, &chosen_prefix, &run_prefix); stop >= 0) {
    return EndEarly(options->json, stop, refusal);
  }
  const platform::PrefixScope scope(run_prefix);
  if (!chosen_prefix.empty() && !options->json) {
    WriteUtf8(stdout, "Wine prefix: " + Utf8(chosen_prefix) + "\n");
  }
  if (!command.reads_list()) return command.alone(*options, context);
  return RunOnList(*options, profile, current_folder, chosen_prefix);
}

}  // namespace copyloom::cli
