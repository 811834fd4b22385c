// The high-score table: what a file, an offer and a sort make of it, and saves that never tear it.
#include "console/HighScores.h"

#include <gtest/gtest.h>

#include <sys/fsuid.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

const std::string eightPlaceholders = "- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n";

// The table as "ann 5 bob -3"; the placeholders after the last other entry are left out.
std::string wordsOf(const HighScores& table)
{
    std::string words;
    for (const HighScoresItem& item : table.items)
        words += " " + item.name + " " + std::to_string(item.score);
    while (words.size() >= 4 && words.compare(words.size() - 4, 4, " - 0") == 0)
        words.resize(words.size() - 4);
    return words.empty() ? words : words.substr(1);
}

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string read(const std::string& path)
{
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}

struct HighScoresFile : ::testing::Test {
    void SetUp() override { ASSERT_NE(mkdtemp(folder.data()), nullptr); }
    void TearDown() override { fs::remove_all(folder); }
    std::string folder = "/tmp/oncoraider-scores-XXXXXX";
    std::string file() const { return folder + "/highscores.vxr"; }
};

TEST_F(HighScoresFile, LoadStopsAtABadScoreInsertPutsNoOneAboveAnEqualScoreAndSortMayReorderTies)
{
    const std::string full = "a 100 b 90 bob 80 c 70 d 60 e 50 bob 40 f 30 g 20 h 10";
    const struct { std::string text, name; int score; std::string table; bool sorted = false; } cases[] = {
        {"ann 5\r\n\r\n  bob\t -3\r\n\n", "", 0, "ann 5 bob -3"},
        {"a 12 b 11 c 10 d 9 e 8 f 7 g 6 h 5 i 4 j 3 k 2", "", 0, "a 12 b 11 c 10 d 9 e 8 f 7 g 6 h 5 i 4 j 3"},
        {"ann 2147483647 bob -2147483648 cid 2147483648 dan 1", "", 0, "ann 2147483647 bob -2147483648"},
        {"ann 5 bob 12abc cid 1", "", 0, "ann 5"},
        {"", "ann", 0, ""},  // equal to place 10, a placeholder
        {full, "new", 60, "a 100 b 90 bob 80 c 70 d 60 new 60 e 50 bob 40 f 30 g 20"},
        {full, "bob", 40, full},
        {full, "bob", 95, "a 100 b 90 bob 80 c 70 d 60 e 50 bob 95 f 30 g 20 h 10"},  // the lowest bob, in place
        {"ann 5", "-", 3, "ann 5 - 0 - 0 - 0 - 0 - 0 - 0 - 0 - 0 - 3"},
        {"A 4 B 4 C 5", "", 0, "C 5 B 4 A 4", true},
    };
    for (const auto& c : cases) {
        write(file(), c.text);
        HighScores table(file());
        const std::string loaded = wordsOf(table);
        const bool changed = !c.name.empty() && table.insert(c.name, c.score);
        EXPECT_EQ(changed, wordsOf(table) != loaded) << c.name;
        if (c.sorted)
            table.sort();
        EXPECT_EQ(wordsOf(table), c.table) << c.text << " + " << c.name;
    }
}

// The new table is written beside the old one and renamed over the link's target; a folder that
// takes no new file (even as root, for the user nobody) leaves only the truncating write.
TEST_F(HighScoresFile, SaveRenamesAWholeNewFileOverTheTargetAndWritesInPlaceOnlyWhenItMust)
{
    const std::string target = folder + "/scores.txt";
    write(target, "ann 9\n");
    fs::permissions(target, fs::perms(0660));  // writable for nobody too: the group stays ours
    fs::create_symlink("scores.txt", file());
    fs::create_hard_link(target, folder + "/old");
    HighScores table(file());
    table.insert("", 5);  // the name left when input ends at the prompt
    table.save();
    EXPECT_EQ(read(target), "ann 9\n 5\n" + eightPlaceholders);
    EXPECT_EQ(read(folder + "/old"), "ann 9\n");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0660));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 3);

    HighScores again(file());  // "ann 9" alone: "5" is read as a name and "-" fails as its score
    fs::permissions(folder, fs::perms(0555));
    setfsuid(65534);
    EXPECT_FALSE(std::ofstream(folder + "/new").is_open());
    again.insert("bob", 7);
    again.save();
    setfsuid(0);
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(read(target), "ann 9\nbob 7\n" + eightPlaceholders);
}

}  // namespace
