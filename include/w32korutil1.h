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
#define WM_SPINSTEP      4056 /* spin control -> parent: wParam = the spin window, lParam = a W32K_SPIN_ code */
#define WM_EDITRETURN    (WM_USER + 100) /* digits-only edit with "RET" -> parent: Tab/Return; wParam = edit window */
#define WM_PWDERROR      (WM_USER + 101) /* password dialog's deferred error message */

/* WM_SPINSTEP's lParam: the half a spin control steps with, or the code a
 * dialog sends itself to show its value without a step (any other code
 * steps nothing either). */
#define W32K_SPIN_UP   0 /* upper half, or left: one up */
#define W32K_SPIN_DOWN 1 /* lower half, or right: one down */
#define W32K_SPIN_NONE 2 /* no step: show the value as it stands */

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
/* Spin control: two halves that step the parent with WM_SPINSTEP. */
W32KAPI LRESULT WINAPI SpinControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Percentage meter: driven by the WM_METER* messages. */
W32KAPI LRESULT WINAPI TVOMeterWndFn(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Edit that takes digits only; with the "RET" property Tab/Return go to the parent. */
W32KAPI LRESULT WINAPI DlgNoAlphaEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Check box whose focus mark is drawn on the parent around the whole control. */
W32KAPI LRESULT WINAPI CheckBoxOnlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Push-button showing the bitmaps of its "BBmp"/"BBmpD" properties. */
W32KAPI LRESULT WINAPI TavoButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Subclass procedure a host installs on a "static" control to show a bitmap. */
W32KAPI LRESULT WINAPI StaticBmpFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* Percentage meter ("xMeter_32"): the low bits of its window style. */
#define W32K_METER_FRAME    0x0001L /* black one-pixel frame inside the border */
#define W32K_METER_SUNKEN   0x0002L /* sunken one-pixel border */
#define W32K_METER_RAISED   0x0004L /* raised one-pixel border (ignored with W32K_METER_SUNKEN) */
#define W32K_METER_VERTICAL 0x0008L /* vertical bar filling from the bottom up */

/* Bitmap push-button ("XBUTTBMP_32") and static bitmap frame: window
 * properties. A bitmap set in "BBmp", "BBmpD" or "SBmp" belongs to the control
 * from then on and is deleted when the control is destroyed. */
#define W32K_PROP_BUTTON_STATE    "HL"    /* the button's own state block */
#define W32K_PROP_BUTTON_BITMAP   "BBmp"  /* bitmap shown normally */
#define W32K_PROP_BUTTON_DISABLED "BBmpD" /* bitmap shown while disabled (optional) */
#define W32K_PROP_BUTTON_OPTIONS  "BmpOp" /* drawing options, the property's handle value */
#define W32K_PROP_FRAME_BITMAP    "SBmp"  /* the static frame's bitmap (optional) */

/* Drawing options of the bitmap push-button ("BmpOp"); 0 draws no bitmap. */
#define W32K_BMPOP_BLACKONWHITE 0x0001 /* with W32K_BMPOP_STRETCH: BLACKONWHITE, else COLORONCOLOR */
#define W32K_BMPOP_STRETCH      0x0002 /* stretch to the drawing rectangle */
#define W32K_BMPOP_NOFOCUS      0x0004 /* never draw the focus rectangle */
#define W32K_BMPOP_KIND_MASK    0xFF00 /* kind of bitmap: */
#define W32K_BMPOP_MONOCHROME   0x0100 /*   monochrome, ANDed onto the face */

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

#pragma pack(push, 1)
/* One panel of a network. A net-node folder has the same layout: it is the
 * root of its tree and uses only childCount, childBlock and flags. The child
 * block holds childCount records back to back, child k at k * sizeof(record). */
typedef struct NetNodeRecord {
    BYTE hostData1[34];  /* the host's description of the node, copied as is */
    WORD nodeNumber;     /* key of the record within its folder */
    BYTE hostData2[2];
    WORD childCount;     /* records in childBlock; 0 when there are none */
    HGLOBAL childBlock;  /* GMEM_MOVEABLE | GMEM_ZEROINIT block of child records; NULL when none */
    BYTE flags;          /* W32K_NETNODE_FLAG_CHILDREN and the host's bits */
    BYTE hostData3[19];
} NetNodeRecord;
#pragma pack(pop)
W32K_CHECK_SIZE(NetNodeRecord, 64, 68);
W32K_CHECK_OFFSET(NetNodeRecord, hostData1, 0, 0);
W32K_CHECK_OFFSET(NetNodeRecord, nodeNumber, 34, 34);
W32K_CHECK_OFFSET(NetNodeRecord, hostData2, 36, 36);
W32K_CHECK_OFFSET(NetNodeRecord, childCount, 38, 38);
W32K_CHECK_OFFSET(NetNodeRecord, childBlock, 40, 40);
W32K_CHECK_OFFSET(NetNodeRecord, flags, 44, 48);
W32K_CHECK_OFFSET(NetNodeRecord, hostData3, 45, 49);

/* Bit 0 of the flags: cleared whenever the folder operations remove the
 * record's children; the other bits belong to the host. */
#define W32K_NETNODE_FLAG_CHILDREN 0x01

/* Search modes of ExpGetNetNodeData. */
#define W32K_NETNODE_BY_POSITION 0
#define W32K_NETNODE_BY_NUMBER   1

/* Stores a record in the folder: replaces the first child with the same node
 * number (deleting that child's subtree first unless the record carries the
 * same child block) or appends it. The folder takes over the record's child
 * block. FALSE when the folder or record is NULL or memory fails (the folder
 * is then unchanged). */
W32KAPI BOOL WINAPI ExpRegisterNetNodeData(NetNodeRecord *folder, const NetNodeRecord *record);
/* Copies a child record into out: with mode W32K_NETNODE_BY_NUMBER the first
 * child whose node number is key, with W32K_NETNODE_BY_POSITION the child at
 * position key. FALSE (out untouched) when there is none. */
W32KAPI BOOL WINAPI ExpGetNetNodeData(const NetNodeRecord *folder, int mode, WORD key, NetNodeRecord *out);
/* Removes the first child with that node number and its whole subtree. */
W32KAPI BOOL WINAPI ExpDeleteNetNodeData(NetNodeRecord *folder, WORD nodeNumber);
/* Makes destination a deep copy of source: every level gets blocks of its own.
 * FALSE when memory fails anywhere in the tree, or the tree is damaged (a block
 * below itself, more than 256 levels); destination then has no children. */
W32KAPI BOOL WINAPI ExpDuplicateNetworkFolder(NetNodeRecord *destination, const NetNodeRecord *source);
/* Frees the record's whole subtree and clears its child fields and flag bit 0.
 * FALSE when a child block cannot be locked (it is freed, what it names is
 * not visited), is named a second time in the tree or lies more than 256
 * levels down (its handle is dropped, never freed twice); FALSE, changing
 * nothing, when memory fails. */
W32KAPI BOOL WINAPI ExpDeleteNetworkFolder(NetNodeRecord *record);

/* ---------------------------------------------------------------------------
 * Tag folders.
 * ------------------------------------------------------------------------- */

/* Fields of the host's project block that the tag and net-node operations
 * use (byte offsets; the same in both builds). */
#define W32K_PROJECT_OWN_NETNODE    17  /* NetNodeRecord of the panel itself (project not networked) */
#define W32K_PROJECT_NETWORKED      411 /* BYTE: nonzero when every tag belongs to a network node */
#define W32K_PROJECT_NETNODE_FOLDER 630 /* NetNodeRecord: the project's net-node folder */

#define W32K_TAG_MAX_ELEMENTS  1451   /* elements a folder holds at most */
#define W32K_TAG_FIRST_ID      1      /* ids run from 1; 0 names no tag */
#define W32K_TAG_KEEP_PARENT   0xFFFF /* AddTagElement: keep an existing tag's parent */
#define W32K_TAG_FLAG_GROUP    0x01   /* TagElement.flags: the element can have children */
#define W32K_TAG_DATA_STORED_CLEAR 0x80 /* TagDataRecord.storeFlags: cleared by every store */
#define W32K_TAG_PATH_SEPARATOR '\t'  /* "parent name<TAB>tag name" */
#define W32K_TAG_NAME_BUFFER   256    /* parent name, tab, tag name and the terminating zero */

#pragma pack(push, 1)
/* The host's description of a tag (32 bytes). The library touches only the
 * named fields; the rest is judged by the host's comparison callback. */
typedef struct TagDataRecord {
    BYTE hostData1[22];
    WORD nodeNumber;     /* network node the tag addresses */
    BYTE hostData2;
    BYTE storeFlags;     /* bit 7 (W32K_TAG_DATA_STORED_CLEAR) cleared by AddTagElement */
    BYTE hostData3[2];
    WORD referenceTagId; /* 0 in stored elements; in a search record: the tag whose level a plain name searches */
    BYTE hostData4[2];
} TagDataRecord;

/* One element of the element block (45 bytes in both builds). */
typedef struct TagElement {
    WORD id;             /* unique within the folder, 1-65535 */
    WORD nameId;         /* string-store id of the name; the element holds one reference */
    TagDataRecord data;
    WORD parentId;       /* the containing group's id; 0 = top level */
    BYTE flags;          /* W32K_TAG_FLAG_GROUP; the other bits are preserved */
    BYTE reserved[6];    /* zero when created, preserved afterwards */
} TagElement;

/* The tag folder header, kept in the host's own memory. */
typedef struct TagFolderHeader {
    WORD count;          /* elements in the block (0 to W32K_TAG_MAX_ELEMENTS) */
    BYTE hostData1[4];
    WORD textId;         /* string-store id of the folder's text; the folder holds one reference */
    BYTE hostData2[8];
    HGLOBAL elements;    /* GMEM_MOVEABLE | GMEM_ZEROINIT block of count TagElements; NULL when empty */
} TagFolderHeader;
#pragma pack(pop)
W32K_CHECK_SIZE(TagDataRecord, 32, 32);
W32K_CHECK_OFFSET(TagDataRecord, nodeNumber, 22, 22);
W32K_CHECK_OFFSET(TagDataRecord, storeFlags, 25, 25);
W32K_CHECK_OFFSET(TagDataRecord, referenceTagId, 28, 28);
W32K_CHECK_SIZE(TagElement, 45, 45);
W32K_CHECK_OFFSET(TagElement, id, 0, 0);
W32K_CHECK_OFFSET(TagElement, nameId, 2, 2);
W32K_CHECK_OFFSET(TagElement, data, 4, 4);
W32K_CHECK_OFFSET(TagElement, data.nodeNumber, 26, 26);
W32K_CHECK_OFFSET(TagElement, data.storeFlags, 29, 29);
W32K_CHECK_OFFSET(TagElement, data.referenceTagId, 32, 32);
W32K_CHECK_OFFSET(TagElement, parentId, 36, 36);
W32K_CHECK_OFFSET(TagElement, flags, 38, 38);
W32K_CHECK_OFFSET(TagElement, reserved, 39, 39);
W32K_CHECK_SIZE(TagFolderHeader, 20, 24);
W32K_CHECK_OFFSET(TagFolderHeader, count, 0, 0);
W32K_CHECK_OFFSET(TagFolderHeader, hostData1, 2, 2);
W32K_CHECK_OFFSET(TagFolderHeader, textId, 6, 6);
W32K_CHECK_OFFSET(TagFolderHeader, hostData2, 8, 8);
W32K_CHECK_OFFSET(TagFolderHeader, elements, 16, 16);

/* The host's tag comparison: 1 when candidate is the same tag as search (any
 * other value: a different tag). node is the net-node record of the node that
 * applies (zero-filled when a networked search names an unregistered node).
 * It runs while the element block is locked and must not change the folder. */
typedef int (WINAPI *TagCompareProc)(const TagDataRecord *search, const TagDataRecord *candidate,
                                     const NetNodeRecord *node);

/* The element with that id: returns the id (0 = none, nothing written).
 * NULL outputs are skipped; the name is read only when name and project are
 * both non-NULL (at most nameSize bytes with the terminating zero). */
W32KAPI WORD WINAPI GetTagElement(const TagFolderHeader *folder, void *project, WORD id,
                                  TagDataRecord *data, WORD *parent, int *group,
                                  LPSTR name, WORD nameSize, WORD *position);
/* The element at a zero-based position of the block; the outputs as above. */
W32KAPI WORD WINAPI GetBasedTagElement(const TagFolderHeader *folder, void *project, WORD position,
                                       TagDataRecord *data, WORD *parent, int *group,
                                       LPSTR name, WORD nameSize, WORD *positionOut);
/* The first element, in block order, that is the tag described by path
 * ("name", or "parent<TAB>name"; an empty parent part is the top level) and
 * search; a plain name searches the level of search->referenceTagId. Returns
 * its id and writes its position and record (0 = none). */
W32KAPI WORD WINAPI ScanForExistingTag(const TagFolderHeader *folder, void *project, LPCSTR path,
                                       const TagDataRecord *search, TagDataRecord *data,
                                       WORD *position, TagCompareProc compare);
/* Updates the existing tag name under parentId (the same tag by compare) or
 * appends a new one with the smallest free id. Returns the id, 0 when nothing
 * was stored (empty or over-long name, full folder, no memory). */
W32KAPI WORD WINAPI AddTagElement(TagFolderHeader *folder, void *project, LPCSTR name,
                                  const TagDataRecord *data, WORD parentId, int group,
                                  TagCompareProc compare);
/* Removes the tag and, when it is a group, everything below it. */
W32KAPI void WINAPI DeleteTagElement(TagFolderHeader *folder, void *project, WORD id);
/* Releases every reference of the folder and frees its element block. */
W32KAPI void WINAPI DeleteTagFolder(TagFolderHeader *folder, void *project);
/* Makes destination an independent copy of source; FALSE when memory fails
 * (destination is then a valid empty folder with source's text). */
W32KAPI BOOL WINAPI DuplicateTagFolder(TagFolderHeader *destination, const TagFolderHeader *source,
                                       void *project);

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
 * it had none; texts cut to MaxTextLen) and nothing beyond SetCount - 1
 * (SetBase only numbers the displayed sets). Returns TRUE; FALSE for NULL
 * and when memory fails, which then changes no folder and no reference. */
W32KAPI BOOL WINAPI ValidateParSets(MatrixDesc *matrix);

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

/* Owner-drawn tree lists. A fixed-height owner-drawn list box is drawn as an
 * indented tree: each line shows one cell of a bitmap strip (row, column),
 * connecting lines to its parent level and its text. The state below keeps
 * the cell bitmap in a memory DC and the list of opened (expanded) items,
 * named by the caller's own 32-bit item values. */

#define W32K_BMP_TAG_TREE   1201 /* the library's cells: 1 row of 3 columns, 22 x 17 */
#define W32K_TAG_CELL_CLOSED_GROUP 0
#define W32K_TAG_CELL_OPENED_GROUP 1
#define W32K_TAG_CELL_TAG          2

#pragma pack(push, 1)
typedef struct HierDrawState {
    HDC memoryDC;           /* holds the cell bitmap; NULL before DrawInit and after DrawTerm */
    HBITMAP cellBitmap;     /* made from the bitmap resource */
    HBITMAP previousBitmap; /* selected in memoryDC before the cell bitmap */
    int cellHeight;         /* bitmap height / rows */
    int cellWidth;          /* bitmap width / columns */
    int textHeight;         /* tmHeight of the list's font */
    int lineHeight;         /* the larger of cellHeight and textHeight */
    BOOL lines;             /* nonzero: connecting lines are drawn */
    int openCount;          /* values in openList */
    DWORD *openList;        /* C runtime heap (malloc); NULL when empty */
} HierDrawState;
#pragma pack(pop)
W32K_CHECK_SIZE(HierDrawState, 40, 56);
W32K_CHECK_OFFSET(HierDrawState, memoryDC, 0, 0);
W32K_CHECK_OFFSET(HierDrawState, cellBitmap, 4, 8);
W32K_CHECK_OFFSET(HierDrawState, previousBitmap, 8, 16);
W32K_CHECK_OFFSET(HierDrawState, cellHeight, 12, 24);
W32K_CHECK_OFFSET(HierDrawState, cellWidth, 16, 28);
W32K_CHECK_OFFSET(HierDrawState, textHeight, 20, 32);
W32K_CHECK_OFFSET(HierDrawState, lineHeight, 24, 36);
W32K_CHECK_OFFSET(HierDrawState, lines, 28, 40);
W32K_CHECK_OFFSET(HierDrawState, openCount, 32, 44);
W32K_CHECK_OFFSET(HierDrawState, openList, 36, 48);

/* Sets the state up (with `initialise`: an empty open list and the lines
 * flag) and loads the bitmap resource `bitmapId` of `module`, a bottom-up
 * 4-bit DIB with 16 colours whose first pixel's colour becomes the window
 * colour. Called again, it replaces the cell bitmap. TRUE when the cells are
 * ready; FALSE for a missing or unsupported bitmap or 0 rows or columns. */
W32KAPI BOOL WINAPI HierDraw_DrawInit(HINSTANCE module, UINT bitmapId, int rows, int columns, BOOL lines,
                                      HierDrawState *state, BOOL initialise);
/* Releases the memory DC and the cell bitmap (not the open list). */
W32KAPI void WINAPI HierDraw_DrawTerm(HierDrawState *state);
/* Takes the text height from the font (measured on the list box's DC, or the
 * screen's when listBox is NULL) and gives a list box its line height. */
W32KAPI void WINAPI HierDraw_DrawSetTextHeight(HWND listBox, HFONT font, HierDrawState *state);
W32KAPI void WINAPI HierDraw_OnMeasureItem(HWND window, MEASUREITEMSTRUCT *measure, HierDrawState *state);
/* Draws one line: the cell (row, column) indented by level cells, then the
 * text. Connecting lines (lines flag, level > 0), through the centres of the
 * cell columns counted from the item's left edge: bit i of mask (i < level)
 * draws the vertical line of level i over the whole line; the line's own
 * connector reaches the bottom when bit level + 1 is set, else the middle,
 * where a stub leads to the cell. Item id -1 draws nothing. */
W32KAPI void WINAPI HierDraw_OnDrawItem(HWND window, const DRAWITEMSTRUCT *draw, int level, DWORD mask,
                                        LPCSTR text, int row, int column, HierDrawState *state);
W32KAPI BOOL WINAPI HierDraw_IsOpened(const HierDrawState *state, DWORD item);
/* Appends item to the open list (left unchanged when memory fails). */
W32KAPI void WINAPI HierDraw_OpenItem(HierDrawState *state, DWORD item);
/* Removes every entry equal to item; the list is freed when it empties. */
W32KAPI void WINAPI HierDraw_CloseItem(HierDrawState *state, DWORD item);
W32KAPI void WINAPI HierDraw_DrawCloseAll(HierDrawState *state);
/* Scrolls the list box so that the `children` lines below line `parent` are
 * visible, without pushing the parent line off the top. */
W32KAPI void WINAPI HierDraw_ShowKids(HierDrawState *state, HWND listBox, int parent, int children);

/* The tag selection dialog (template "TagSelDlg"). Besides double clicks,
 * the right arrow or "+" opens the selected group and the left arrow or "-"
 * closes it. */
#define W32K_DLG_TAG_SELECT   "TagSelDlg"
#define W32K_ID_TAG_NAME      1202 /* read-only edit: "Currently Selected Tag:" */
#define W32K_ID_TAG_LIST      1203 /* owner-drawn tree list */

/* Results of ExecTagSelDlg. */
#define W32K_TAGSEL_ACCEPTED  1  /* a tag was accepted */
#define W32K_TAGSEL_CANCELLED 2  /* cancelled, or OK without a tag */
#define W32K_TAGSEL_NOTHING   3  /* there was nothing to offer */

/* Item value of a tree line: tag id, level and group bit. */
#define W32K_TAGITEM_ID_MASK     0x0000FFFFUL
#define W32K_TAGITEM_LEVEL_SHIFT 24
#define W32K_TAGITEM_LEVEL_MASK  0x0F000000UL
#define W32K_TAGITEM_GROUP       0x80000000UL
#define W32K_TAGITEM_MAX_LEVEL   15 /* groups on this level are not expanded */

/* Fields of the host's tag owner record (byte offsets). */
#define W32K_TAG_OWNER_ACCEPT_ARG 63 /* its address goes to the accept callback */
#define W32K_TAG_OWNER_FLAGS      88 /* BYTE: W32K_TAG_OWNER_ACCEPTED set on acceptance */
#define W32K_TAG_OWNER_ACCEPTED   0x80
#define W32K_TAG_OWNER_TAG_ID     91 /* WORD: the owner's tag; read at start, written on acceptance */

typedef struct TagSelectBlock TagSelectBlock;
/* Nonzero when the tag is offered. */
typedef BOOL (WINAPI *TagFilterProc)(TagSelectBlock *block, const TagDataRecord *data);
/* Told of the accepted tag: owner is the tag owner's byte W32K_TAG_OWNER_ACCEPT_ARG. */
typedef BOOL (WINAPI *TagAcceptProc)(BYTE *owner, const TagDataRecord *data, NetNodeRecord *node);

#pragma pack(push, 1)
struct TagSelectBlock {
    WORD selectedTagId;       /* the tag OK accepts (0 = none); the owner's at start */
    WORD currentItemId;       /* tag of the line selected last, group or leaf */
    HierDrawState hierDraw;   /* set up and released by ExecTagSelDlg */
    BYTE *tagOwner;           /* the host record that receives the tag */
    void *project;            /* the project block */
    NetNodeRecord *node;      /* the node whose tags are offered (networked projects) */
    TagFolderHeader *folder;  /* the tags */
    DWORD reserved;           /* not used */
    TagFilterProc filter;     /* NULL: every tag of the folder is offered */
    TagAcceptProc accept;     /* called on acceptance */
};
#pragma pack(pop)
W32K_CHECK_SIZE(TagSelectBlock, 72, 112);
W32K_CHECK_OFFSET(TagSelectBlock, selectedTagId, 0, 0);
W32K_CHECK_OFFSET(TagSelectBlock, currentItemId, 2, 2);
W32K_CHECK_OFFSET(TagSelectBlock, hierDraw, 4, 4);
W32K_CHECK_OFFSET(TagSelectBlock, tagOwner, 44, 60);
W32K_CHECK_OFFSET(TagSelectBlock, project, 48, 68);
W32K_CHECK_OFFSET(TagSelectBlock, node, 52, 76);
W32K_CHECK_OFFSET(TagSelectBlock, folder, 56, 84);
W32K_CHECK_OFFSET(TagSelectBlock, reserved, 60, 92);
W32K_CHECK_OFFSET(TagSelectBlock, filter, 64, 96);
W32K_CHECK_OFFSET(TagSelectBlock, accept, 68, 104);

/* Runs the tag selection dialog: W32K_TAGSEL_ACCEPTED (the owner's tag id and
 * flag are written and accept was called), W32K_TAGSEL_CANCELLED,
 * W32K_TAGSEL_NOTHING (it closed at once), or -1 when it cannot be created
 * (also for a NULL block or tag owner). Each dialog keeps its state in its
 * own block: dialogs on different blocks can be open at the same time, on one
 * thread or on several. */
W32KAPI INT_PTR WINAPI ExecTagSelDlg(HWND parent, TagSelectBlock *block);
W32KAPI INT_PTR WINAPI TagSelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
/* Sets the state up with bitmap 1201 of this library; returns TRUE. */
W32KAPI BOOL WINAPI PreInitTagList(HINSTANCE ignored, HierDrawState *state);
/* Fills the list with the offered top-level tags, expands the group of the
 * selected tag and selects it; edit (may be NULL) shows the owner's tag.
 * TRUE when the list holds a line. */
W32KAPI BOOL WINAPI InitTagListBox(HWND dialog, HWND listBox, HWND edit, TagSelectBlock *block);
/* A click (toggle FALSE) or double click (toggle TRUE) on line `line`: selects
 * it, expands or collapses a group, and for a double-clicked tag sends the
 * dialog WM_COMMAND(commandId) when commandId > 0. */
W32KAPI void WINAPI TagActionItem(HWND dialog, HWND listBox, HWND edit, DWORD item, int line, int commandId,
                                  HierDrawState *state, TagSelectBlock *block, BOOL toggle);
W32KAPI void WINAPI TagListDrawItem(HWND dialog, HierDrawState *state, TagSelectBlock *block,
                                    const DRAWITEMSTRUCT *draw);

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
/* A new System password (entry 0) gets these; an existing one keeps its own. */
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

/* Combo-box and list-box helpers. values is an array of numbers ended by
 * 0xFFFFFFFF; entry E stands for the text of string (base + E) of the
 * module that owns the control, with the item data E (its low 16 bits).
 * The finders compare the low 16 bits of each item's data with value. */
#define W32K_LIST_END 0xFFFFFFFFUL
/* Adds one item per entry (existing items stay); returns TRUE. */
W32KAPI BOOL WINAPI SetCBStrings(HWND comboBox, UINT base, const DWORD *values);
W32KAPI BOOL WINAPI SetLBStrings(HWND listBox, UINT base, const DWORD *values);
/* TRUE when the combo box holds exactly the items SetCBStrings adds. */
W32KAPI BOOL WINAPI CheckCBStrings(HWND comboBox, UINT base, const DWORD *values);
/* Item data of the selected item; -1 when none is selected. */
W32KAPI LONG WINAPI GetCBSelectionData(HWND comboBox);
W32KAPI LONG WINAPI GetLBSelectionData(HWND listBox);
/* Selects the first item with that data; FALSE when there is none. */
W32KAPI BOOL WINAPI SelectCBItem(HWND comboBox, DWORD value);
W32KAPI BOOL WINAPI SelectLBItem(HWND listBox, DWORD value);
/* Copies the text of the first item with that data into text, which must
 * hold the longest item text; FALSE when there is none. */
W32KAPI BOOL WINAPI GetCBStringForSelectionData(HWND comboBox, DWORD value, LPSTR text);
W32KAPI BOOL WINAPI GetLBStringForSelectionData(HWND listBox, DWORD value, LPSTR text);
/* Empties the edit control id of the dialog. */
W32KAPI void WINAPI ClearEditBox(HWND dialog, int id);

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
