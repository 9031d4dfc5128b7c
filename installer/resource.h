#pragma once

// Dialog templates.
#define IDD_PROGRESS 102
#define IDD_UPDATING 103
#define IDD_WIZARD_WELCOME 107
#define IDD_WIZARD_OPTIONS 108
#define IDD_WIZARD_FINISH 109

// Controls of the destination and parts page (108).
#define IDC_DESTINATION 1001
#define IDC_BROWSE 1002
#define IDC_PART_PICTURES 1003
#define IDC_PART_SOUNDS 1004
#define IDC_PART_VOICES 1005
#define IDC_PART_OTHERS 1006
#define IDC_SELECT_ALL 1010
#define IDC_SELECT_NONE 1011

// Controls of the progress dialog (102).
#define IDC_FILE_PROGRESS 1012
#define IDC_TOTAL_PROGRESS 1013
#define IDC_FILE_PERCENT 1014
#define IDC_TOTAL_PERCENT 1015
#define IDC_PROGRESS_TEXT 1016

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Text of the updating notice (103).
#define IDC_UPDATING_TEXT 1020
