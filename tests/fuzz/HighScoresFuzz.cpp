// Fuzz target for the high-score file: any bytes as "highscores.vxr" load as the reading of the
// format written here; a mission's offer, sort and save then load back as the same table.
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "FuzzSupport.h"
#include "console/HighScores.h"

namespace fuzz {

using Entries = std::vector<std::pair<std::string, long long>>;

Entries entriesOf(const HighScores& table)
{
    Entries entries;
    for (const HighScoresItem& item : table.items)
        entries.emplace_back(item.name, item.score);
    return entries;
}

// Name and score words in turn until a score is not a sign and digits within 32 bits; then
// placeholders.
Entries expectedEntries(const std::string& text)
{
    std::istringstream words(text);
    std::string name, score;
    Entries entries;
    while (entries.size() < 10 && words >> name >> score) {
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(score.c_str(), &end, 10);
        const bool whole = end == score.c_str() + score.size() && errno != ERANGE;
        if (!whole || value < INT32_MIN || value > INT32_MAX)
            break;
        entries.emplace_back(name, value);
    }
    entries.resize(10, {"-", 0});
    return entries;
}

int fuzzHighScores(const uint8_t* data, std::size_t size)
{
    HighScores table(scratchFile("highscores.vxr", data, size));
    const std::string text(reinterpret_cast<const char*>(data), size);
    expect(entriesOf(table) == expectedEntries(text),
           "the table holds the file's leading name and score words");
    // The input picks the offer.
    const int32_t score = size == 0 ? 0 : static_cast<int8_t>(data[0]) * (1 << 24);
    table.insert("fuzz", score);
    table.sort();
    table.fileName = scratchFile("saved.vxr", data, 0);
    table.save();
    expect(entriesOf(HighScores(table.fileName)) == entriesOf(table),
           "a saved table loads back as it was");
    return 0;
}

}  // namespace fuzz

#ifdef ONCORAIDER_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return fuzz::fuzzHighScores(data, size);
}
#endif
