// Text helpers in linear time: GetIniRangeNumbers on a 4 KB value (given as
// text, and read from an INI file) and GetNextToken over a 64 KB text. Each
// is judged against four times its run on a quarter of the size.
#include "bench.h"

#include <windows.h>

#include "w32korutil1.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace w32kbench {

namespace {

constexpr char kSection[] = "Ranges";
constexpr char kKey[] = "Numbers";
// The INI value buffer of GetIniRangeNumbers: 4096 bytes with the zero.
constexpr std::size_t kIniValueLimit = 4095;

// A number list of at most `bytes` characters: groups of ten numbers, hex
// and decimal, "17,0x1F,..;...". The numbers come from `seed`, so that lists
// of one size differ and the branch predictor learns none by heart.
std::string numberList(std::size_t bytes, unsigned seed)
{
    std::minstd_rand random(seed);
    std::string text;
    for (int n = 0;; ++n) {
        const unsigned value = random() % 100000;
        std::string item = n % 4 == 1 ? "0x" + std::to_string(value % 256) : std::to_string(value);
        const char separator = n % 10 == 9 ? ';' : ',';
        if (text.size() + item.size() + 1 > bytes)
            break;
        if (!text.empty())
            text += separator;
        text += item;
    }
    return text;
}

std::size_t numbersIn(const std::string& text)
{
    std::size_t n = 1;
    for (char c : text)
        n += c == ',' || c == ';';
    return n;
}

// What the list must say of text: its groups and its last number.
bool listRight(const std::string& text, const std::vector<int>& list)
{
    const std::size_t groups = 1 + std::count(text.begin(), text.end(), ';');
    const std::string last = text.substr(text.find_last_of(",;") + 1);
    const long lastNumber = last.rfind("0x", 0) == 0 ? std::stol(last.substr(2), nullptr, 16) : std::stol(last);
    return list[0] == static_cast<int>(groups) && list.back() == lastNumber;
}

// A temporary INI file holding kKey = value; removed with the object.
class IniFile {
public:
    IniFile()
    {
        char directory[MAX_PATH] = "";
        GetTempPathA(sizeof directory, directory);
        GetTempFileNameA(directory, "w3b", 0, path_);
    }
    ~IniFile() { DeleteFileA(path_); }
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    bool write(const std::string& value) { return WritePrivateProfileStringA(kSection, kKey, value.c_str(), path_); }
    const char* path() const { return path_; }

private:
    char path_[MAX_PATH] = "";
};

// Bytes of all the lists of one size together: the full and the quarter
// size then meet the caches alike (the quarter size has four times as many).
constexpr std::size_t kListBytes = 64 * 1024;
constexpr int kVariants = 8; // lists of the smoke run

// Lists of one size that differ in their numbers.
std::vector<std::string> numberLists(std::size_t bytes)
{
    std::vector<std::string> lists;
    const std::size_t variants = std::max<std::size_t>(kVariants, kListBytes / bytes);
    for (unsigned seed = 1; seed <= variants; ++seed)
        lists.push_back(numberList(bytes, seed));
    return lists;
}

// Milliseconds per parse of `repeats` parses of the texts in turn (from
// file, holding texts[0], when given), each checked to give every number.
double parseMs(Bench& bench, const std::string& name, const std::vector<std::string>& texts,
               const IniFile* file, int repeats)
{
    std::vector<std::vector<int>> lists;
    for (const std::string& text : texts)
        lists.emplace_back(numbersIn(text) + 2);
    int failed = 0;
    const double ms = timeMs([&] {
        for (int i = 0; i < repeats; ++i) {
            const std::size_t k = file ? 0 : i % texts.size();
            std::vector<int>& list = lists[k];
            const int count = static_cast<int>(list.size());
            failed += file ? GetIniRangeNumbers(file->path(), kSection, kKey, "", list.data(), count)
                           : GetIniRangeNumbers(nullptr, nullptr, nullptr, texts[k].c_str(), list.data(), count);
        }
    });
    bool right = failed == 0;
    for (std::size_t k = 0; k < (file ? 1 : texts.size()) && k < static_cast<std::size_t>(repeats); ++k)
        right = right && listRight(texts[k], lists[k]);
    bench.check(right, name, "the list lost numbers");
    return ms / repeats;
}

void iniRangeNumbers(Bench& bench, bool fromFile)
{
    const std::size_t bytes = bench.smoke() ? 64 : kIniValueLimit;
    const std::string name = std::string("GetIniRangeNumbers ") + std::to_string(bytes) +
                             (fromFile ? " B INI value" : " B text");
    const std::vector<std::string> full = numberLists(bytes), quarter = numberLists(bytes / 4);
    IniFile file;
    IniFile quarterFile;
    if (fromFile &&
        !bench.check(file.write(full[0]) && quarterFile.write(quarter[0]), name, "cannot write the INI file"))
        return;
    const int repeats = fromFile ? bench.size(20, 1) : bench.size(400, kVariants);
    const Medians medians = pairedMedians(
        bench.samples(21), [&] { return parseMs(bench, name, full, fromFile ? &file : nullptr, repeats); },
        [&] { return 4 * parseMs(bench, name, quarter, fromFile ? &quarterFile : nullptr, repeats); });
    bench.report({name, medians.work, medians.bound, {GoalKind::Linear, 1.5}, bench.samples(21)});
}

// Tokens of up to 12 characters separated by ',' or ' '.
std::string tokenText(std::size_t bytes)
{
    std::string text;
    for (int n = 0; text.size() < bytes; ++n) {
        text += "token" + std::to_string(n);
        text += n % 3 ? ',' : ' ';
    }
    text.resize(bytes);
    return text;
}

double tokensMs(Bench& bench, const std::string& name, const std::string& text)
{
    std::string copy = text;
    char token[13];
    std::size_t tokens = 0, characters = 0;
    const double ms = timeMs([&] {
        LPSTR cursor = copy.data();
        while (GetNextToken(token, &cursor, ", ", 12)) {
            ++tokens;
            characters += std::strlen(token);
        }
    });
    // Every character is either in a token or one delimiter.
    bench.check(characters + tokens - 1 == text.size() || characters + tokens == text.size(), name,
                "the tokens do not cover the text");
    return ms;
}

void nextToken(Bench& bench)
{
    const std::size_t bytes = bench.size(65536, 256);
    const std::string name = "GetNextToken over " + std::to_string(bytes / 1024.0).substr(0, 4) + " KB";
    const std::string full = tokenText(bytes), quarter = tokenText(bytes / 4);
    const Medians medians = pairedMedians(bench.samples(21), [&] { return tokensMs(bench, name, full); },
                                          [&] { return 4 * tokensMs(bench, name, quarter); });
    bench.report({name, medians.work, medians.bound, {GoalKind::Linear, 1.5}, bench.samples(21)});
}

} // namespace

void runTextCases(Bench& bench)
{
    iniRangeNumbers(bench, false);
    iniRangeNumbers(bench, true);
    nextToken(bench);
}

} // namespace w32kbench
