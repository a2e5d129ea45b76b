// Resource ids of the installer window (dialog template 153) and the
// program's own resources. Shared by the resource script and the code.
#pragma once

#define IDR_MAINFRAME 128  // application icon
#define IDD_INSTMULTI 153

#define IDC_TERMINALS_LABEL 1013
#define IDC_LAUNCH 4
#define IDC_OPEN_FOLDER 3
#define IDC_ADD 1034
#define IDC_REMOVE 1023
#define IDC_SEARCH_AGAIN 1024
#define IDC_TERMINAL_LIST 1009
#define IDC_BUSY_LABEL 1092
#define IDC_SELECT_ALL 1090
#define IDC_INVERSE 1088
#define IDC_CLICK_TO_LAUNCH 1086
#define IDC_LOAD_EA_AUTO 1089
#define IDC_INSTALL_PROVIDER 1017
#define IDC_INSTALL_RECEIVER 1018
#define IDC_UNINSTALL 1020
#define IDC_HELP_BUTTON 1019
#define IDC_CONTACT 1021
#define IDC_EXIT 2
#define IDC_WEB_PANEL 1008
