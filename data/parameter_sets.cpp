// ValidateParSets: brings the working folders of a recipe matrix into the
// shape the matrix editor relies on. Every row's folder gives a value to each
// parameter set (the number 0 or the empty text where it had none), every
// text fits its row's length, and nothing lies beyond the set count.
#include "w32korutil1.h"

#include "frame/string_store.h"

#include <algorithm>

namespace w32k::parsets {

namespace {

// Text buffer of a cell value, as the matrix editor's (256 bytes).
constexpr std::size_t kTextBufferSize = 256;
constexpr WORD kTextReadSize = kTextBufferSize - 1;

// The string id (with one reference) of the text at `index` cut to the row's
// length; of the empty text when the index has no value.
WORD normalisedText(ParSetFolder& folder, int index, BYTE maxTextLen, void* project) noexcept
{
    char text[kTextBufferSize] = "";
    DWORD id = 0;
    if (ExpGetValueFromFolder(&folder, index, &id, project) && id != 0)
        strings::read(static_cast<strings::StringId>(id), project, text, kTextReadSize);
    text[std::min<std::size_t>(maxTextLen, kTextReadSize)] = '\0';
    return strings::acquire(text, project);
}

// Gives every set index of the row from 0 to setCount - 1 a value.
void fillRow(MatrixRow& row, int setCount, void* project) noexcept
{
    const bool textRow = row.Folder.ValueKind == PARSET_KIND_TEXT;
    for (int index = 0; index < setCount; ++index) {
        if (textRow) {
            const WORD id = normalisedText(row.Folder, index, row.MaxTextLen, project);
            ExpPlaceValueInFolder(&row.Folder, index, id, project);
            continue;
        }
        DWORD number = 0;
        if (!ExpGetValueFromFolder(&row.Folder, index, &number, project))
            ExpPlaceValueInFolder(&row.Folder, index, 0, project);
    }
}

} // namespace

void validateRows(MatrixDesc& matrix) noexcept
{
    for (int r = 0; r < matrix.RowCount; ++r) {
        MatrixRow& row = matrix.Rows[r];
        fillRow(row, matrix.SetCount, matrix.Project);
        // The column base only numbers the sets the editor shows; the folders
        // hold sets 0 to SetCount - 1 whatever the base, so the trim keeps all
        // of them (a base cutting the last sets off would lose the host's data).
        ExpValidateFolder(&row.Folder, matrix.SetCount, 0, matrix.Project);
    }
}

} // namespace w32k::parsets

extern "C" BOOL WINAPI ValidateParSets(MatrixDesc* matrix)
{
    if (!matrix)
        return FALSE;
    if (matrix->RowCount < 1 || !matrix->Rows)
        return TRUE;
    w32k::parsets::validateRows(*matrix);
    return TRUE;
}
