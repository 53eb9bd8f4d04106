// Ids of the tag selection dialog "TAGSELDLG" and the tag tree bitmap
// (tag_select.rc); the public header names the same ids.
#pragma once

#define IDB_TAG_TREE     1201 // bitmap: closed group, opened group, tag (22 x 17 each)
#define IDC_TAGSEL_NAME  1202 // read-only edit: the tag OK accepts
#define IDC_TAGSEL_LIST  1203 // owner-drawn tree list of the tags
