/*
 * korutil2mfc.h - the companion library that holds the project's string store
 * and the multi-language text object.
 *
 * The string store: one store per project block address. Texts are named by
 * ids 1-65535; equal texts (byte for byte) share one id; an id lives while it
 * holds at least one reference and is then free for reuse.
 *
 * Multi-language text: the texts of all languages in one zero-terminated
 * string, separated by the character KOR_LANG_SEPARATOR (0x1F, the ASCII unit
 * separator): "Text of language 0" SEP "Text of language 1" ... A language
 * number selects the part of that index; a language without a part of its
 * own (a negative number, or beyond the last part) shows the part of
 * language 0.
 *
 * The utilities library imports the first seven entries by ordinal only.
 */
#ifndef KORUTIL2MFC_H
#define KORUTIL2MFC_H

#include <windows.h>

#ifdef KORUTIL2MFC_BUILD
#define KORAPI
#else
#define KORAPI __declspec(dllimport)
#endif

#define KOR_LANG_SEPARATOR '\x1F'
#define KOR_LANG_TEXT_SIZE 256 /* output buffer of KorExtractLangText */

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinal 2: the id of text (1-65535) with one reference for the caller; 0 when the store is full. */
KORAPI UINT WINAPI KorAcquireName(LPCSTR text, void *project);
/* Ordinal 3: one more reference to id; FALSE when the store has no such id. */
KORAPI BOOL WINAPI KorAddReference(UINT id, void *project);
/* Ordinal 5: with a buffer, copies at most size bytes of the text including
 * its terminating zero; with release, drops one reference. FALSE when the
 * store has no such id (then nothing is written). */
KORAPI BOOL WINAPI KorReadOrReleaseName(UINT id, void *project, LPSTR buffer, WORD size, BOOL release);
/* Ordinal 6: a new, empty multi-language text object; NULL when none can be made. */
KORAPI void *WINAPI KorCreateLangText(void);
/* Ordinal 7: loads a multi-language text into the object. */
KORAPI BOOL WINAPI KorSetLangText(void *object, LPCSTR multiText);
/* Ordinal 10: writes the text of one language, zero-terminated, into out (256 bytes). */
KORAPI BOOL WINAPI KorExtractLangText(void *object, int language, LPSTR out);
/* Ordinal 19: frees the object. */
KORAPI void WINAPI KorDestroyLangText(void *object);

/* Diagnostics: references held by id (0 when there is no such id). */
KORAPI UINT WINAPI StringStoreRefCount(UINT id, void *project);
/* Diagnostics: number of live ids in the project's store. */
KORAPI UINT WINAPI StringStoreLiveCount(void *project);
/* Diagnostics: forgets the project's store entirely. */
KORAPI void WINAPI StringStoreClear(void *project);

#ifdef __cplusplus
}
#endif

#endif /* KORUTIL2MFC_H */
