// Ids of the dialog templates that the framework tests use.
#pragma once

#define IDD_TEST_FORM 900
#define IDC_TEST_EDIT 901
#define IDC_TEST_NUMBER 902
#define IDC_TEST_CHECK 903
#define IDC_TEST_RADIO_A 904
#define IDC_TEST_RADIO_B 905
#define IDC_TEST_RADIO_C 906
#define IDC_TEST_LIST 907
#define IDC_TEST_STATIC 908
#define IDC_TEST_ACTION 909
