// The product profile: the process-wide record of the product's identity,
// edition, special folders, data folder, titles and built-in addresses.
// InitProductProfile builds it once at start-up, before any window exists;
// afterwards it is read only, but for the version text (and with it the
// title text), which the installer window sets once.
#pragma once

#include <optional>
#include <string>

#include "app/language.h"

namespace copyloom {

inline constexpr wchar_t kDefaultCompanyFolder[] = L"Velmora";
inline constexpr wchar_t kProductCode[] = L"cplm";

// Where the data folder lies; the numbers are the ones a build configures.
enum class DataFolderKind : int { kProgramFolder = 0, kAppData = 1, kPersonal = 2 };

struct ProductProfile {
  std::wstring display_name;  // entry 0 of g_lang
  // display_name, or display_name + " - V" + version_text.
  std::wstring title_text;
  std::wstring caption_pair;  // entry 2 + " " + entry 1 of g_lang
  DataFolderKind data_folder_kind = DataFolderKind::kProgramFolder;
  std::wstring program_folder;
  std::wstring data_folder;  // the log and the support files; not created here
  // clinst.cfg and the run lock: the data folder, except inside a Wine
  // prefix, where the data folder is under Documents, which wineboot links
  // to $HOME for every prefix alike; there the prefix's own AppData keeps
  // one list per prefix.
  std::wstring settings_folder;
  // Complete addresses (decoded; relative ones completed from the site).
  std::wstring site_address;
  std::wstring second_web_address;
  std::wstring third_web_address;
  std::wstring help_page_address;
  std::wstring company_folder_name;  // "Velmora"
  std::wstring product_code;         // "cplm"
  std::wstring temporary_folder;
  std::wstring personal_folder;
  std::wstring app_data_folder;
  std::wstring local_app_data_folder;
  std::wstring version_text;
  std::wstring contact_email;      // the first contact text
  std::wstring contact_messenger;  // the second contact text
  std::wstring m_ProductID;        // the application key
  std::wstring module_name;        // "vlmexp.dll" in the expert-advisor edition
  std::wstring web_panel_address;
  // True in the copier edition: the side follows the program's file name.
  bool side_chooser = false;

  bool IsExpertAdvisorEdition() const;
};

// Test seams: the registry, the program path and the command line are
// replaced through platform::testing; these cover the rest.
struct ProfileOptions {
  DataFolderKind data_folder_kind = DataFolderKind::kPersonal;
  // The build's key when not set.
  std::optional<std::wstring> application_key;
  LocaleOverrides locale;
  // Replaces the data folder (settings, log, support files): the command
  // line's --data-dir, which keeps clinst.cfg there too. Ends with a
  // separator.
  std::optional<std::wstring> data_folder_override;
};

// Builds g_lang and the profile in the start-up order (special folders,
// language detection, edition step, texts, data folder), then hands the
// foundation what it needs: the application key to CConfig, the data folder
// to the log object, the fallback time to CIniFile. Self-check failures go to
// the self-check sink and the start-up continues. Runs once per process
// (tests run it again).
void InitProductProfile(const ProfileOptions& options = {});

const ProductProfile& TheProfile();

// Sets the version text and rebuilds the title text.
void SetProfileVersionText(const std::wstring& version);

std::wstring MakeTitleText(const std::wstring& display_name, const std::wstring& version);

// The data folder for the profile's kind (kind 2: personal folder +
// company folder + "\" + product folder + "\"). Reports the self-checks.
std::wstring BuildDataFolder(const ProductProfile& profile);

// Where clinst.cfg lives for the profile (see ProductProfile).
std::wstring BuildSettingsFolder(const ProductProfile& profile);

// A decoded address that names no scheme is taken as relative to the site.
std::wstring CompleteWebAddress(const std::wstring& address, const std::wstring& site);

}  // namespace copyloom
