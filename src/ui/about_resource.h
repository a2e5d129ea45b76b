// Resource and control ids of the about box (dialog 100). Shared by the
// resource script and the code, so only plain defines.
#pragma once

#define IDD_ABOUT_BOX 100
#define IDI_ABOUT_ICON 140
#define IDB_ABOUT_LOGO_EN 142
#define IDB_ABOUT_LOGO_CN 143

#define IDC_ABOUT_SITE_LINK 1048
#define IDC_ABOUT_TITLE_LINK 1049
#define IDC_ABOUT_LOGO_CN 1050
#define IDC_ABOUT_LOGO_EN 1051
#define IDC_ABOUT_MESSENGER 1085
#define IDC_ABOUT_EMAIL 1086
