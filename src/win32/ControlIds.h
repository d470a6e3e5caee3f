// Window class names and control identifiers of the program's windows. The
// end-to-end driver includes this header to find the controls, so both sides
// agree on them.
#pragma once

#define SW_ROOT_CLASS L"StartwartRoot"
#define SW_SETTINGS_CLASS L"StartwartSettings"

// Main window. bAbbrechen carries IDCANCEL (2) so that Esc reaches it.
#define IDC_ROOT_BABBRECHEN 2
#define IDC_ROOT_LOBJEKTE 100
#define IDC_ROOT_BSTARTEN 101
#define IDC_ROOT_BANHALTEN 102
#define IDC_ROOT_BBEARBEITEN 103
#define IDC_ROOT_BDRUCKEN 104
#define IDC_ROOT_BCHECKER 105
#define IDC_ROOT_BBACKUPS 106
#define IDC_ROOT_BERWEITERT 107
#define IDC_ROOT_BSTARTCAPTION 108
#define IDC_ROOT_LPROFILE 110
#define IDC_ROOT_LABEL0 111
#define IDC_ROOT_LABEL1 112
#define IDC_ROOT_LABEL2 113
#define IDC_ROOT_LABEL3 114

// Editor dialog. Its bAbbrechen carries IDCANCEL as well.
#define IDC_SET_BABBRECHEN 2
#define IDC_SET_RCAPTION 200
#define IDC_SET_RDESCRIPTION 201
#define IDC_SET_LSTARTTYPE 202
#define IDC_SET_BREADY 203
#define IDC_SET_PICTURE1 205
#define IDC_SET_RREGNAME 206
#define IDC_SET_PIMAGE 207
#define IDC_SET_RIMAGE 208

// "Änderungen seit dem letzten Start": the main window's system-menu item
// (below 0xF000, low four bits clear as WM_SYSCOMMAND requires) and the
// window it opens.
#define IDM_ROOT_CHANGES 0x0100
// The system menu's Info box on this build and its side files.
#define IDM_ROOT_INFO 0x0110
#define SW_CHANGES_CLASS L"StartwartChanges"
#define IDC_CHG_STATUS 300
#define IDC_CHG_LIST 301
#define IDC_CHG_BDRUCKEN 302
#define IDC_CHG_BSPEICHERN 303
#define IDC_CHG_BZURUECKSETZEN 304

// The restore's preview and result (one window class for both). Their
// closing button ("&Abbrechen", "&Schließen") carries IDCANCEL, so Esc
// reaches it.
#define SW_RESTORE_CLASS L"StartwartRestore"
#define IDC_RST_BABBRECHEN 2
#define IDC_RST_TEXT 400
#define IDC_RST_BZURUECKSETZEN 401
// The list of runs when the history window's restore asks which to go back to.
#define IDC_RST_CHOICES 402

// "Verlauf der Änderungen": the system-menu item below the changes item and
// the window it opens.
#define IDM_ROOT_HISTORY 0x0120
#define SW_HISTORY_CLASS L"StartwartHistory"
#define IDC_HIS_STATUS 500
#define IDC_HIS_FILTERLABEL 501
#define IDC_HIS_FILTER 502
#define IDC_HIS_LIST 503
#define IDC_HIS_BWIEDERHERSTELLEN 504
#define IDC_HIS_BDRUCKEN 505
#define IDC_HIS_BSPEICHERN 506
