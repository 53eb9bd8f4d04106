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

/* ---------------------------------------------------------------------------
 * Net-node folders.
 * ------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------
 * Tag folders.
 * ------------------------------------------------------------------------- */

/* ---------------------------------------------------------------------------
 * Matrix (recipe) editor.
 * ------------------------------------------------------------------------- */

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

/* Dialog folding: resizes the dialog so that it ends 4 dialog-frame widths
 * right of (horizontal nonzero) or 4 frame heights below the control
 * markerId, centres it on the screen and, when button is given and has a
 * caption, replaces the arrow mark at the end of its caption: "<<" when
 * arrowBack is nonzero, ">>" when it is zero. Returns FALSE (and changes
 * nothing) when the dialog has no control markerId. */
W32KAPI BOOL WINAPI XDialogFold(HWND dialog, int markerId, BOOL horizontal, BOOL arrowBack,
                                HWND button);

/* Number lists: parses text (file and section NULL) or the INI value
 * file/section/key (text is its default) into list[0..count-1]:
 * list[0] = groups (separated by ';'), list[1] = the running item count
 * (items separated by ',' or '.'; a ';' restarts the count without storing
 * it), list[2..] = the numbers of all groups (decimal, or hex after 0x).
 * Returns 0 on success, 1 on bad arguments, an empty INI value or a full
 * list (count - 2 numbers at most). count must be at least 3. */
W32KAPI int WINAPI GetIniRangeNumbers(LPCSTR file, LPCSTR section, LPCSTR key, LPCSTR text,
                                      int *list, int count);
/* Version of a module from its string resource 1 ("a.b" -> a*256+b,
 * "a.b.c" -> b*256+c, "a" -> a*256); 0 when it has none. */
W32KAPI WORD WINAPI DecodeLibVersion(HMODULE module);

/* File search along the system search path. name holds the file name (OEM
 * code page) and receives the full path (OEM code page); size is the size of
 * the buffer, below W32K_FINDFILE_LIMIT. Returns TRUE when found and the
 * path fits; FALSE otherwise. reserved is not used. */
#define W32K_FINDFILE_LIMIT 260
W32KAPI BOOL WINAPI FindFile(LPSTR name, int size, DWORD reserved);
/* The module's help (<name>.hlp) / INI (<name>.ini) file along the search
 * path, as FindFile; module NULL is the host's executable. */
W32KAPI BOOL WINAPI GetHelpFileName(HMODULE module, LPSTR buffer, int size);
W32KAPI BOOL WINAPI GetIniFileName(HMODULE module, LPSTR buffer, int size);

/* File search over a sequence of locations: step 0 the directory of the
 * path, 1 the module's directory, 2 the Windows directory, 3 the system
 * directory. The mode's low bits give the first step; W32K_FIND_ONE_LOCATION
 * restricts the search to that step. In modes 0 and W32K_FIND_ONE_LOCATION
 * path is "directory\pattern", otherwise it is the pattern alone. path
 * (MAX_PATH bytes) receives the full name of each match. The search changes
 * the current directory to the location searched. Returns 0 when a file was
 * found, 1 when none was (or memory failed). One search runs at a time: a
 * new FindFirst ends the running one. */
#define W32K_FIND_ONE_LOCATION 0x8000u
W32KAPI int WINAPI FindFirst(HMODULE module, LPSTR path, DWORD reserved, UINT mode);
/* The next match into path (MAX_PATH bytes): 0 when found, 1 when the
 * search is over (its state is then freed). */
W32KAPI int WINAPI FindNext(LPSTR path);
/* Ends the running search, if any. */
W32KAPI void WINAPI FileFindInterrupt(void);

/* ---------------------------------------------------------------------------
 * Tokens, fonts and languages.
 * ------------------------------------------------------------------------- */

#pragma pack(push, 1)

/* The 16-bit font description (the 32-bit counterpart is LOGFONTA). */
typedef struct LogFont16 {
    SHORT height;
    SHORT width;
    SHORT escapement;
    SHORT orientation;
    SHORT weight;
    BYTE italic;
    BYTE underline;
    BYTE strikeOut;
    BYTE charSet;
    BYTE outPrecision;
    BYTE clipPrecision;
    BYTE quality;
    BYTE pitchAndFamily;
    CHAR faceName[32]; /* zero-terminated within the 32 bytes */
} LogFont16;

/* One record of the project's language table (project block offset 861). */
typedef struct LanguageRecord {
    WORD nameId;     /* string-store id of the name in every language; 0 = none */
    BYTE reserved;   /* not used by the library */
    void *itemCopy;  /* LanguageItemCopy[] (one per item record) or NULL */
    void *slotCopy;  /* LanguageSlotCopy[W32K_LANG_SLOTS] or NULL */
} LanguageRecord;

/* Copy of one item record's language-dependent fields. */
typedef struct LanguageItemCopy {
    BYTE byte49;          /* item record byte 49 */
    BYTE unused[11];      /* not written by the library */
    DWORD field45;        /* item record 32-bit field at 45 */
    DWORD field56;        /* item record 32-bit field at 56 */
} LanguageItemCopy;

/* Copy of one slot object's language-dependent fields (all 0 for no object). */
typedef struct LanguageSlotCopy {
    WORD field10;         /* low 16 bits of the object's 32-bit field at 10 */
    WORD field14;         /* low 16 bits of the object's 32-bit field at 14 */
    BYTE unused[8];       /* 0 */
    DWORD field26;        /* the object's 32-bit field at 26 */
    DWORD field30;        /* the object's 32-bit field at 30 */
} LanguageSlotCopy;

#pragma pack(pop)

W32K_CHECK_SIZE(LogFont16, 50, 50);
W32K_CHECK_OFFSET(LogFont16, height, 0, 0);
W32K_CHECK_OFFSET(LogFont16, width, 2, 2);
W32K_CHECK_OFFSET(LogFont16, escapement, 4, 4);
W32K_CHECK_OFFSET(LogFont16, orientation, 6, 6);
W32K_CHECK_OFFSET(LogFont16, weight, 8, 8);
W32K_CHECK_OFFSET(LogFont16, italic, 10, 10);
W32K_CHECK_OFFSET(LogFont16, underline, 11, 11);
W32K_CHECK_OFFSET(LogFont16, strikeOut, 12, 12);
W32K_CHECK_OFFSET(LogFont16, charSet, 13, 13);
W32K_CHECK_OFFSET(LogFont16, outPrecision, 14, 14);
W32K_CHECK_OFFSET(LogFont16, clipPrecision, 15, 15);
W32K_CHECK_OFFSET(LogFont16, quality, 16, 16);
W32K_CHECK_OFFSET(LogFont16, pitchAndFamily, 17, 17);
W32K_CHECK_OFFSET(LogFont16, faceName, 18, 18);
W32K_CHECK_SIZE(LanguageRecord, 11, 19);
W32K_CHECK_OFFSET(LanguageRecord, nameId, 0, 0);
W32K_CHECK_OFFSET(LanguageRecord, reserved, 2, 2);
W32K_CHECK_OFFSET(LanguageRecord, itemCopy, 3, 3);
W32K_CHECK_OFFSET(LanguageRecord, slotCopy, 7, 11);
W32K_CHECK_SIZE(LanguageItemCopy, 20, 20);
W32K_CHECK_OFFSET(LanguageItemCopy, byte49, 0, 0);
W32K_CHECK_OFFSET(LanguageItemCopy, field45, 12, 12);
W32K_CHECK_OFFSET(LanguageItemCopy, field56, 16, 16);
W32K_CHECK_SIZE(LanguageSlotCopy, 20, 20);
W32K_CHECK_OFFSET(LanguageSlotCopy, field10, 0, 0);
W32K_CHECK_OFFSET(LanguageSlotCopy, field14, 2, 2);
W32K_CHECK_OFFSET(LanguageSlotCopy, field26, 12, 12);
W32K_CHECK_OFFSET(LanguageSlotCopy, field30, 16, 16);

/* Fields of the host's project block used by the language functions (byte
 * offsets, the same in both builds; the pointer fields are pointer-sized). */
#define W32K_PRJ_ITEM_COUNT      470 /* WORD: number of item records */
#define W32K_PRJ_ITEM_TABLE      472 /* pointer: item records */
#define W32K_PRJ_SLOTS_IN_USE    766 /* DWORD: nonzero when the slot table is used */
#define W32K_PRJ_SLOT_TABLE      770 /* pointer: slot table */
#define W32K_PRJ_LANGUAGE_COUNT  855 /* BYTE: number of languages */
#define W32K_PRJ_COPY_ENTRIES    857 /* WORD: entries to allocate for an item copy */
#define W32K_PRJ_LANGUAGE_TABLE  861 /* pointer: LanguageRecord[languages] */
#define W32K_ITEM_RECORD_SIZE    76  /* bytes of one item record */
#define W32K_SLOT_TABLE_OBJECTS  10  /* offset of the slot table's object pointers */
#define W32K_LANG_SLOTS          9   /* object pointers in the slot table */

/* The "Select Language" dialog template that hosts run with their own
 * dialog procedure: the current language (read-only edit) and the list of
 * languages that InitLangListBox fills. */
#define W32K_DLG_SELECT_LANGUAGE 1760
#define W32K_ID_CURRENT_LANGUAGE 1761
#define W32K_ID_LANGUAGE_LIST    1762

/* Splits text into tokens: the token at *cursor (at most maximum
 * characters, the rest of a longer token is skipped) is copied into token
 * (maximum + 1 bytes) and *cursor moves behind it and one delimiter. Two
 * delimiters in a row give an empty token. Returns token, or NULL (and
 * *cursor = NULL) at the end of the text. */
W32KAPI LPSTR WINAPI GetNextToken(LPSTR token, LPSTR *cursor, LPCSTR delimiters, int maximum);
/* Font description conversions into a buffer of the library that the next
 * call of the same conversion overwrites; NULL for a NULL argument. */
W32KAPI LogFont16 *WINAPI LogFont32to16(const LOGFONTA *font);
W32KAPI LOGFONTA *WINAPI LogFont16to32(const LogFont16 *font);

/* Copies the project's language-dependent item and slot fields into the
 * first language record (new arrays from the application allocator; the
 * arrays it held before are the host's to free). TRUE on success or when
 * the project has no languages; FALSE when an allocation failed. */
W32KAPI BOOL WINAPI DefaultToMultiLang(void *project);
/* Writes the first language record's copies back into the items and slots.
 * TRUE on success or when the project has no languages; FALSE when a copy
 * array needed is missing (the other part is still written). */
W32KAPI BOOL WINAPI MultiLangToDefault(void *project);
/* Adds one line per language record to the list box: the language's name
 * shown in the given language (empty for a record without a name). */
W32KAPI void WINAPI InitLangListBox(DWORD reserved, HWND listBox, void *project, int language);

#ifdef __cplusplus
}
#endif

#endif /* W32KORUTIL1_H */
