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

/* The project's multipage list: the address of a MultipageRec stands at byte
 * W32K_PROJECT_MULTIPAGE_OFFSET of the project block (NULL when the project
 * has none; pointer-sized, unaligned). A recipe is a multipage recipe when its
 * RecipeId stands in Ids. Records and identifier arrays come from the
 * application allocator (or malloc) and are released with free. */
#define W32K_PROJECT_MULTIPAGE_OFFSET 934

#pragma pack(push, 1)
typedef struct RecipeList {
    BYTE Reserved[4];
    WORD IdCount;       /* identifiers in Ids */
    WORD *Ids;          /* IdCount recipe identifiers */
} RecipeList;

typedef struct MultipageRec {
    BYTE Reserved[4];
    WORD ListCount;     /* recipe lists; 1 when the editor creates the record */
    RecipeList *List;
} MultipageRec;
#pragma pack(pop)

W32K_CHECK_SIZE(RecipeList, 10, 14);
W32K_CHECK_OFFSET(RecipeList, IdCount, 4, 4);
W32K_CHECK_OFFSET(RecipeList, Ids, 6, 6);
W32K_CHECK_SIZE(MultipageRec, 10, 14);
W32K_CHECK_OFFSET(MultipageRec, ListCount, 4, 4);
W32K_CHECK_OFFSET(MultipageRec, List, 6, 6);

/* Runs the modal matrix editor "MATRIX_ED" on the MatrixDesc at address
 * descriptor, owned by owner. Returns 1 after OK (the host's folders, set
 * count and multipage list updated), 0 after Cancel or when the editor cannot
 * open on the descriptor (nothing of the host's changed), -1 when the dialog
 * cannot be created. */
W32KAPI int WINAPI StartMatrixEd(HWND owner, LPARAM descriptor);
/* The editor's dialog procedure (for hosts that run MATRIX_ED themselves). */
W32KAPI INT_PTR WINAPI MatrixEdProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

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
