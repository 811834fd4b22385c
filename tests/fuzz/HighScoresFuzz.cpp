// Fuzz target for the high-score file: any bytes as "highscores.vxr", checked against a reading
// of the file format written here, then one offer, a sort and a save that must load back whole.
// Replayed over its corpus by the unit tests.
#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "console/HighScores.h"

namespace fuzz {
namespace {

using Entries = std::vector<std::pair<std::string, long long>>;

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// An optional sign and at least one digit, nothing else, within the 32-bit signed range.
bool scoreWord(const std::string& word, long long& value)
{
    const std::size_t start = !word.empty() && (word[0] == '+' || word[0] == '-') ? 1 : 0;
    if (start == word.size() || word.find_first_not_of("0123456789", start) != std::string::npos)
        return false;
    errno = 0;
    value = std::strtoll(word.c_str(), nullptr, 10);
    return errno != ERANGE && value >= -2147483648LL && value <= 2147483647LL;
}

// Words split at blanks; name and score in turn until a read fails; placeholders after that.
Entries expectedTable(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (!blank(c)) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty())
        words.push_back(word);
    Entries table;
    for (std::size_t i = 0; i + 1 < words.size() && table.size() < 10; i += 2) {
        long long score = 0;
        if (!scoreWord(words[i + 1], score))
            break;
        table.emplace_back(words[i], score);
    }
    table.resize(10, {"-", 0});
    return table;
}

Entries entriesOf(const HighScores& table)
{
    Entries e;
    for (const HighScoresItem& item : table.items)
        e.emplace_back(item.name, item.score);
    return e;
}

}  // namespace

int fuzzHighScores(const uint8_t* data, std::size_t size)
{
    const std::string file = scratch().write("highscores.vxr", data, size);
    HighScores table(file);
    const Entries loaded = entriesOf(table);
    expect(loaded == expectedTable(std::string(reinterpret_cast<const char*>(data), size)),
           "the table holds the file's leading name and score words");

    // The offer a mission would make, its score taken from the input so that it varies.
    int32_t offer = 0;
    for (std::size_t i = 0; i < size && i < 4; ++i)
        offer = static_cast<int32_t>(static_cast<uint32_t>(offer) << 8 | data[i]);
    const bool changed = table.insert("fuzz", offer);
    expect(changed == (entriesOf(table) != loaded), "insert answers whether the table changed");
    table.sort();
    const Entries sorted = entriesOf(table);
    for (std::size_t i = 1; i < sorted.size(); ++i)
        expect(sorted[i - 1].second >= sorted[i].second, "sorted scores fall");

    table.fileName = scratch().path("saved.vxr");
    table.save();
    expect(entriesOf(HighScores(table.fileName)) == sorted, "a saved table loads back as it was");
    return 0;
}

}  // namespace fuzz

#ifdef ONCORAIDER_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return fuzz::fuzzHighScores(data, size);
}
#endif
