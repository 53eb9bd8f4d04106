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
 * FALSE when memory fails anywhere in the tree; destination then has no children. */
W32KAPI BOOL WINAPI ExpDuplicateNetworkFolder(NetNodeRecord *destination, const NetNodeRecord *source);
/* Frees the record's whole subtree and clears its child fields and flag bit 0.
 * FALSE when a child block cannot be locked (its handle is dropped). */
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
 * it had none; texts cut to MaxTextLen) and is then cut back with
 * ExpValidateFolder(SetCount, SetBase). Returns TRUE (FALSE for NULL). */
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
