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

/* The digits-only edit reports Tab and Return to its parent with
 * WM_EDITRETURN while it carries this window property (any value). */
#define W32K_PROP_EDIT_RETURN "RET"

/* Moves an address by a byte offset (ordinals 181 and 180: one operation
 * under two names); the 32-bit build adds modulo 2^32. */
W32KAPI void *WINAPI ChangeFarPtrBase(void *address, LONG offset);
W32KAPI void *WINAPI GetFarPtrFromHuge(void *address, LONG offset);
/* Releases nothing; returns 1 for any address. */
W32KAPI BOOL WINAPI FreeOurFarPtr(void *address);

#define PASSWORD_MAX_ENTRIES  8  /* rows of the password dialog */
#define PASSWORD_LENGTH       4  /* digits of a password */

/* PasswordEntry.Attributes */
#define PWD_ATTR_CONF   0x01
#define PWD_ATTR_TIME   0x02
#define PWD_ATTR_ACK    0x04
#define PWD_ATTR_PRINT  0x08
#define PWD_ATTR_PAGE   0x10
#define PWD_ATTR_UNUSED 0x20 /* kept as it is */
#define PWD_ATTR_ALOGI  0x40 /* automatic login */
#define PWD_ATTR_ALOGO  0x80 /* automatic logout */
/* The System password (entry 0) always carries these. */
#define PWD_ATTR_SYSTEM (PWD_ATTR_CONF | PWD_ATTR_TIME | PWD_ATTR_ACK | PWD_ATTR_PRINT | PWD_ATTR_PAGE)

#pragma pack(push, 1)

/* One password of the table; entry 0 is the System password. */
typedef struct PasswordEntry {
    char Password[PASSWORD_LENGTH + 1]; /* NUL-terminated digits */
    BYTE Attributes;                    /* PWD_ATTR_... */
    WORD FromPage;                      /* first page with data entry enabled */
    WORD ToPage;                        /* last page with data entry enabled */
    BYTE Reserved[10];                  /* kept in existing entries, zero in new ones */
} PasswordEntry;

/* The host's password data, passed to StartPasswordDlg by address. */
typedef struct PasswordBlock {
    LONG *PagesUsed;       /* the project's number of pages used */
    BYTE *PasswordCount;   /* entries in PasswordTable */
    DWORD Reserved08;      /* not used by the dialog */
    HGLOBAL PasswordTable; /* movable block of PasswordCount entries; NULL when 0 */
    DWORD Reserved16;      /* not used by the dialog */
    WORD LogoutTimeout;    /* 10 to 700 once the dialog has written it */
} PasswordBlock;

#pragma pack(pop)

W32K_CHECK_SIZE(PasswordEntry, 20, 20);
W32K_CHECK_OFFSET(PasswordEntry, Password, 0, 0);
W32K_CHECK_OFFSET(PasswordEntry, Attributes, 5, 5);
W32K_CHECK_OFFSET(PasswordEntry, FromPage, 6, 6);
W32K_CHECK_OFFSET(PasswordEntry, ToPage, 8, 8);
W32K_CHECK_OFFSET(PasswordEntry, Reserved, 10, 10);

W32K_CHECK_SIZE(PasswordBlock, 22, 34);
W32K_CHECK_OFFSET(PasswordBlock, PagesUsed, 0, 0);
W32K_CHECK_OFFSET(PasswordBlock, PasswordCount, 4, 8);
W32K_CHECK_OFFSET(PasswordBlock, Reserved08, 8, 16);
W32K_CHECK_OFFSET(PasswordBlock, PasswordTable, 12, 20);
W32K_CHECK_OFFSET(PasswordBlock, Reserved16, 16, 28);
W32K_CHECK_OFFSET(PasswordBlock, LogoutTimeout, 20, 32);

/* Runs the password table dialog on a PasswordBlock (its address as lParam):
 * 1 when the table was accepted and written back, 0 after Cancel or when the
 * block is unusable, -1 when the dialog cannot be created. */
W32KAPI int WINAPI StartPasswordDlg(HWND owner, LPARAM block);
/* Dialog procedure of the template "PasswordDlg". */
W32KAPI INT_PTR WINAPI PasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

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
