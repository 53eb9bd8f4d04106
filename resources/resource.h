// Resource ids shared by the resource script and the code.
#pragma once

// String table. Messages 51-60 live together in w32korutil1.rc (one string
// bundle); the dialogs' templates and their ids live in their own .rc and
// *_ids.h files beside this one.
#define IDS_MODULE_NAME 2
#define IDS_VERSION     3

#define IDS_PWD_SYSTEM_FIRST     51 // row 0 empty while a later row has a password
#define IDS_PWD_FORMAT           52 // 1-3 characters, or the reserved password
#define IDS_PWD_PAGES            53 // From/To page outside 1..pages used
#define IDS_NO_PORTS             54 // no communication port can be opened
#define IDS_SWITCHING_PORT       55 // the port changes to another
#define IDS_PORT_UNAVAILABLE     56 // the stored port cannot be opened
#define IDS_PWD_IDENTICAL        57 // two rows hold the same password
#define IDS_PWD_LOGIN_AND_LOGOUT 58 // automatic login and logout in one row
#define IDS_PWD_ONE_LOGIN        59 // automatic login in a second row
#define IDS_RECIPE_NAME_ASCII    60 // recipe name row must be a text field
