#include "app/text_table.h"

#include <iterator>

#include "app/bilingual_text.h"
#include "app/language.h"
#include "app/product_profile.h"

namespace copyloom {
namespace {

// The texts are the product's own, typos included: saved lists and users'
// habits depend on them.
constexpr BilingualText<TextKey> kTexts[] = {
    {TextKey::TerminalsLabel, L"MT4 Terminals", L"MT4软件安装地址"},
    {TextKey::SelectFolderPrompt, L"Please select the installation directory of MT4 Terminal",
     L"请选择 [MT4软件安装目录]"},
    {TextKey::SelectInstallPrompt, L"Please select the MT4 Terminal on above list",
     L"请勾选要安装的 [MT4软件安装目录]"},
    {TextKey::SelectRemovePrompt,
     L"please select the MT4 Terminal need to be removed from above list", L"请勾选要删除的行"},
    {TextKey::ColumnDirectory, L"Installation directory", L"安装目录"},
    {TextKey::ColumnType, L"Type", L"类型"},
    {TextKey::ColumnState, L"State", L"备注"},
    {TextKey::TypeProvider, L"Provider", L"喊单"},
    {TextKey::TypeReceiver, L"Receiver", L"跟单"},
    {TextKey::InstallProviderCaption, L"Install Signal Provider", L"安装喊单系统"},
    {TextKey::InstallReceiverCaption, L"Install Signal Receiver", L"安装跟单系统"},
    {TextKey::HelpCaption, L"Help", L"帮助"},
    {TextKey::ContactCaption, L"Contact us", L"联系我们"},
    {TextKey::ExitCaption, L"Exit", L"退出"},
    {TextKey::AddCaption, L"Add", L"添加"},
    {TextKey::RemoveCaption, L"Remove", L"删除"},
    {TextKey::SearchAgainCaption, L"Search Again", L"重新搜索"},
    {TextKey::UninstallCaption, L"Uninstall", L"卸载"},
    {TextKey::InstallCompleted, L"Completed", L"安装成功"},
    {TextKey::InstallFailed, L"Failed", L"安装失败"},
    {TextKey::NeedRestart, L"Need to restart MT4", L"需要重启MT4软件"},
    {TextKey::NeedReload, L"Need to reload Signal {0} EA", L"需要重新加载{0}EA"},
    {TextKey::Installing, L"Installing...", L"正在安装..."},
    {TextKey::DoneText, L"Completed", L"完成"},
    {TextKey::UninstallCompleted, L"Uninstall completed", L"卸载完成"},
    {TextKey::UninstallNothing, L"Can't find the files need to be uninstalled",
     L"没有找到需卸载的文件"},
    {TextKey::UninstallFailed,
     L"Failed to uninstall trade copier system - {Please close the MT4 Terminal then try again}",
     L"卸载失败 - {请关闭MT4软件后重试}"},
    {TextKey::Uninstalling, L"Uninstalling...", L"正在卸载..."},
    {TextKey::SelectUninstallPrompt,
     L"Please select the MT4 Terminals whose trade copier system need to be uninstalled",
     L"请勾选要卸载跟单系统的 [MT4软件安装目录]"},
    {TextKey::InstallCanceled, L"Canceled", L"取消安装"},
    {TextKey::InvalidTerminalFolder, L"Invalid installation diretory of MT4 Terminal",
     L"无效的MT4安装目录"},
    {TextKey::InstallFileMissing, L"Installation file not found!", L"没有找到安装文件!"},
    {TextKey::ClickToLaunchCaption, L"Double-click above list to launch MT4 Trading System",
     L"双击列表运行MT4软件"},
    {TextKey::LoadEaCaption, L"Load EA on first chart window automatically",
     L"自动在第1个图表上加载跟单系统"},
    {TextKey::SelectAllCaption, L"Select All", L"全选"},
    {TextKey::InverseCaption, L"Inverse", L"反选"},
    {TextKey::LaunchCaption, L"Launch", L"运行MT4软件"},
    {TextKey::OpenFolderCaption, L"Open Folder", L"打开文件夹"},
    {TextKey::BusyText, L"Searching,please wait...", L"正在搜索,请等待..."},
    {TextKey::CommandRunningText, L"A command is still running,please wait...",
     L"命令仍在运行,请等待..."},
    {TextKey::NothingChanged, L" - Nothing in the terminal was changed",
     L" - 该MT4软件中的文件均未改动"},
    // Material made by others.
    {TextKey::BrokenFile, L"Not a plain file, or too large to read: {0}",
     L"不是普通文件或文件过大,无法读取: {0}"},
    {TextKey::UnusableKitName, L"Skipped a file whose name Windows cannot use: {0}",
     L"已跳过名称在Windows中无效的文件: {0}"},
    {TextKey::UnusableFolderName, L"Skipped a folder whose name the list cannot hold: {0}",
     L"已跳过名称无法存入列表的文件夹: {0}"},
    {TextKey::KitNotGenuine, L"This kit is not genuine: {0}", L"此安装包不是正版: {0}"},
    {TextKey::KitUnsigned,
     L"This kit is not signed: its files are installed as they are, unchecked",
     L"此安装包没有签名: 其文件未经校验即被安装"},
    {TextKey::KitSignatureRequired, L"This kit is not signed and a signature is required: {0}",
     L"此安装包没有签名, 但要求签名: {0}"},
    // Why a write failed.
    {TextKey::CauseNoSpace, L"Not enough disk space for {0}", L"磁盘空间不足: {0}"},
    {TextKey::CauseNoPermission, L"No permission to write {0}", L"没有写入权限: {0}"},
    {TextKey::CauseReadOnly, L"The disk holding {0} is read-only", L"所在磁盘为只读: {0}"},
    {TextKey::CauseMissing, L"Not found: {0}", L"找不到: {0}"},
    {TextKey::CauseNotAFile, L"Not a plain file: {0}", L"不是普通文件: {0}"},
    {TextKey::CauseTooLarge, L"Too large: {0}", L"文件过大: {0}"},
    {TextKey::CauseBadName, L"A name Windows does not allow: {0}", L"Windows不允许的名称: {0}"},
    {TextKey::CausePathTooLong, L"Path too long: {0}", L"路径过长: {0}"},
    {TextKey::CauseIoError, L"The disk could not read or write {0}", L"磁盘读写错误: {0}"},
    {TextKey::CauseOther, L"Could not write {0}", L"无法写入: {0}"},
    {TextKey::FailedTerminalsHeader, L"These terminals failed:", L"以下MT4软件安装失败:"},
    {TextKey::KitDowngrade,
     L"This terminal holds the newer kit {0}: {1} is not installed over it (--allow-downgrade)",
     L"该MT4软件已装有较新的版本 {0}: 不会用 {1} 覆盖 (--allow-downgrade)"},
    {TextKey::CauseInUse, L"Another program is using {0}", L"另一个程序正在使用: {0}"},
    {TextKey::ListNotSaved, L"The terminal list could not be saved", L"无法保存MT4软件列表"},
    {TextKey::FailedUninstallsHeader, L"These terminals failed:", L"以下MT4软件卸载失败:"},
    // A link that did not open; the English words are three blanks apart.
    {TextKey::LinkOpenFailed, L"Unable   to   open   hyperlink:\n\n", L"无法打开超链接:\n\n"},
    {TextKey::LinkOutOfResources, L"The   operating   system   is   out\nof   memory   or   resources.",
     L"操作系统的内存或资源不足。"},
    {TextKey::LinkFileNotFound, L"The   specified   file   was   not   found.", L"找不到指定的文件。"},
    {TextKey::LinkPathNotFound, L"The   specified   path   was   not   found.", L"找不到指定的路径。"},
    {TextKey::LinkAccessDenied,
     L"The   operating   system   denied\naccess   to   the   specified   file.",
     L"操作系统拒绝访问指定的文件。"},
    {TextKey::LinkOutOfMemory,
     L"There   was   not   enough   memory   to   complete   the   operation.",
     L"内存不足, 无法完成操作。"},
    {TextKey::LinkBadExe,
     L"The   .EXE   file   is   invalid\n(non-Win32   .EXE   or   error   in   .EXE   image).",
     L".EXE 文件无效\n(不是 Win32 .EXE, 或 .EXE 映像有错误)。"},
    {TextKey::LinkSharingViolation, L"A   sharing   violation   occurred.   ", L"发生共享冲突。"},
    {TextKey::LinkAssociationIncomplete,
     L"The   filename   association   is\nincomplete   or   invalid.", L"文件关联不完整或无效。"},
    {TextKey::LinkDdeTimeout,
     L"The   DDE   transaction   could   not\nbe   completed   because   the   request   timed   out.",
     L"请求超时, DDE 事务无法完成。"},
    {TextKey::LinkDdeFailed, L"The   DDE   transaction   failed.", L"DDE 事务失败。"},
    {TextKey::LinkDdeBusy,
     L"The   DDE   transaction   could   not\nbe   completed   because   other   DDE   "
     L"transactions\nwere   being   processed.",
     L"正在处理其他 DDE 事务, 此 DDE 事务无法完成。"},
    {TextKey::LinkNoAssociation,
     L"There   is   no   application   associated\nwith   the   given   filename   extension.",
     L"没有与该文件扩展名关联的应用程序。"},
    {TextKey::LinkDllNotFound, L"The   specified   dynamic-link   library   was   not   found.",
     L"找不到指定的动态链接库。"},
    {TextKey::LinkUnknownError, L"Unknown   Error   ({0})   occurred.", L"发生未知错误 ({0})。"},
};

static_assert(std::size(kTexts) == kTextKeyCount, "one row per key");
static_assert(kTextKeyCount <= kTextSlotCount);

static_assert(RowsInKeyOrder(kTexts), "rows are indexed by key");

}  // namespace

std::wstring_view TableText(TextKey key, int language) { return TextIn(kTexts, key, language); }

std::wstring_view ShortInstallCaption(int language) {
  return language == kChinese ? L"安装" : L"Install";
}

const std::wstring& InterfaceTexts::Slot(int index) const {
  static const std::wstring kEmpty;
  if (index < 0 || index >= kTextSlotCount) return kEmpty;
  return slots_[index];
}

InterfaceTexts InitTexts(int language_index, bool side_chooser) {
  InterfaceTexts texts;
  for (int i = 0; i < kTextKeyCount; ++i) {
    auto key = static_cast<TextKey>(i);
    texts.Set(key, std::wstring(TableText(key, language_index)));
  }
  if (!side_chooser) {
    texts.Set(TextKey::InstallProviderCaption, std::wstring(ShortInstallCaption(language_index)));
  }
  return texts;
}

InterfaceTexts InitTexts() { return InitTexts(languageIndex(), TheProfile().side_chooser); }

}  // namespace copyloom
