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

/* Line settings byte: baud rate, data bits, parity and stop bits of a serial
 * line in one unsigned byte (bit 0 least significant). */
#define W32K_LINE_BAUD_MASK     0x0F /* bits 0-3: baud index, see below */
#define W32K_LINE_DATA_BITS_8   0x10 /* bit 4: 0 = 7 data bits, 1 = 8 */
#define W32K_LINE_PARITY_SHIFT  5    /* bits 5-6: parity */
#define W32K_LINE_PARITY_MASK   0x60
#define W32K_LINE_STOP_BITS_2   0x80 /* bit 7: 0 = one stop bit, 1 = two */

/* Baud indexes: 0 = 150, 1 = 300, 2 = 600, 3 = 1200, 4 = 2400, 5 = 4800,
 * 6 = 9600, 7 = 19200, 8 = 38400, 9 = 57600 baud; 10-15 are not used. */
#define W32K_BAUD_150    0
#define W32K_BAUD_9600   6
#define W32K_BAUD_19200  7
#define W32K_BAUD_38400  8
#define W32K_BAUD_57600  9

/* Parity field values. */
#define W32K_PARITY_NONE 0
#define W32K_PARITY_ODD  1
#define W32K_PARITY_EVEN 2

/* Port indexes: 0 = COM1 .. 3 = COM4. CheckPortSelection returns
 * W32K_PORT_NONE when none of the four ports can be opened. */
#define W32K_PORT_COUNT 4
#define W32K_PORT_NONE  8

#pragma pack(push, 1)

/* Port settings record: the creation parameter of the port settings dialog
 * and the record of the port probing routines. All texts and arrays belong
 * to the host and outlive the call. */
typedef struct PortSettings {
    BYTE *settings;                /* the line settings byte */
    DWORD *portIndex;              /* 0 = COM1 .. 3 = COM4 */
    const char *const *deviceNames;/* 4 device names in port order, passed to CreateFileA */
    LONG workingBaudIndex;         /* owned by the dialog while it runs */
    const char *const *baudTexts;  /* display texts by baud index (6, 7 and 8 are read) */
    DWORD reserved;                /* not used by this library */
    const char *caption;           /* caption of the message boxes */
} PortSettings;

/* Communication parameters record: the communication parameters dialog and
 * the INI routines. The INI baud-rate texts should be the decimal rates
 * ("9600" at index 6) so that a written file reads back. */
typedef struct CommParameters {
    BYTE *settings;                  /* the line settings byte */
    BYTE workingSettings;            /* owned by the dialog while it runs */
    BYTE unused5[3];
    const char *const *displayTexts; /* baud-rate display texts by baud index */
    BYTE lowestBaudIndex;            /* lowest selectable baud index */
    BYTE highestBaudIndex;           /* highest selectable baud index (>= lowest) */
    BYTE unused14[2];
    const char *const *iniBaudTexts; /* INI baud-rate texts by baud index */
    const char *const *parityTexts;  /* 3 texts: none, odd, even */
    DWORD unused24;
    const char *iniFile;             /* INI file name */
    const char *iniSection;          /* INI section name */
} CommParameters;

#pragma pack(pop)

W32K_CHECK_SIZE(PortSettings, 28, 48);
W32K_CHECK_OFFSET(PortSettings, settings, 0, 0);
W32K_CHECK_OFFSET(PortSettings, portIndex, 4, 8);
W32K_CHECK_OFFSET(PortSettings, deviceNames, 8, 16);
W32K_CHECK_OFFSET(PortSettings, workingBaudIndex, 12, 24);
W32K_CHECK_OFFSET(PortSettings, baudTexts, 16, 28);
W32K_CHECK_OFFSET(PortSettings, reserved, 20, 36);
W32K_CHECK_OFFSET(PortSettings, caption, 24, 40);

W32K_CHECK_SIZE(CommParameters, 36, 60);
W32K_CHECK_OFFSET(CommParameters, settings, 0, 0);
W32K_CHECK_OFFSET(CommParameters, workingSettings, 4, 8);
W32K_CHECK_OFFSET(CommParameters, displayTexts, 8, 12);
W32K_CHECK_OFFSET(CommParameters, lowestBaudIndex, 12, 20);
W32K_CHECK_OFFSET(CommParameters, highestBaudIndex, 13, 21);
W32K_CHECK_OFFSET(CommParameters, iniBaudTexts, 16, 24);
W32K_CHECK_OFFSET(CommParameters, parityTexts, 20, 32);
W32K_CHECK_OFFSET(CommParameters, unused24, 24, 40);
W32K_CHECK_OFFSET(CommParameters, iniFile, 28, 44);
W32K_CHECK_OFFSET(CommParameters, iniSection, 32, 52);

/* Runs the "Port Settings" dialog on the record. Returns 1 after OK, 0 after
 * Cancel or when no port can be opened (or no record is given), -1 when the
 * dialog cannot be created. */
W32KAPI INT_PTR WINAPI StartPCSetupDlg(HWND owner, PortSettings *record);
/* The dialog procedure of the "Port Settings" dialog. */
W32KAPI INT_PTR WINAPI ComPCMsgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
/* Probes the four device names (exclusive open); with a dialog, disables the
 * buttons of unavailable ports and checks the one chosen. Returns the first
 * available port searching cyclically from the current one, W32K_PORT_NONE
 * when none can be opened, or a current index outside 0-3 unchanged. Does not
 * write the record. */
W32KAPI UINT WINAPI CheckPortSelection(HWND dialog, PortSettings *record);
/* Probes as CheckPortSelection and moves the port index to the port found,
 * telling the user. Returns TRUE when no port can be opened (after a message),
 * FALSE otherwise. */
W32KAPI BOOLEAN WINAPI SetComPort(HWND dialog, PortSettings *record);

/* Runs the "Communication Parameters Setup" dialog. Returns 1 after OK (the
 * settings byte is written), 0 after Cancel or without a record, -1 when the
 * dialog cannot be created. */
W32KAPI INT_PTR WINAPI ExecCommParameters(HWND owner, CommParameters *record);
/* Reads "BaudRate", "DataBits", "Parity" and "StopBits" from the record's INI
 * section into the settings byte, field by field. Returns 0 when every key
 * gave an accepted value, 1 otherwise. */
W32KAPI int WINAPI LoadIniCommParams(CommParameters *record);
/* Writes the four keys. Returns 0 when all writes succeeded, 1 otherwise. */
W32KAPI int WINAPI WriteIniCommParams(CommParameters *record);

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
