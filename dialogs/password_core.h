// The password table's rules without the dialog: timeout normalisation, the
// checks made on OK, and the rebuild of the table from the dialog's rows.
// Platform-free (no <windows.h>), so it can be compiled natively.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace w32k::password {

constexpr int kRows = 8;                  // rows of the dialog
constexpr std::size_t kLength = 4;        // digits of a password
constexpr std::string_view kReserved = "0372";
constexpr std::size_t kEntrySize = 20;    // bytes of one table entry

// Attribute bits of an entry.
enum Attribute : std::uint8_t {
    Conf = 0x01,
    Time = 0x02,
    Ack = 0x04,
    Print = 0x08,
    Page = 0x10,
    Unused = 0x20,
    AutoLogin = 0x40,
    AutoLogout = 0x80,
};
// A new System password's attributes (of its boxes only "ALOGO" can be changed).
constexpr std::uint8_t kSystemAttributes = Conf | Time | Ack | Print | Page;
// The seven check boxes of a row, left to right.
constexpr std::array<std::uint8_t, 7> kBoxAttributes = {Conf, Time, Ack, Print, Page, AutoLogin,
                                                        AutoLogout};

// Message ids of the failed checks (this library's string table).
enum Message : int {
    SystemFirst = 51,
    Format = 52,
    Pages = 53,
    Identical = 57,
    LoginAndLogout = 58,
    OneLogin = 59,
};

// One entry, byte for byte as the host keeps it (little-endian, packed).
#pragma pack(push, 1)
struct Entry {
    char password[kLength + 1] = {};
    std::uint8_t attributes = 0;
    std::uint16_t fromPage = 0;
    std::uint16_t toPage = 0;
    std::uint8_t reserved[10] = {};
};
#pragma pack(pop)
static_assert(sizeof(Entry) == kEntrySize);

// What the dialog shows in one row.
struct Row {
    std::string password;    // at most kLength characters
    std::string fromPage;    // text of the "From page" edit
    std::string toPage;      // text of the "To page" edit
    std::uint8_t boxes = 0;  // checked boxes as attribute bits (kBoxAttributes)
};
using Rows = std::array<Row, kRows>;

// A whole unsigned decimal number (blanks around it allowed); nullopt for
// anything else or a value above 2^32 - 1.
std::optional<std::uint32_t> unsignedNumber(std::string_view text);

// The timeout edit when it loses the focus: below 10 becomes 700, above 700
// becomes 10.
long timeoutOnLeave(long typed);
// The timeout stored on OK: the text read as a 16-bit number, 0 -> 600, then
// the rules of timeoutOnLeave.
std::uint16_t timeoutOnAccept(std::string_view text);

// The highest page number a row may name: the pages used, at most 65535 (a
// page number is stored in 16 bits); 0 when the project has no pages.
std::uint16_t lastPage(std::int32_t pagesUsed);

// The messages of the checks made on OK, in the order the user sees them;
// empty when the table may be stored.
std::vector<int> checkRows(const Rows& rows, std::int32_t pagesUsed);

// The entries a host's table really holds: the first count entries, but
// never more than a block of blockBytes holds.
std::vector<Entry> heldEntries(const void* block, std::size_t blockBytes, std::size_t count);

// The table after an accepted OK: the non-empty rows in order, entry j
// written over the old entry j (whose unused bytes and bit 5 it keeps), then
// the old entries beyond the dialog's rows, unchanged. Its size is the number
// of non-empty rows (plus those entries beyond), so no password is lost.
std::vector<Entry> rebuildTable(const std::vector<Entry>& old, const Rows& rows,
                                std::int32_t pagesUsed);

// The password as stored in a row: at most kLength characters, stopping at NUL.
std::string entryPassword(const Entry& entry);

} // namespace w32k::password
