// ValidateParSets: brings the working folders of a recipe matrix into the
// shape the matrix editor relies on. Every row's folder gives a value to each
// parameter set (the number 0 or the empty text where it had none), every
// text fits its row's length, and nothing lies beyond the set count.
#include "w32korutil1.h"

#include "data/parameter_folder.h"
#include "frame/string_store.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace w32k::parsets {

namespace {

// Text buffer of a cell value, as the matrix editor's (256 bytes).
constexpr std::size_t kTextBufferSize = 256;
constexpr WORD kTextReadSize = kTextBufferSize - 1;

// The string id (with one reference) of the text at `index` cut to the row's
// length; of the empty text when the index has no value.
template <typename Folder>
WORD normalisedText(const Folder& folder, int index, BYTE maxTextLen, void* project) noexcept
{
    char text[kTextBufferSize] = "";
    DWORD id = 0;
    if (folder.value(index, id) && id != 0)
        strings::read(static_cast<strings::StringId>(id), project, text, kTextReadSize);
    text[std::min<std::size_t>(maxTextLen, kTextReadSize)] = '\0';
    return strings::acquire(text, project);
}

// True when the stored text of id is whole within the read buffer and no
// longer than the row allows: cutting it and storing it again gives id back,
// and placing id where id already is changes nothing.
bool keepsItsText(WORD id, BYTE maxTextLen, void* project) noexcept
{
    char text[kTextBufferSize] = "";
    if (id == 0 || !strings::read(id, project, text, kTextReadSize))
        return false;
    const std::size_t length = std::strlen(text);
    return length < kTextReadSize - 1 && length <= maxTextLen;
}

// The text a run of indices gets, remembered from one index to the next:
// while the same old value follows, the text cut from it is the same and its
// id, placed at the index before, is alive, so one more reference to it is
// what storing the cut text again would give (placeHeld).
struct LastCut {
    bool valid = false;
    bool hadValue = false;
    DWORD old = 0;
    WORD placed = 0;

    bool matches(bool found, DWORD id) const noexcept
    {
        return valid && found == hadValue && (!found || id == old);
    }
};

// Gives every set index of a text row a text of at most the row's length.
// An index whose text already fits is left alone (storing and placing it
// again would only take and drop one reference). The id found fitting is
// remembered while nothing is placed, as no id is freed and reused then.
template <typename Folder>
void fillTextRow(Folder& folder, int setCount, BYTE maxTextLen, void* project) noexcept
{
    WORD fitting = 0;
    LastCut last;
    for (int index = 0; index < setCount; ++index) {
        DWORD id = 0;
        const bool found = folder.value(index, id);
        if (found && id != 0 && (id == fitting || keepsItsText(static_cast<WORD>(id), maxTextLen, project))) {
            fitting = static_cast<WORD>(id);
            last.valid = false;
            continue;
        }
        fitting = 0;
        if (last.matches(found, id)) {
            last.valid = folder.placeHeld(index, last.placed);
            continue;
        }
        const WORD placed = normalisedText(folder, index, maxTextLen, project);
        last = {folder.place(index, placed) && placed != 0, found, id, placed};
    }
}

// Gives every set index of a numeric row a value (0 where it had none).
template <typename Folder>
void fillNumberRow(Folder& folder, int setCount) noexcept
{
    for (int index = 0; index < setCount; ++index) {
        DWORD number = 0;
        if (!folder.value(index, number))
            folder.place(index, 0);
    }
}

template <typename Folder>
void fillRow(Folder& folder, const MatrixRow& row, int setCount, void* project) noexcept
{
    if (row.Folder.ValueKind == PARSET_KIND_TEXT)
        fillTextRow(folder, setCount, row.MaxTextLen, project);
    else
        fillNumberRow(folder, setCount);
}

// True when the row's folder already is what filling and cutting it leave:
// its runs cover exactly the sets 0 to setCount - 1, one after the other,
// and each text is a stored one that fits the row. Such a row is left as it
// is, without memory of its own (the fill would change nothing in it).
bool isFilled(const MatrixRow& row, int setCount, void* project) noexcept
{
    const folders::FolderEntries held(row.Folder);
    if (!held)
        return false;
    const bool texts = row.Folder.ValueKind == PARSET_KIND_TEXT;
    int next = 0;
    WORD fitting = 0;
    for (const folders::Entry& entry : held.entries()) {
        if (entry.first != next || entry.last < entry.first)
            return false;
        if (texts) {
            if (entry.stringId == 0 ||
                (entry.stringId != fitting && !keepsItsText(entry.stringId, row.MaxTextLen, project)))
                return false;
            fitting = entry.stringId;
        }
        next = entry.last + 1;
    }
    return next == std::max(setCount, 0);
}

} // namespace

// Fills and cuts back in memory every row's folder that needs it, then stores
// each of them in one block. All the memory that takes is had before the first row
// changes: when some is missing, no folder and no reference changes.
bool validateRows(MatrixDesc& matrix) noexcept
{
    using Held = std::optional<folders::HeldFolder>;
    const auto rowCount = static_cast<std::size_t>(matrix.RowCount);
    const auto placements = static_cast<std::size_t>(std::max<int>(matrix.SetCount, 0));
    const std::unique_ptr<Held[]> held(new (std::nothrow) Held[rowCount]);
    if (!held)
        return false;
    std::size_t capacity = 0;
    for (std::size_t r = 0; r < rowCount; ++r) {
        if (isFilled(matrix.Rows[r], matrix.SetCount, matrix.Project))
            continue;
        // The column base only numbers the sets the editor shows; the folders
        // hold sets 0 to SetCount - 1 whatever the base, so the cut keeps all
        // of them (a base cutting the last sets off would lose the host's data).
        if (!held[r].emplace(matrix.Rows[r].Folder, placements, matrix.SetCount))
            return false;
        capacity = std::max(capacity, held[r]->workCapacity());
    }
    std::vector<folders::Entry> work;
    try {
        work.reserve(capacity);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::size_t r = 0; r < rowCount; ++r) {
        if (!held[r])
            continue;
        folders::PlacementBatch batch(*held[r], work, matrix.Project);
        fillRow(batch, matrix.Rows[r], matrix.SetCount, matrix.Project);
        batch.commit();
    }
    return true;
}

} // namespace w32k::parsets

extern "C" BOOL WINAPI ValidateParSets(MatrixDesc* matrix)
{
    if (!matrix)
        return FALSE;
    if (matrix->RowCount < 1 || !matrix->Rows)
        return TRUE;
    return w32k::parsets::validateRows(*matrix) ? TRUE : FALSE;
}
