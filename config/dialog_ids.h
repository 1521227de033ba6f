// Resource and control ids of "Vantrel Configuration.exe", kept once for the
// resource script, the form logic and the tests. The resource compiler reads
// this file too, so plain #defines only.
#pragma once

#define IDD_MAIN 101
#define IDR_PNG_ADD 102
#define IDR_PNG_REMOVE 103
#define IDR_PNG_APPLY 104
#define IDI_APP 106

#define IDC_LINK_CONTACT 1005
#define IDC_LINK_FAQ 1006
#define IDC_LINK_UPDATE 1007
#define IDC_FORMAT_BOX 1008
#define IDC_ADD_FORMAT 1009
#define IDC_REMOVE_FORMAT 1010
#define IDC_DELETE_DUPLICATES 1011
#define IDC_APPEND_DUPLICATES 1012
#define IDC_SUFFIX_EDIT 1013
#define IDC_ONLY_TS_PORT 1014
#define IDC_DRIVER_LIST 1015
#define IDC_HEADING_PROBLEM 1017
#define IDC_HEADING_FAQ 1018
#define IDC_HEADING_UPDATES 1019
#define IDC_HEADING_FORMAT 1020
#define IDC_HEADING_DRIVERS 1021
#define IDC_HEADING_DUPLICATES 1022
#define IDC_APPLY_CHANGES 1023
#define IDC_RESTORE_DEFAULTS 1024
#define IDC_STATUS_BAR 1027
#define IDC_USE_REGEX 1028
#define IDC_REGEX_EDIT 1029
#define IDC_STRIP_PARENS 1030
#define IDC_POLICY_NOTICE 1031
