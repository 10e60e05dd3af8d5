// Resource ids of the dialog test programs.
#pragma once

#define IDD_TAB_TEST 3001
#define IDC_TAB 3002
#define IDD_PAGE_ONE 3010
#define IDD_PAGE_TWO 3011
#define IDC_PAGE_ONE_EDIT 3020
#define IDC_PAGE_TWO_EDIT 3021
#define IDD_MODELESS_TEST 3030
#define IDD_MODAL_TEST 3040
#define IDD_MODELESS_KEYS 3050
#define IDC_KEYS_FIRST 3051
#define IDC_KEYS_SECOND 3052
