// Ids of the password table dialog "PASSWORDDLG" (password.rc).
#pragma once

// Row k (0 to 7) uses the ids IDC_PWD_ROW(k, part), part one of the
// IDC_PWD_PART_... offsets below: base 500 + 10 * k.
#define IDC_PWD_FIRST_ROW 500
#define IDC_PWD_ROW_STEP  10
#define IDC_PWD_ROW(k, part) (IDC_PWD_FIRST_ROW + (k) * IDC_PWD_ROW_STEP + (part))

#define IDC_PWD_PART_PASSWORD 0 // digits-only edit
#define IDC_PWD_PART_CONF     1 // attribute check boxes ...
#define IDC_PWD_PART_TIME     2
#define IDC_PWD_PART_ACK      3
#define IDC_PWD_PART_PRINT    4
#define IDC_PWD_PART_PAGE     5
#define IDC_PWD_PART_ALOGI    6 // automatic login
#define IDC_PWD_PART_ALOGO    7 // automatic logout
#define IDC_PWD_PART_FROM     8 // "From page" digits-only edit
#define IDC_PWD_PART_TO       9 // "To page" digits-only edit

#define IDC_PWD_TIMEOUT       580 // logout timeout edit
#define IDC_PWD_SYSTEM_FRAME  401 // grey frame around the System password's boxes
#define IDC_PWD_SYSTEM_LINE   402 // grey line joining the System password to the frame

// Message shown when the table cannot be stored for want of memory.
#define IDS_PWD_NO_MEMORY     1101
