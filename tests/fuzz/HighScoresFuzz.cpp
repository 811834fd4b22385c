// Fuzz target for the high-score file: any bytes as "highscores.vxr" load, and a mission's offer,
// sort and save then load back as the same table.
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

int fuzzHighScores(const uint8_t* data, std::size_t size)
{
    HighScores table(scratchFile("highscores.vxr", data, size));
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
