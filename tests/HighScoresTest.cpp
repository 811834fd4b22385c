// The high-score table: what a file, an offer and a sort make of it, and saves that never tear it.
#include "console/HighScores.h"

#include <gtest/gtest.h>

#include <sys/fsuid.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

// "ann 5 bob -3", without the placeholders after the last entry.
static std::string wordsOf(const HighScores& table)
{
    std::string words;
    for (const HighScoresItem& item : table.items)
        words += " " + item.name + " " + std::to_string(item.score);
    while (words.size() >= 4 && words.compare(words.size() - 4, 4, " - 0") == 0)
        words.resize(words.size() - 4);
    return words.empty() ? words : words.substr(1);
}

static std::string read(const std::string& path)
{
    return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}};
}

struct HighScoresFile : ::testing::Test {
    void SetUp() override
    {
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        file = folder + "/highscores.vxr";
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string folder = "/tmp/oncoraider-scores-XXXXXX";
    std::string file;
};

TEST_F(HighScoresFile, LoadStopsAtABadScoreInsertPutsNoOneAboveAnEqualScoreAndSortMayReorderTies)
{
    const std::string full = "a 100 b 90 bob 80 c 70 d 60 e 50 bob 40 f 30 g 20 h 10";
    struct Case { std::string text, name; int score; std::string after; };
    std::vector<Case> cases = {
        {"a 12 b 11 c 10 d 9 e 8 f 7 g 6 h 5 i 4 j 3 k 2", "", 0,
         "a 12 b 11 c 10 d 9 e 8 f 7 g 6 h 5 i 4 j 3"},
        {"ann 2147483647 bob -2147483648", "", 0, "ann 2147483647 bob -2147483648"},
        {full, "d", 60, full},  // an equal score raises nothing
        {full, "new", 60, "a 100 b 90 bob 80 c 70 d 60 new 60 e 50 bob 40 f 30 g 20"},
        // The lowest bob is raised.
        {full, "bob", 60, "a 100 b 90 bob 80 c 70 d 60 bob 60 e 50 f 30 g 20 h 10"},
        {"ann 5", "-", 3, "ann 5 - 3"},  // the lowest placeholder
        {"A 4 B 4 C 5", "D", 6, "D 6 C 5 B 4 A 4"},
    };
    for (const char* score :
         {"12abc", "2147483648", "-2147483649", "4294967296", "99999999999999999999", "+"})
        cases.push_back({std::string("ann 5 bob ") + score + " cid 4", "", 0, "ann 5"});
    for (const Case& c : cases) {
        std::ofstream(file) << c.text;
        HighScores table(file);
        const std::string loaded = wordsOf(table);
        const bool changed = !c.name.empty() && table.insert(c.name, c.score);
        EXPECT_EQ(changed, wordsOf(table) != loaded) << c.text << " + " << c.name;
        if (changed) table.sort();
        EXPECT_EQ(wordsOf(table), c.after) << c.text << " + " << c.name;
    }
}

// A new file renamed over the link's target; only a folder that takes no new file gets a write
// in place.
TEST_F(HighScoresFile, SaveRenamesAWholeNewFileOverTheTargetAndWritesInPlaceOnlyWhenItMust)
{
    const std::string target = folder + "/scores.txt";
    const std::string placeholders = "- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n- 0\n";
    std::ofstream(target) << "ann 9\n";
    fs::permissions(target, fs::perms(0660));  // nobody may write it too, and the group stays ours
    fs::create_symlink("scores.txt", file);
    fs::create_hard_link(target, folder + "/old");
    HighScores table(file);
    table.insert("", 5);  // the name left when input ends at the prompt
    table.save();
    EXPECT_EQ(read(target) + read(folder + "/old"), "ann 9\n 5\n" + placeholders + "ann 9\n");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0660));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 3);

    HighScores again(file);  // "ann 9" alone: "5" is read as a name and "-" fails as its score
    fs::permissions(folder, fs::perms(0555));
    setfsuid(65534);
    EXPECT_FALSE(std::ofstream(folder + "/new").is_open());
    again.insert("bob", 7);
    again.save();
    setfsuid(geteuid());
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(read(target), "ann 9\nbob 7\n" + placeholders);
}
