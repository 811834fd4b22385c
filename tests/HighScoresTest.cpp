// The high-score table: what a file, an offer and a sort make of it, and saves that replace the
// file whole or leave it alone.
#include "console/HighScores.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/fsuid.h>
#include <sys/resource.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// "ann 5 bob -3", without the placeholders after the last entry.
std::string wordsOf(const HighScores& table)
{
    std::string words;
    for (const HighScoresItem& item : table.items)
        words += " " + item.name + " " + std::to_string(item.score);
    while (words.size() >= 4 && words.compare(words.size() - 4, 4, " - 0") == 0)
        words.resize(words.size() - 4);
    return words.empty() ? words : words.substr(1);
}

// A saved table: these entries, then placeholders.
std::string lines(const std::vector<std::string>& entries)
{
    std::string text;
    for (std::size_t i = 0; i < 10; ++i)
        text += (i < entries.size() ? entries[i] : "- 0") + "\n";
    return text;
}

TEST(HighScores, LoadStopsAtABadScoreInsertPutsNoOneAboveAnEqualScoreAndSortMayReorderTies)
{
    const files::Scratch folder("scores");
    const std::string file = folder / "highscores.vxr";
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
        {"ann 5", "ann", 7, "ann 7"},  // his own first place is raised
        {"ann 5", "-", 3, "ann 5 - 3"},  // the lowest placeholder
        {"A 4 B 4 C 5", "D", 6, "D 6 C 5 B 4 A 4"},
    };
    for (const char* score :
         {"12abc", "2147483648", "-2147483649", "4294967296", "99999999999999999999", "+"})
        cases.push_back({std::string("ann 5 bob ") + score + " cid 4", "", 0, "ann 5"});
    for (const Case& c : cases) {
        files::write(file, c.text);
        HighScores table(file);
        const std::string loaded = wordsOf(table);
        const bool changed = !c.name.empty() && table.insert(c.name, c.score);
        EXPECT_EQ(changed, wordsOf(table) != loaded) << c.text << " + " << c.name;
        if (changed)
            table.sort();
        EXPECT_EQ(wordsOf(table), c.after) << c.text << " + " << c.name;
    }
}

// A mission's update (load, offer, sort, save) through a relative link, with the rights of nobody
// (root, as in CI, may use any file): a new file renamed over the link's target, or nothing
// written at all, but for a folder that takes no new file, where only a write in place is left.
TEST(HighScores, ASaveReplacesTheLinksTargetWholeOrLeavesItAlone)
{
    const std::string name(10 * 1024, 'n');  // far longer than any buffer
    const std::string kept = lines({"ann 900", "bob 800"});
    struct Case {
        const char* what;
        std::string before;  // "": no file yet
        int perms, folderPerms;
        rlim_t fullAfter;  // bytes; 0: the disk never fills
        std::string loaded, after;
        uintmax_t links;  // 1: a new file, 2: the one the hard link "old" shares
    };
    const Case cases[] = {
        {"first use", "", 0, 0777, 0, "", lines({"zed 1000"}), 1},
        {"long names", name + " 700\r\n" + name + "x 600", 0664, 0777, 0,
         name + " 700 " + name + "x 600", lines({"zed 1000", name + " 700", name + "x 600"}), 1},
        {"unreadable", kept, 0, 0777, 0, "", kept, 2},
        {"read-only", kept, 0444, 0777, 0, "ann 900 bob 800", kept, 2},
        {"full disk", kept, 0664, 0777, 20, "ann 900 bob 800", kept, 2},
        {"read-only folder", kept, 0664, 0555, 0, "ann 900 bob 800",
         lines({"zed 1000", "ann 900", "bob 800"}), 2},
    };
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    const auto onSignal = signal(SIGXFSZ, SIG_IGN);
    for (const Case& c : cases) {
        const files::Scratch folder("scores");
        const std::string target = folder / "scores.txt";
        fs::create_symlink("scores.txt", folder / "highscores.vxr");
        if (!c.before.empty()) {
            files::write(target, c.before);
            fs::permissions(target, fs::perms(c.perms));
            fs::create_hard_link(target, folder / "old");
        }
        fs::permissions(folder.path(), fs::perms(c.folderPerms));
        const rlimit size{c.fullAfter > 0 ? c.fullAfter : limit.rlim_cur, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &size);
        setfsuid(65534);
        HighScores table(folder / "highscores.vxr");
        const std::string loaded = wordsOf(table);
        table.insert("zed", 1000);
        table.sort();
        table.save();
        setfsuid(geteuid());
        setrlimit(RLIMIT_FSIZE, &limit);
        fs::permissions(folder.path(), fs::perms::owner_all);
        EXPECT_EQ(loaded, c.loaded) << c.what;
        EXPECT_EQ(fs::hard_link_count(target), c.links) << c.what;
        if (!c.before.empty()) {
            EXPECT_EQ(fs::status(target).permissions(), fs::perms(c.perms)) << c.what;
        }
        fs::permissions(target, fs::perms::owner_read, fs::perm_options::add);  // without root too
        EXPECT_EQ(files::read(target), c.after) << c.what;
        const auto entries = std::distance(fs::directory_iterator(folder.path()), {});
        EXPECT_EQ(entries, c.before.empty() ? 2 : 3) << c.what << ": a file left behind";
    }
    signal(SIGXFSZ, onSignal);
}

}  // namespace
