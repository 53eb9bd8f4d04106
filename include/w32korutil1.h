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

/* Packed device-independent bitmaps: a header, the colour table or colour
 * masks, and the pixel bits in one block. A header whose size field is 40 or
 * more is read as a BITMAPINFOHEADER, any other as a BITMAPCOREHEADER. The
 * queries take the address of the header of a locked packed DIB; a null
 * address gives 0 (or NULL). */

/* Colours-used field of an info header when nonzero, otherwise by bit count:
 * 1 -> 2, 4 -> 16, 8 -> 256, 16 -> 65536, any other -> 0. */
W32KAPI DWORD WINAPI DIBNumColors(const void *dib);
/* Bytes of the colour table (none above 256 colours) plus the three 32-bit
 * masks that follow a 40-byte header of a 16- or 32-bit BI_BITFIELDS DIB. */
W32KAPI WORD WINAPI PaletteSize(const void *dib);
/* Height and width: the 32-bit fields of an info header, the 16-bit fields of
 * a core header widened with zeros. */
W32KAPI DWORD WINAPI DIBHeight(const void *dib);
W32KAPI DWORD WINAPI DIBWidth(const void *dib);
/* The pixel bits: header + header size + PaletteSize. */
W32KAPI LPSTR WINAPI FindDIBBits(void *dib);
/* The colour table (or masks): header + header size. */
W32KAPI LPSTR WINAPI FindDIBPalette(void *dib);
/* Bytes of one colour-table entry: 4 (RGBQUAD) after an info header, 3
 * (RGBTRIPLE) after a core header, 0 when DIBNumColors is above 256. */
W32KAPI WORD WINAPI GetPaletteItemSize(const void *dib);
/* A new packed DIB in an unlocked GMEM_MOVEABLE | GMEM_ZEROINIT block. The bit
 * count is rounded to a supported one (<=1 -> 1, 2-4 -> 4, 5-8 -> 8, 16 -> 16
 * as 5-6-5 BI_BITFIELDS, 9-15 and 17-24 -> 24, above 24 -> 4); everything
 * behind the header and the masks is 0xFF. NULL when a dimension is above
 * 0x7FFFFFFF, the block would not fit in 32 bits, or allocation fails. */
W32KAPI HGLOBAL WINAPI CreateDIB(DWORD width, DWORD height, WORD bitCount);
/* Converts the packed DIB in the block `source` (info header) by one blit of
 * the graphics layer into a new unlocked packed DIB of bitCount 1 (BI_RGB,
 * black/white colour table), 16 (BI_RGB 5-5-5, or BI_BITFIELDS with the
 * masks 0xF800, 0x07E0, 0x001F) or 24 (BI_RGB). The source's image-size field
 * gives the bytes of bits copied, cut to what its block and image hold. NULL
 * on any failure; the source is never changed. */
W32KAPI HGLOBAL WINAPI TransformTrueColorTo16Bpp(HGLOBAL source, WORD bitCount, DWORD compression);

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
