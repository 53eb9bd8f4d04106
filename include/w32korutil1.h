/*
 * w32korutil1.h - public interface of W32KORUTIL1.dll, the utilities library
 * of the panel designer.
 *
 * Everything a host needs: the exports, the private window messages, the
 * window class names, the host records and the callback types. Host records
 * are packed; in the 32-bit build every record has the exact byte layout the
 * host keeps in its project data. In a 64-bit build every address, handle and
 * callback field is pointer-sized in the same place and the fields after it
 * move accordingly.
 *
 * All exports and callbacks use the WINAPI (__stdcall) convention and are
 * exported undecorated, by name, at fixed ordinals (see W32KORUTIL1.def).
 */
#ifndef W32KORUTIL1_H
#define W32KORUTIL1_H

#include <windows.h>
#include <stddef.h>

#ifdef W32KORUTIL1_BUILD
#define W32KAPI
#else
#define W32KAPI __declspec(dllimport)
#endif

/* Layout checks of the host records: the 32-bit size/offset first, then the
 * 64-bit one (every address, handle and callback field widened to 8 bytes). */
#ifdef __cplusplus
#define W32K_STATIC_ASSERT(expr, msg) static_assert(expr, msg)
#else
#define W32K_STATIC_ASSERT(expr, msg) _Static_assert(expr, msg)
#endif
#ifdef _WIN64
#define W32K_CHECK_SIZE(type, size32, size64) \
    W32K_STATIC_ASSERT(sizeof(type) == (size64), #type " size")
#define W32K_CHECK_OFFSET(type, field, off32, off64) \
    W32K_STATIC_ASSERT(offsetof(type, field) == (off64), #type "." #field " offset")
#else
#define W32K_CHECK_SIZE(type, size32, size64) \
    W32K_STATIC_ASSERT(sizeof(type) == (size32), #type " size")
#define W32K_CHECK_OFFSET(type, field, off32, off64) \
    W32K_STATIC_ASSERT(offsetof(type, field) == (off32), #type "." #field " offset")
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------------------
 * Window classes registered while the library is loaded (global classes).
 * ------------------------------------------------------------------------- */
#define W32K_CLASS_SPIN          "CPSPIN_KEY_FOC_32"  /* spin control */
#define W32K_CLASS_METER         "xMeter_32"          /* percentage meter */
#define W32K_CLASS_DIGITS_EDIT   "DLGNOALPHAEDIT_32"  /* digits-only edit ("edit" superclass) */
#define W32K_CLASS_CHECKBOX_ONLY "CHECKBOXONLY_32"    /* check box with whole-control focus ("button" superclass) */
#define W32K_CLASS_BITMAP_BUTTON "XBUTTBMP_32"        /* bitmap push-button ("button" superclass) */

/* ---------------------------------------------------------------------------
 * Private window messages.
 * ------------------------------------------------------------------------- */
#define WM_METERSETRANGE 4040 /* wParam = range (100%); returns 0 */
#define WM_METERGETRANGE 4041 /* returns the range */
#define WM_METERSETPOS   4042 /* wParam = position; repaints; returns 0 */
#define WM_METERGETPOS   4043 /* returns the position */
#define WM_SPINSTEP      4056 /* spin control -> parent: wParam = spin window id, lParam = step */
#define WM_EDITRETURN    (WM_USER + 100) /* digits-only edit with "RET" -> parent: Tab/Return; wParam = edit window */
#define WM_PWDERROR      (WM_USER + 101) /* password dialog's deferred error message */

/* ---------------------------------------------------------------------------
 * Callback types.
 * ------------------------------------------------------------------------- */

/* The host's allocation function: returns a block of at least cb bytes from
 * the C runtime heap the host shares with the library (released with free),
 * or NULL. */
typedef void *(WINAPI *AppFmallocProc)(UINT cb);

/* ---------------------------------------------------------------------------
 * Frame services.
 * ------------------------------------------------------------------------- */

/* Centres a dialog on the primary screen, the horizontal position rounded to
 * a multiple of 8; returns the result of MoveWindow. */
W32KAPI BOOL WINAPI CenterDialogBox(HWND dialog);
/* Installs the host's allocator; returns the address it was given. */
W32KAPI AppFmallocProc WINAPI SetAppFmalloc(AppFmallocProc allocator);
/* Returns the installed allocator, NULL before SetAppFmalloc. */
W32KAPI AppFmallocProc WINAPI GetAppFmalloc(void);

/* ---------------------------------------------------------------------------
 * Window procedures of the registered classes and the bitmap frame.
 * ------------------------------------------------------------------------- */
W32KAPI LRESULT WINAPI SpinControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
W32KAPI LRESULT WINAPI TVOMeterWndFn(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
W32KAPI LRESULT WINAPI DlgNoAlphaEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
W32KAPI LRESULT WINAPI CheckBoxOnlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
W32KAPI LRESULT WINAPI TavoButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Subclass procedure a host installs on a "static" control to show a bitmap. */
W32KAPI LRESULT WINAPI StaticBmpFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* ---------------------------------------------------------------------------
 * Parameter-set folders.
 * ------------------------------------------------------------------------- */

/* A parameter-set folder holds the values of one recipe field over all the
 * parameter sets, run-length coded: each entry gives one value to a range of
 * consecutive set indices. The descriptor lives in the host's records; the
 * entries lie in a movable global block (GMEM_MOVEABLE | GMEM_ZEROINIT) whose
 * handle the descriptor holds. Every operation locks the block only for its
 * own duration and replaces it by a new block of exactly EntryCount entries
 * when the count changes, so a host re-reads the descriptor after each call. */

#define PARSET_KIND_TEXT    0      /* ValueKind of a text folder; any other value: number folder */
#define PARSET_ENTRY_SIZE   16     /* bytes per entry in the block */
#define PARSET_MAX_ENTRIES  4095   /* most entries a folder holds (block below 64 KB) */

#pragma pack(push, 1)

/* Folder descriptor. Empty when Block is NULL or EntryCount is 0. */
typedef struct ParSetFolder {
    WORD    EntryCount; /* entries in the block */
    HGLOBAL Block;      /* entry block; NULL when the folder is empty */
    WORD    ValueKind;  /* PARSET_KIND_TEXT: values are string ids; otherwise 32-bit numbers */
    WORD    HostWord;   /* the host's own; carried along by duplication */
} ParSetFolder;
W32K_CHECK_SIZE(ParSetFolder, 10, 14);
W32K_CHECK_OFFSET(ParSetFolder, EntryCount, 0, 0);
W32K_CHECK_OFFSET(ParSetFolder, Block, 2, 2);
W32K_CHECK_OFFSET(ParSetFolder, ValueKind, 6, 10);
W32K_CHECK_OFFSET(ParSetFolder, HostWord, 8, 12);

/* One run: the value of the set indices FirstIndex..LastIndex (inclusive).
 * Entries are in ascending order and do not overlap; gaps are allowed and
 * neighbouring runs may carry equal values. In a text folder every nonzero
 * StringId owns one reference in the project's string store. */
typedef struct ParSetEntry {
    SHORT FirstIndex;  /* first set index of the run */
    SHORT LastIndex;   /* last set index of the run */
    WORD  StringId;    /* text folders: the value (0 = no text, no reference) */
    DWORD Number;      /* number folders: the value */
    BYTE  Reserved[6]; /* zero in new entries; kept when a run is split */
} ParSetEntry;
W32K_CHECK_SIZE(ParSetEntry, 16, 16);
W32K_CHECK_OFFSET(ParSetEntry, FirstIndex, 0, 0);
W32K_CHECK_OFFSET(ParSetEntry, LastIndex, 2, 2);
W32K_CHECK_OFFSET(ParSetEntry, StringId, 4, 4);
W32K_CHECK_OFFSET(ParSetEntry, Number, 6, 6);
W32K_CHECK_OFFSET(ParSetEntry, Reserved, 10, 10);

#pragma pack(pop)

/* Set indices, counts and offsets are signed 16-bit values passed in 32 bits
 * (the low 16 bits are used). `project` is the host's project block, the
 * owner of the string store; the number operations do not use it. */

/* Writes the value of set index `index` into *value (a number, or a string id
 * widened with zeros; no reference is taken) and returns TRUE; returns FALSE
 * and leaves *value alone when no run covers the index. */
W32KAPI BOOL WINAPI ExpGetValueFromFolder(ParSetFolder *folder, int index, DWORD *value, void *project);
/* Gives set index `index` the value (a number, or a string id in the low 16
 * bits together with one reference that passes to the folder whatever the
 * result), splitting, shrinking or joining runs. TRUE when the index holds the
 * value afterwards; FALSE when memory fails or the folder would exceed
 * PARSET_MAX_ENTRIES: the folder is then unchanged and the handed-over
 * reference dropped. */
W32KAPI BOOL WINAPI ExpPlaceValueInFolder(ParSetFolder *folder, int index, DWORD value, void *project);
/* Keeps the set indices up to count - offset - 1: runs beyond are removed
 * (their references dropped), a run across the limit is shortened; count <= 0
 * empties the folder. TRUE when the folder is within the limit afterwards;
 * FALSE when it is empty or memory fails (then it is unchanged). */
W32KAPI BOOL WINAPI ExpValidateFolder(ParSetFolder *folder, int count, int offset, void *project);
/* Makes *destination a copy of *source with a block of its own (one more
 * reference per nonzero string id). The destination's previous contents are
 * overwritten, not released. TRUE on success or when the source is empty;
 * FALSE when memory fails (the destination is then empty). */
W32KAPI BOOL WINAPI ExpDuplicateFolder(ParSetFolder *destination, const ParSetFolder *source, void *project);
/* Drops every reference of the folder, frees its block and empties it;
 * ValueKind and HostWord stay. Returns TRUE (FALSE only for a NULL folder). */
W32KAPI BOOL WINAPI ExpDeleteFolder(ParSetFolder *folder, void *project);

/* ---------------------------------------------------------------------------
 * Net-node folders.
 * ------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------
 * Tag folders.
 * ------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------
 * Matrix (recipe) editor.
 * ------------------------------------------------------------------------- */

#define FIELD_TYPE_ASCII 2 /* FieldDesc.FieldType of an ASCII text field */

typedef struct MatrixRow MatrixRow;

/* Host callbacks of the matrix editor; their results are not used. The text
 * buffers they receive hold 256 bytes. */
/* Writes the NUL-terminated display text of a numeric value of the row. */
typedef BOOL (WINAPI *MatrixFormatValueProc)(MatrixRow *row, DWORD value, LPSTR text);
/* Stores the value that the text denotes for the row. */
typedef BOOL (WINAPI *MatrixParseValueProc)(MatrixRow *row, DWORD *value, LPCSTR text);
/* Writes the NUL-terminated name of the row. */
typedef BOOL (WINAPI *MatrixGetRowNameProc)(MatrixRow *row, LPSTR text);

#pragma pack(push, 1)

/* The host's field descriptor; the library knows only these two bytes of it. */
typedef struct FieldDesc {
    BYTE Unused0[6];
    BYTE FieldType;    /* FIELD_TYPE_ASCII: the only type that may name the recipe */
    BYTE Unused7[96];
    BYTE IsRecipeName; /* 1: this row's texts are the recipe names */
} FieldDesc;
W32K_CHECK_SIZE(FieldDesc, 104, 104);
W32K_CHECK_OFFSET(FieldDesc, FieldType, 6, 6);
W32K_CHECK_OFFSET(FieldDesc, IsRecipeName, 103, 103);

/* One row (recipe field) of a matrix, owned by the host. */
struct MatrixRow {
    ParSetFolder *HostFolder; /* the row's folder in the host's data */
    ParSetFolder  Folder;     /* working copy; ValueKind != 0: numeric row, 0: text row */
    WORD          Unused14;
    FieldDesc    *Field;      /* the host's field descriptor of this row */
    BYTE          Unused20[8];
    BYTE          MaxTextLen; /* longest text of a text row, in characters */
    BYTE          Unused29[3];
};
W32K_CHECK_SIZE(MatrixRow, 32, 44);
W32K_CHECK_OFFSET(MatrixRow, HostFolder, 0, 0);
W32K_CHECK_OFFSET(MatrixRow, Folder, 4, 8);
W32K_CHECK_OFFSET(MatrixRow, Folder.ValueKind, 10, 18);
W32K_CHECK_OFFSET(MatrixRow, Field, 16, 24);
W32K_CHECK_OFFSET(MatrixRow, MaxTextLen, 28, 40);

/* The matrix descriptor. The host fills the members up to Project; the
 * members from FirstRow on are the editor's state while its dialog is open. */
typedef struct MatrixDesc {
    WORD                 *HostSetCount;    /* the host's count of parameter sets */
    SHORT                 SetCount;        /* parameter sets being edited, 1 to 255 */
    SHORT                 SetBase;         /* column base */
    SHORT                 RowCount;        /* rows (fields) */
    SHORT                 RowBase;         /* row base */
    MatrixRow            *Rows;            /* RowCount row records */
    MatrixFormatValueProc FormatValue;     /* may be NULL */
    MatrixParseValueProc  ParseValue;      /* may be NULL */
    MatrixGetRowNameProc  GetRowName;      /* may be NULL */
    char                  Title[30];       /* dialog title */
    char                  RowCaption[30];  /* caption above the row names */
    char                  SetCaption[30];  /* caption above the parameter-set columns */
    WORD                  RecipeId;        /* this recipe in the project's multipage list */
    SHORT                 FirstRow;        /* first visible row */
    SHORT                 FirstSet;        /* first visible parameter set */
    void                 *Project;         /* the host's project block */
    BOOL                  SelActive;       /* nonzero while a selection is highlighted */
    SHORT                 SelRowFrom;
    SHORT                 SelRowTo;
    SHORT                 SelSetFrom;
    SHORT                 SelSetTo;
    HWND                  NextViewer;      /* next window in the clipboard viewer chain */
    COLORREF              HighlightColour; /* colour of selected cells */
    HBRUSH                HighlightBrush;  /* solid brush of HighlightColour, the dialog's */
} MatrixDesc;
W32K_CHECK_SIZE(MatrixDesc, 152, 184);
W32K_CHECK_OFFSET(MatrixDesc, HostSetCount, 0, 0);
W32K_CHECK_OFFSET(MatrixDesc, SetCount, 4, 8);
W32K_CHECK_OFFSET(MatrixDesc, SetBase, 6, 10);
W32K_CHECK_OFFSET(MatrixDesc, RowCount, 8, 12);
W32K_CHECK_OFFSET(MatrixDesc, RowBase, 10, 14);
W32K_CHECK_OFFSET(MatrixDesc, Rows, 12, 16);
W32K_CHECK_OFFSET(MatrixDesc, FormatValue, 16, 24);
W32K_CHECK_OFFSET(MatrixDesc, ParseValue, 20, 32);
W32K_CHECK_OFFSET(MatrixDesc, GetRowName, 24, 40);
W32K_CHECK_OFFSET(MatrixDesc, Title, 28, 48);
W32K_CHECK_OFFSET(MatrixDesc, RowCaption, 58, 78);
W32K_CHECK_OFFSET(MatrixDesc, SetCaption, 88, 108);
W32K_CHECK_OFFSET(MatrixDesc, RecipeId, 118, 138);
W32K_CHECK_OFFSET(MatrixDesc, FirstRow, 120, 140);
W32K_CHECK_OFFSET(MatrixDesc, FirstSet, 122, 142);
W32K_CHECK_OFFSET(MatrixDesc, Project, 124, 144);
W32K_CHECK_OFFSET(MatrixDesc, SelActive, 128, 152);
W32K_CHECK_OFFSET(MatrixDesc, SelRowFrom, 132, 156);
W32K_CHECK_OFFSET(MatrixDesc, SelRowTo, 134, 158);
W32K_CHECK_OFFSET(MatrixDesc, SelSetFrom, 136, 160);
W32K_CHECK_OFFSET(MatrixDesc, SelSetTo, 138, 162);
W32K_CHECK_OFFSET(MatrixDesc, NextViewer, 140, 164);
W32K_CHECK_OFFSET(MatrixDesc, HighlightColour, 144, 172);
W32K_CHECK_OFFSET(MatrixDesc, HighlightBrush, 148, 176);

#pragma pack(pop)

/* Brings the working folders of the matrix into shape: every row's Folder
 * gets a value at each set index 0 to SetCount - 1 (0 or the empty text where
 * it had none; texts cut to MaxTextLen) and is then cut back with
 * ExpValidateFolder(SetCount, SetBase). Returns TRUE (FALSE for NULL). */
W32KAPI BOOL WINAPI ValidateParSets(MatrixDesc *matrix);

/* ---------------------------------------------------------------------------
 * Tree lists and the tag selection dialog.
 * ------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------
 * Edit helpers and the password table.
 * ------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------
 * Communication settings.
 * ------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------
 * Bitmaps.
 * ------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------
 * List helpers, dialog folding, INI and file helpers.
 * ------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------
 * Tokens, fonts and languages.
 * ------------------------------------------------------------------------- */

#ifdef __cplusplus
}
#endif

#endif /* W32KORUTIL1_H */
