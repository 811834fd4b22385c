// The high-score table: loading every kind of file, ranking offers, sorting, and saving that
// keeps the file whole, its link and its permissions.
#include "console/HighScores.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Entries = std::vector<std::pair<std::string, int>>;

Entries entriesOf(const HighScores& table)
{
    Entries e;
    for (const HighScoresItem& item : table.items)
        e.emplace_back(item.name, item.score);
    return e;
}

// The listed entries, then placeholders up to ten.
Entries padded(Entries e)
{
    e.resize(10, {"-", 0});
    return e;
}

std::string fileTextOf(const Entries& e)
{
    std::string text;
    for (const auto& [name, score] : e)
        text += name + " " + std::to_string(score) + "\n";
    return text;
}

class HighScoresFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/oncoraider-scores-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        file = folder + "/highscores.vxr";
    }
    void TearDown() override
    {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_directory())
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }

    void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    Entries load(const std::string& text)
    {
        write(file, text);
        return entriesOf(HighScores(file));
    }
    // The names in a folder: a save must leave no temporary file behind.
    std::vector<std::string> namesIn(const std::string& path)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder;
    std::string file;
};

TEST_F(HighScoresFile, LoadsWordsWhateverTheLineLayout)
{
    EXPECT_EQ(entriesOf(HighScores(folder + "/missing.vxr")), padded({}));
    EXPECT_EQ(load("ann 5\r\n\r\n  bob\t -3\r\n\n"), padded({{"ann", 5}, {"bob", -3}}));
    EXPECT_EQ(load("ann\n5 bob\n+4"), padded({{"ann", 5}, {"bob", 4}}));
    Entries twelve;
    for (int i = 0; i < 12; ++i)
        twelve.emplace_back("p" + std::to_string(i), 100 - i);
    EXPECT_EQ(load(fileTextOf(twelve)), Entries(twelve.begin(), twelve.begin() + 10));
}

TEST_F(HighScoresFile, StopsAtTheFirstScoreThatIsNotA32BitNumber)
{
    EXPECT_EQ(load("ann 2147483647 bob -2147483648 cid 2147483648 dan 1"),
              padded({{"ann", 2147483647}, {"bob", -2147483648}}));
    EXPECT_EQ(load("ann 5 bob -2147483649 cid 1"), padded({{"ann", 5}}));
    EXPECT_EQ(load("ann 5 bob 12abc cid 1"), padded({{"ann", 5}}));
    EXPECT_EQ(load("ann 5 bob x cid 1"), padded({{"ann", 5}}));
    EXPECT_EQ(load("ann 5 bob - cid 1"), padded({{"ann", 5}}));
    EXPECT_EQ(load("ann 5 bob"), padded({{"ann", 5}}));
}

TEST_F(HighScoresFile, AnEmptyNameIsSavedAndCutsTheNextLoadShort)
{
    HighScores table(file);
    table.insert("ann", 9);
    table.insert("", 5);
    table.insert("bob", 3);
    table.save();
    EXPECT_EQ(read(file), fileTextOf(padded({{"ann", 9}, {"", 5}, {"bob", 3}})));
    EXPECT_EQ(entriesOf(HighScores(file)), padded({{"ann", 9}}));
}

TEST_F(HighScoresFile, InsertKeepsTiesBelowAndRaisesAReturningPlayerInPlace)
{
    HighScores table(file);
    EXPECT_FALSE(table.insert("zero", 0));
    EXPECT_FALSE(table.insert("minus", -5));
    EXPECT_TRUE(table.insert("ann", 1));
    EXPECT_EQ(entriesOf(table), padded({{"ann", 1}}));

    write(file, "a 100 b 90 bob 80 c 70 d 60 e 50 bob 40 f 30 g 20 h 10");
    table = HighScores(file);
    EXPECT_FALSE(table.insert("new", 10));  // equal to the last place
    EXPECT_FALSE(table.insert("bob", 40));
    EXPECT_TRUE(table.insert("bob", 95));   // the lower bob is raised where it stands
    EXPECT_EQ(table.items[6].score, 95);
    EXPECT_EQ(table.items[2].score, 80);
    EXPECT_TRUE(table.insert("new", 60));   // below the 60 already there; h drops out
    EXPECT_EQ(table.items[5].name, "new");
    EXPECT_EQ(table.items[9].name, "g");

    write(file, "ann 5");
    table = HighScores(file);
    EXPECT_TRUE(table.insert("-", 3));  // the lowest placeholder is that player
    EXPECT_EQ(entriesOf(table), Entries({{"ann", 5}, {"-", 0}, {"-", 0}, {"-", 0}, {"-", 0}, {"-", 0}, {"-", 0},
                                         {"-", 0}, {"-", 0}, {"-", 3}}));
    table.sort();
    EXPECT_EQ(table.items[1].score, 3);
}

// What an offer does to a table in falling order, said another way: a listed player keeps the
// better of the two scores in the lowest of their places; a new one goes below every score
// at least as high as theirs, if that is still inside the ten.
std::pair<bool, Entries> modelInsert(Entries e, const std::string& name, int score)
{
    auto listed = std::find_if(e.rbegin(), e.rend(), [&](const auto& x) { return x.first == name; });
    if (listed != e.rend()) {
        if (listed->second >= score)
            return {false, e};
        listed->second = score;
        return {true, e};
    }
    auto place = std::count_if(e.begin(), e.end(), [&](const auto& x) { return x.second >= score; });
    if (place == 10)
        return {false, e};
    e.insert(e.begin() + place, {name, score});
    e.pop_back();
    return {true, e};
}

TEST_F(HighScoresFile, RandomOffersMatchTheModelAndSortingKeepsTheEntries)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> scoreOf(-3, 12);
    std::uniform_int_distribution<int> nameOf(0, 12);
    for (int round = 0; round < 300; ++round) {
        Entries start;
        for (int i = 0; i < 10; ++i)
            start.emplace_back("n" + std::to_string(nameOf(random)), scoreOf(random));
        std::sort(start.begin(), start.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
        write(file, fileTextOf(start));
        HighScores table(file);
        const std::string name = "n" + std::to_string(nameOf(random));
        const int score = scoreOf(random);
        const auto [changed, expected] = modelInsert(start, name, score);
        ASSERT_EQ(table.insert(name, score), changed) << fileTextOf(start) << name << " " << score;
        ASSERT_EQ(entriesOf(table), expected);

        table.sort();
        Entries sorted = entriesOf(table);
        EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(),
                                   [](const auto& a, const auto& b) { return a.second > b.second; }));
        Entries before = expected;
        std::sort(before.begin(), before.end());
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, before);
    }
}

TEST_F(HighScoresFile, SortIsASelectionSortThatMayReorderTies)
{
    write(file, "A 4 B 4 C 5");
    HighScores table(file);
    table.sort();
    EXPECT_EQ(entriesOf(table), padded({{"C", 5}, {"B", 4}, {"A", 4}}));
}

TEST_F(HighScoresFile, PrintListsTheTenPlaces)
{
    write(file, "ann 1200 bob -7");
    std::ostringstream printed;
    std::streambuf* previous = std::cout.rdbuf(printed.rdbuf());
    HighScores(file).print();
    std::cout.rdbuf(previous);
    std::string expected = "1: ann (1200)\n2: bob (-7)\n";
    for (int place = 3; place <= 10; ++place)
        expected += std::to_string(place) + ": - (0)\n";
    EXPECT_EQ(printed.str(), expected);
}

TEST_F(HighScoresFile, SaveWritesTenLinesKeepsPermissionsAndLeavesNoTemporaryFile)
{
    const mode_t previousMask = umask(022);
    HighScores table(file);
    table.insert("ann", 7);
    table.save();
    EXPECT_EQ(read(file), fileTextOf(padded({{"ann", 7}})));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0644));

    fs::permissions(file, fs::perms(0640));
    table.insert("bob", 9);
    table.sort();
    table.save();
    umask(previousMask);
    EXPECT_EQ(read(file), fileTextOf(padded({{"bob", 9}, {"ann", 7}})));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"highscores.vxr"});

    HighScores nowhere(folder + "/missing/highscores.vxr");
    nowhere.save();
    EXPECT_FALSE(fs::exists(folder + "/missing"));
}

TEST_F(HighScoresFile, SaveThroughALinkReplacesItsTargetAndKeepsTheLink)
{
    fs::create_directory(folder + "/real");
    write(folder + "/real/scores.txt", "old 1\n");
    fs::create_symlink("real/scores.txt", file);
    HighScores table(file);
    table.insert("ann", 5);
    table.save();
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(read(folder + "/real/scores.txt"), fileTextOf(padded({{"ann", 5}, {"old", 1}})));
    EXPECT_EQ(namesIn(folder + "/real"), std::vector<std::string>{"scores.txt"});
}

// The child saves for the player nobody when we are root, whom a read-only folder stops.
TEST_F(HighScoresFile, SaveInAReadOnlyFolderWritesTheFileInPlace)
{
    const std::string locked = folder + "/locked";
    fs::create_directory(locked);
    const std::string lockedFile = locked + "/highscores.vxr";
    write(lockedFile, "old 1\n");
    fs::permissions(lockedFile, fs::perms(0666));
    fs::permissions(locked, fs::perms(0555));
    fs::permissions(folder, fs::perms(0755));
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        HighScores table(lockedFile);
        table.insert("ann", 5);
        table.save();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(read(lockedFile), fileTextOf(padded({{"ann", 5}, {"old", 1}})));
}

}  // namespace
