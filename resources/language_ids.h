// Ids of the "Select Language" dialog template (the host runs it with its
// own dialog procedure; the public header names the same ids).
#pragma once

#define IDD_SELECT_LANGUAGE      1760
#define IDC_LANG_CURRENT         1761 // read-only edit: the current language
#define IDC_LANG_LIST            1762 // list box: one line per language record
