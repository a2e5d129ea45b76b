#include "install/install_commands.h"

#include <memory>
#include <string>
#include <vector>

#include "app/builtin_texts.h"
#include "app/language.h"
#include "app/product_profile.h"
#include "app/run_texts.h"
#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "install/command_guard.h"
#include "install/installed_kit.h"
#include "install/kit_manifest.h"
#include "install/mt_assist.h"
#include "install/result_text.h"
#include "install/row_outcome.h"
#include "platform/platform.h"
#include "terminals/terminal_layout.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

struct SidePackage {
  const wchar_t* english_folder;
  const wchar_t* chinese_folder;
  const wchar_t* english_pattern;
  const wchar_t* chinese_pattern;
};

constexpr SidePackage kProviderPackage = {L"Signal Provider\\", L"喊单系统\\", L"*Provider*.ex4",
                                          L"*喊单*.ex4"};
constexpr SidePackage kReceiverPackage = {L"Signal Receiver\\", L"跟单系统\\", L"*Receiver*.ex4",
                                          L"*跟单*.ex4"};

// The compiled experts a side's install would find, in the listing's order.
TextList PackageExperts(const PackageChoice& choice, const std::wstring& pattern) {
  TextList experts;
  CFileCtrl().ListFolder(choice.root + L"experts", &experts, true, false, pattern);
  return experts;
}

// How the rows of one command are installed and reported.
struct RowPlan {
  InstallSetup setup;
  std::wstring type_text;    // written into the Type cell
  std::wstring reload_type;  // the "{0}" of NeedReload
  bool copier = true;        // clears ticks, writes charts, reports the first failure
  std::wstring expert_name;
};

// Why a row failed, as a value: the write that failed, else the file that
// was no plain one, else what the engine found missing or wrong.
platform::Status RowCause(const CMTAssist& engine, const std::wstring& broken, bool succeeded,
                          const std::wstring& folder, const std::wstring& result) {
  if (succeeded) return {};
  if (!engine.m_Failure.ok()) return engine.m_Failure;
  if (!broken.empty()) return platform::Status(platform::FailureKind::kNotRegularFile, broken);
  const bool missing = result == GetMessageText(EngineMessage::kSelectTerminalPath) ||
                       StartsWith(result, GetMessageText(EngineMessage::kInvalidRunningPath)) ||
                       result == GetMessageText(EngineMessage::kNothingInstalled);
  return platform::Status(missing ? platform::FailureKind::kMissing : platform::FailureKind::kOther,
                          folder);
}

bool AnyRowChosen(const InstallerView& view) {
  bool any = view.SelectionMark() >= 0 && view.SelectionMark() < view.RowCount();
  for (int i = 0; i < view.RowCount() && !any; ++i) any = view.IsTicked(i);
  return any;
}

// The kit is checked, and a signed kit's files read, before any terminal
// changes: a kit that is not genuine installs nothing anywhere. With no row
// to install, only the prompt for one is shown.
CommandRefusal CheckKitOfRows(InstallerView& view, const std::wstring& package_root,
                              std::shared_ptr<KitCheck>* kit, std::string* why) {
  const bool any_chosen = AnyRowChosen(view);
  *kit = std::make_shared<KitCheck>(any_chosen ? CheckKit(package_root) : KitCheck());
  *why = (*kit)->why;
  if (!any_chosen) (*kit)->state = KitCheck::kGenuine;  // nothing to read, nothing to warn of
  if ((*kit)->state == KitCheck::kNotGenuine) {
    view.ShowMessage(FillPlaceholder(view.Text(TextKey::KitNotGenuine), (*kit)->file));
    return CommandRefusal::kKitNotGenuine;
  }
  if ((*kit)->state == KitCheck::kUnsigned && RequireSignature()) {
    view.ShowMessage(FillPlaceholder(view.Text(TextKey::KitSignatureRequired), package_root));
    return CommandRefusal::kSignatureRequired;
  }
  return CommandRefusal::kNone;
}

// What the engine made of one row, before it is written into the row.
struct EngineOutcome {
  std::wstring result;  // the engine's text, "\n" as "#"
  std::wstring broken;  // a terminal file found no plain one
  bool put_back = false;  // undone, or not begun
};

// Files put in before the first start may land where the terminal never
// looks: it picks its data folder then. What the chart is made from is read
// first: a broken file fails the row while the terminal is still as it was.
EngineOutcome InstallRowFiles(CMTAssist& engine, const RowPlan& plan, const KitCheck& kit,
                              const std::wstring& folder, bool chart, const InterfaceTexts& texts) {
  EngineOutcome out;
  if (chart) {
    engine.WriteChartProfile(folder, plan.expert_name, true);
    out.broken = engine.m_BrokenFile;
  }
  const std::string newer = NewerKitHeld(folder, kit.manifest);
  if (ResolveTerminalLayout(folder).kind == TerminalLayoutKind::kNotStarted) {
    out.result = RunMessage(RunText::TerminalNotStarted);
  } else if (!newer.empty()) {
    // Never a rollback to an older signed kit unless asked for.
    out.result = FillPlaceholder(texts[TextKey::KitDowngrade], platform::Utf8ToWide(newer));
    ReplaceAll(&out.result, L"{1}", platform::Utf8ToWide(kit.manifest.version));
    out.put_back = true;
  } else if (out.broken.empty()) {
    out.result = engine.InstallToTerminal(plan.setup.package_root, folder);
    out.put_back = engine.m_RolledBack;
    if (!engine.m_BrokenFile.empty()) out.broken = engine.m_BrokenFile;
  } else {
    out.put_back = true;
  }
  ReplaceAll(&out.result, L"\n", L"#");
  return out;
}

// One row from Installing to its Type and State.
InstalledRow InstallRow(InstallerView& view, int row, const RowPlan& plan, CMTAssist& engine,
                        const KitCheck& kit, CommandResult* done) {
  const InterfaceTexts& texts = view.Texts();
  const std::wstring folder = view.CellText(row, kColumnFolder);
  engine.m_Failure = {};
  const bool chart = plan.copier && view.IsChecked(kCheckLoadEaAuto);
  const EngineOutcome out = InstallRowFiles(engine, plan, kit, folder, chart, texts);
  const bool succeeded = out.broken.empty() && IsSuccessResult(out.result);
  const platform::Status cause = RowCause(engine, out.broken, succeeded, folder, out.result);
  std::wstring state = out.broken.empty() ? RowStateText(out.result, plan.reload_type, texts)
                                          : BrokenFileText(texts, out.broken);
  // A file held by a running terminal keeps the engine's own text.
  if (!engine.m_Failure.ok() && engine.m_Failure.kind() != platform::FailureKind::kHeld) {
    state = texts[TextKey::InstallFailed] + L"#" + CauseText(engine.m_Failure, texts);
  }
  done->NoteRowFailure(folder, cause);
  if (!succeeded && out.put_back) state += texts[TextKey::NothingChanged];
  // A chart that cannot be written leaves the completed install as it is;
  // the row says why the chart is missing.
  if (succeeded && chart) {
    engine.m_Failure = {};
    engine.WriteChartProfile(folder, plan.expert_name);
    if (!engine.m_Failure.ok()) {
      state += L" - " + CauseText(engine.m_Failure, texts);
      done->NoteRowFailure(folder, engine.m_Failure);
    }
  }
  view.SetCellText(row, kColumnType, plan.type_text);
  view.SetCellText(row, kColumnState, state);
  if (succeeded && plan.copier) view.SetTicked(row, false);
  return {succeeded, state, folder};
}

// The ticked rows, else the selected one.
std::vector<InstalledRow> InstallChosenRows(InstallerView& view, const RowPlan& plan,
                                            CMTAssist& engine, const KitCheck& kit,
                                            CommandResult* done) {
  std::vector<InstalledRow> outcomes;
  RunningCommand running(view);
  ScopedInstallBatch batch(engine);
  const platform::HeldFilesSnapshot held;  // one look-up for all the rows
  bool any_ticked = false;
  for (int i = 0; i < view.RowCount() && !any_ticked; ++i) any_ticked = view.IsTicked(i);
  const int fallback = any_ticked ? -1 : view.SelectionMark();
  // The count is read each time: the list may change while messages are pumped.
  for (int i = 0; i < view.RowCount(); ++i) {
    if (!view.IsTicked(i) && i != fallback) continue;
    // A stop asked for by a signal: the terminals done so far stay done.
    if (platform::StopRequested() != 0) break;
    view.SetCellText(i, kColumnState, view.Text(TextKey::Installing));
    view.PumpPendingMessages();
    if (i >= view.RowCount()) break;
    outcomes.push_back(InstallRow(view, i, plan, engine, kit, done));
  }
  return outcomes;
}

// Said when the rows are done: a message box during them would take the
// messages queued for the install's own first look.
void ReportInstall(InstallerView& view, const RowPlan& plan, const CMTAssist& engine,
                   const std::vector<InstalledRow>& outcomes, bool warn_unsigned) {
  const InterfaceTexts& texts = view.Texts();
  if (warn_unsigned) view.ShowMessage(texts[TextKey::KitUnsigned]);
  if (!engine.m_SkippedNames.empty()) {
    std::wstring names;
    for (const std::wstring& name : engine.m_SkippedNames) names += L"\n" + name;
    view.ShowMessage(FillPlaceholder(texts[TextKey::UnusableKitName], names));
  }
  // After the guard: the Add offered here is a command of its own.
  const SummaryMessage summary =
      SummarizeInstall(outcomes, !plan.copier, view.RowCount() == 0, texts);
  if (summary.ok_cancel) {
    if (view.AskOkCancel(summary.text)) OnAddTerminal(view);
  } else {
    view.ShowMessage(summary.text);
  }
}

CommandResult InstallRows(InstallerView& view, const RowPlan& plan, const CommandOptions& options) {
  CommandResult done;
  std::shared_ptr<KitCheck> kit;
  done.refusal = CheckKitOfRows(view, plan.setup.package_root, &kit, &done.kit_refusal);
  if (done.refused()) return done;
  EngineSetup setup = plan.setup.engine;
  setup.kit = kit;
  setup.dry_run = options.dry_run;
  CMTAssist engine(std::move(setup));
  const std::vector<InstalledRow> outcomes = InstallChosenRows(view, plan, engine, *kit, &done);
  done.changes = engine.row_changes();
  ReportInstall(view, plan, engine, outcomes, kit->state == KitCheck::kUnsigned);
  return done;
}

// The copier's two sides differ only in these.
CommandResult InstallSideCommand(InstallerView& view, const InstallSession& session,
                                 InstallCommand command, const CommandOptions& options) {
  RowPlan plan;
  plan.setup = SetUpInstall(command, session);
  const PackageChoice choice{plan.setup.package_root, plan.setup.engine.expert_pattern};
  const TextList experts = PackageExperts(choice, choice.expert_pattern);
  if (experts.empty()) {
    view.ShowMessage(view.Text(TextKey::InstallFileMissing));
    return Refused(CommandRefusal::kPackageMissing);
  }
  plan.expert_name = GetPathFileName(experts.front(), true);
  // The name the chart attaches: the file name without ".ex4".
  plan.expert_name.resize(plan.expert_name.size() >= 4 ? plan.expert_name.size() - 4 : 0);

  plan.type_text =
      view.Text(command == InstallCommand::kProvider ? TextKey::TypeProvider : TextKey::TypeReceiver);
  plan.reload_type = plan.type_text;
  plan.copier = true;
  return InstallRows(view, plan, options);
}

bool RefuseWhileBusy(InstallerView& view) {
  if (!view.IsBusy()) return false;
  view.ShowMessage(view.Text(TextKey::BusyText));
  return true;
}

}  // namespace

int DetectInstallSide(const std::wstring& program_path, bool side_chooser) {
  int side = kSideNone;
  auto contains = [&](const wchar_t* word) {
    return program_path.find(word) != std::wstring::npos;
  };
  if (contains(L"安装喊单") || contains(L"Provider")) side = kSideProvider;
  if (contains(L"安装跟单") || contains(L"Receiver")) side = kSideReceiver;
  // A kit unpacked by hand may spell the side folder in any case
  // ("SIGNAL PROVIDER"): Windows finds it so, and the folder names its side.
  if (side == kSideNone) {
    const std::wstring folder = ToLower(GetPathFileName(GetPathFolder(program_path)));
    for (const SidePackage* package : {&kProviderPackage, &kReceiverPackage}) {
      for (const wchar_t* name : {package->english_folder, package->chinese_folder}) {
        if (folder == ToLower(TrimRightChars(name, L"\\"))) {
          side = package == &kProviderPackage ? kSideProvider : kSideReceiver;
        }
      }
    }
  }
  if (!side_chooser) side = kSideProvider;
  return side;
}

PackageChoice ChoosePackage(const InstallSession& session, int side) {
  PackageChoice choice;
  choice.root = GetProgramFolder();
  if (side == kSideNone) return choice;
  const SidePackage& package = side == kSideProvider ? kProviderPackage : kReceiverPackage;
  choice.library_pattern = BuiltInLibraryPattern();
  if (session.side == kSideNone) {
    const bool chinese = languageIndex() == kChinese;
    choice.root += chinese ? package.chinese_folder : package.english_folder;
    choice.expert_pattern = chinese ? package.chinese_pattern : package.english_pattern;
  }
  return choice;
}

bool KitHasPackage(const InstallSession& session) {
  const CFileCtrl files;
  if (TheProfile().IsExpertAdvisorEdition()) {
    return files.FolderExists(ChoosePackage(session, kSideNone).root + L"experts");
  }
  for (int side : {kSideProvider, kSideReceiver}) {
    if (session.side != kSideNone && side != session.side) continue;
    if (files.FolderExists(ChoosePackage(session, side).root + L"experts")) return true;
  }
  return false;
}

std::wstring MissingPackageText(const InstallSession& session, int side) {
  const CFileCtrl files;
  auto Shown = [](const std::wstring& path) { return platform::NativePathText(path); };
  const PackageChoice choice = ChoosePackage(session, side);
  std::wstring side_name = L"EA";
  if (side != kSideNone) {
    side_name = InitTexts()[side == kSideProvider ? TextKey::TypeProvider : TextKey::TypeReceiver];
  }
  const std::wstring root = TrimRightChars(choice.root, L"\\/");
  if (!files.FolderExists(root)) return RunMessage(RunText::KitFolderMissing, {side_name, Shown(root)});
  if (side == kSideNone) {
    // The expert-advisor edition installs whatever the folder holds.
    return files.FolderExists(choice.root + L"experts")
               ? std::wstring()
               : RunMessage(RunText::KitFolderMissing, {side_name, Shown(choice.root + L"experts")});
  }
  // The pattern the install itself lists with.
  const std::wstring pattern = session.side == kSideNone ? choice.expert_pattern : L"*";
  if (!PackageExperts(choice, pattern).empty()) return std::wstring();
  if (!files.FolderExists(choice.root + L"experts")) {
    return RunMessage(RunText::KitFolderMissing, {side_name, Shown(choice.root + L"experts")});
  }
  return RunMessage(RunText::KitExpertMissing, {side_name, Shown(choice.root + L"experts"), pattern});
}

std::vector<std::wstring> PackageRoots(const InstallSession& session) {
  if (session.side != kSideNone || TheProfile().IsExpertAdvisorEdition()) {
    return {GetProgramFolder()};
  }
  std::vector<std::wstring> roots;
  for (const SidePackage* package : {&kProviderPackage, &kReceiverPackage}) {
    for (const wchar_t* folder : {package->english_folder, package->chinese_folder}) {
      roots.push_back(GetProgramFolder() + folder);
    }
  }
  return roots;
}

std::wstring FindSupportLibraryVersion() {
  CFileCtrl files;
  std::wstring version = files.FindFileVersionText(L"vlcpy.dll");
  if (version.empty()) version = files.FindFileVersionText(L"vlcpyw.dll");
  return version;
}

InstallSetup SetUpInstall(InstallCommand command, const InstallSession& session) {
  InstallSetup setup;
  if (command == InstallCommand::kExperts) {
    // Everything beside the program, each compiled file holding the module's name.
    setup.package_root = GetProgramFolder();
    setup.engine.marker_text = TheProfile().module_name;
    return setup;
  }
  const bool provider = command == InstallCommand::kProvider;
  const PackageChoice choice = ChoosePackage(session, provider ? kSideProvider : kSideReceiver);
  setup.package_root = choice.root;
  setup.engine.expert_pattern = choice.expert_pattern;
  setup.engine.library_pattern = choice.library_pattern;
  if (provider) {
    setup.engine.marker_text = BuiltInMarkerText();
    setup.engine.library_version = session.library_version;
  }
  return setup;
}

CommandResult OnInstallProvider(InstallerView& view, const InstallSession& session,
                                const CommandOptions& options) {
  if (RefuseWhileBusy(view)) return Refused(CommandRefusal::kBusy);
  if (TheProfile().IsExpertAdvisorEdition()) return OnInstallExperts(view, session, options);
  return InstallSideCommand(view, session, InstallCommand::kProvider, options);
}

CommandResult OnInstallReceiver(InstallerView& view, const InstallSession& session,
                                const CommandOptions& options) {
  if (RefuseWhileBusy(view)) return Refused(CommandRefusal::kBusy);
  return InstallSideCommand(view, session, InstallCommand::kReceiver, options);
}

CommandResult OnInstallExperts(InstallerView& view, const InstallSession& session,
                               const CommandOptions& options) {
  if (RefuseWhileBusy(view)) return Refused(CommandRefusal::kBusy);
  RowPlan plan;
  plan.setup = SetUpInstall(InstallCommand::kExperts, session);
  plan.type_text = L"EA";
  plan.reload_type = view.Text(TextKey::TypeProvider);
  plan.copier = false;
  return InstallRows(view, plan, options);
}

}  // namespace copyloom
