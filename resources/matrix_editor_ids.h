// Control ids of the matrix (recipe) editor, template MATRIX_ED.
#pragma once

#define IDC_MX_SET_COUNT_LABEL 1001 // "&Number Of Parameter Sets"
#define IDC_MX_SET_COUNT       1002 // number of parameter sets
#define IDC_MX_SET_SPIN        1004 // spin control beside the set count
#define IDC_MX_GRID_FRAME      1005 // group box around the grid
#define IDC_MX_HSCROLL         1006 // pages over parameter sets
#define IDC_MX_VSCROLL         1007 // pages over rows
#define IDC_MX_ROW_CAPTION     1008 // caption above the row names
#define IDC_MX_ROW_NAME_FIRST  1009 // row-name edits 1009..1018, one per row slot
#define IDC_MX_CORNER          1019 // selects the whole matrix
#define IDC_MX_COLUMN_FIRST    1020 // column buttons 1020..1024, one per column slot
#define IDC_MX_ROW_FIRST       1025 // row buttons 1025..1034, one per row slot
#define IDC_MX_SET_CAPTION     1035 // caption above the parameter-set columns
#define IDC_MX_CUT             1040
#define IDC_MX_COPY            1041
#define IDC_MX_PASTE           1042 // enabled only while the clipboard holds text
#define IDC_MX_CELL_FIRST      1050 // cells 1050..1099: slot (i, j) is 1050 + 10 j + i
#define IDC_MX_RECIPE_NAME     1100 // "Set As Recipe name"
#define IDC_MX_MULTIPAGE       1101 // "Multipage recipe"

#define MX_ROW_SLOTS    10 // visible rows
#define MX_COLUMN_SLOTS 5  // visible parameter sets
