#include "app/product_profile.h"

#include "app/builtin_texts.h"
#include "app/edition.h"
#include "app/process_objects.h"
#include "app/self_check.h"
#include "app/special_folders.h"
#include "foundation/encrypt.h"
#include "foundation/ini_file.h"
#include "foundation/path_util.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

ProductProfile& MutableProfile() {
  static ProductProfile profile;
  return profile;
}

std::wstring Decode(const std::wstring& stored) { return CEncrypt().DecodeText(stored); }

// A stored address holding a "." is a plain one: only the scrambled form
// (letters and digits) is decoded.
std::wstring DecodeUnlessPlain(const std::wstring& stored) {
  return stored.find(L'.') == std::wstring::npos ? Decode(stored) : stored;
}

}  // namespace

bool ProductProfile::IsExpertAdvisorEdition() const { return IsExpertAdvisorKey(m_ProductID); }

const ProductProfile& TheProfile() { return MutableProfile(); }

std::wstring MakeTitleText(const std::wstring& display_name, const std::wstring& version) {
  if (version.empty()) return display_name;
  return display_name + L" - V" + version;
}

void SetProfileVersionText(const std::wstring& version) {
  ProductProfile& profile = MutableProfile();
  profile.version_text = version;
  profile.title_text = MakeTitleText(profile.display_name, version);
}

std::wstring BuildDataFolder(const ProductProfile& profile) {
  if (profile.m_ProductID.empty()) ReportSelfCheck(L"DV#m_ProductID is empty.");
  if (profile.site_address.empty()) ReportSelfCheck(L"DV#Please Call SetVariable().");

  std::wstring company =
      profile.company_folder_name.empty() ? kDefaultCompanyFolder : profile.company_folder_name;
  std::wstring product = profile.product_code.empty() ? profile.m_ProductID : profile.product_code;
  switch (profile.data_folder_kind) {
    case DataFolderKind::kProgramFolder:
      return profile.program_folder + L"pdat\\";
    case DataFolderKind::kAppData:
      return profile.app_data_folder + company + L"\\" + product + L"\\";
    case DataFolderKind::kPersonal:
      return profile.personal_folder + company + L"\\" + product + L"\\";
    default:
      ReportSelfCheck(L"INVDATADIRTYPE");
      return {};
  }
}

std::wstring BuildSettingsFolder(const ProductProfile& profile) {
  if (!platform::RunsUnderWine() || profile.data_folder_kind != DataFolderKind::kPersonal ||
      profile.app_data_folder.empty()) {
    return profile.data_folder;
  }
  const std::wstring company =
      profile.company_folder_name.empty() ? kDefaultCompanyFolder : profile.company_folder_name;
  const std::wstring product =
      profile.product_code.empty() ? profile.m_ProductID : profile.product_code;
  return profile.app_data_folder + company + L"\\" + product + L"\\";
}

std::wstring CompleteWebAddress(const std::wstring& address, const std::wstring& site) {
  if (address.empty() || site.empty() || address.find(L"://") != std::wstring::npos ||
      StartsWith(address, L"mailto:")) {
    return address;
  }
  std::wstring base = site;
  if (base.back() != L'/') base += L'/';
  return base + TrimLeftChars(address, L"/");
}

namespace {

// Every field empty, then the program folder and the special folders.
ProductProfile& FreshProfile(const ProfileOptions& options) {
  ProductProfile& profile = MutableProfile();
  profile = ProductProfile();
  profile.program_folder = GetProgramFolder();
  profile.data_folder_kind = options.data_folder_kind;
  const SpecialFolders folders = ReadSpecialFolders();
  profile.app_data_folder = folders.app_data;
  profile.local_app_data_folder = folders.local_app_data;
  profile.personal_folder = folders.personal;
  profile.temporary_folder = folders.temporary;
  return profile;
}

// The copier edition's identity, then the edition step (which also resets
// languageIndex to 0).
void SetIdentity(ProductProfile& profile, const ProfileOptions& options) {
  profile.m_ProductID = options.application_key.value_or(BuiltApplicationKey());
  profile.product_code = kProductCode;
  profile.side_chooser = true;
  ApplyEditionStep(&profile);
}

// Texts in the chosen language; only the web panel address is decoded now,
// the others once the data folder is known.
void ReadStoredTexts(ProductProfile& profile) {
  const int language = languageIndex();
  profile.display_name = LookupBuiltInText(kEntryDisplayName);
  if (profile.display_name.empty()) ReportSelfCheck(L"SV#g_lang.Init(); is missing.");
  profile.caption_pair =
      LookupBuiltInText(kEntryCaptionFirst) + L" " + LookupBuiltInText(kEntryCaptionSecond);
  profile.title_text = MakeTitleText(profile.display_name, profile.version_text);
  profile.site_address = StoredProductText(ProductText::kSiteAddress, language);
  profile.contact_email = StoredProductText(ProductText::kContactEmail, language);
  profile.contact_messenger = StoredProductText(ProductText::kContactMessenger, language);
  profile.second_web_address = StoredProductText(ProductText::kSecondWebAddress, language);
  profile.third_web_address = StoredProductText(ProductText::kThirdWebAddress, language);
  profile.help_page_address = StoredProductText(ProductText::kHelpPageAddress, language);
  profile.web_panel_address = Decode(StoredProductText(ProductText::kWebPanelAddress, language));
}

void PlaceDataFolder(ProductProfile& profile, const ProfileOptions& options) {
  profile.data_folder = BuildDataFolder(profile);
  profile.settings_folder = BuildSettingsFolder(profile);
  if (options.data_folder_override) {
    profile.data_folder = *options.data_folder_override;
    profile.settings_folder = profile.data_folder;
  }
  if (profile.company_folder_name.empty()) profile.company_folder_name = kDefaultCompanyFolder;
}

void DecodeAddresses(ProductProfile& profile) {
  profile.site_address = Decode(profile.site_address);
  profile.contact_email = Decode(profile.contact_email);
  profile.contact_messenger = Decode(profile.contact_messenger);
  for (std::wstring* address : {&profile.second_web_address, &profile.third_web_address,
                                &profile.help_page_address}) {
    *address = CompleteWebAddress(DecodeUnlessPlain(*address), profile.site_address);
  }
}

// The settings object (no file set yet) and the log come next in the
// start-up order; both are made afresh from the profile.
void HandToFoundation(const ProductProfile& profile) {
  CConfig::SetProductId(profile.m_ProductID);
  CIniFile::SetFallbackTimeText(BuiltInFallbackTime());
  TheConfig() = CConfig();
  TheLog() = CCommon();
  TheLog().SetDataFolder(profile.data_folder);
}

}  // namespace

void InitProductProfile(const ProfileOptions& options) {
  // The built-in language table starts with every entry empty.
  g_lang().Clear();
  ProductProfile& profile = FreshProfile(options);
  g_lang().Init();
  DetectLanguage(options.locale);
  SetIdentity(profile, options);
  ReadStoredTexts(profile);
  PlaceDataFolder(profile, options);
  DecodeAddresses(profile);
  HandToFoundation(profile);
}

}  // namespace copyloom
