// Bad "Bronchi.gra" and "highscores.vxr" files: the loaders, the player's view, and saves that fail safe.
#include <gtest/gtest.h>

#include <sys/fsuid.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "console/HighScores.h"
#include "support/Pty.h"
#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

namespace fs = std::filesystem;

namespace {

const WallTable gameWall{BronchiMesh,          wallTriangleCount, wallSegmentBase,
                         wallSegmentBaseCount, wallSegmentStart,  wallSegmentStartCount};

std::string readFile(const std::string& path) { return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}}; }

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string garbage(std::size_t size, int high)  // high 0x80: never a blank, so one word
{
    std::independent_bits_engine<std::mt19937, 8, unsigned> random;
    std::string bytes(size, '\0');
    std::generate(bytes.begin(), bytes.end(), [&random, high] { return static_cast<char>(random() | high); });
    return bytes;
}

std::vector<float> numbersOf(const BronchiGraph& graph)  // nodes' coordinates, then each edge's ids and points
{
    std::vector<float> numbers;
    for (float p[3]; graph.nodePosition(static_cast<uint32_t>(numbers.size() / 3), p);)
        numbers.insert(numbers.end(), p, p + 3);
    for (uint32_t i = 0; i < graph.edgeCount(); ++i) {
        numbers.insert(numbers.end(), {float(graph.edge(i)->from), float(graph.edge(i)->to)});
        for (const auto& point : graph.edge(i)->points)
            numbers.insert(numbers.end(), {point->x, point->y, point->z});
    }
    return numbers;
}

std::string table(const std::vector<std::string>& entries)  // "highscores.vxr" with these first, then placeholders
{
    std::string text;
    for (std::size_t i = 0; i < 10; ++i)
        text += (i < entries.size() ? entries[i] : "- 0") + "\n";
    return text;
}

// A mission's update with a winning result: load, offer, sort and save. Returns the table as loaded.
std::string loadAndOffer(const std::string& file, const std::string& name, int score)
{
    HighScores scores(file);
    std::string text;
    for (const HighScoresItem& item : scores.items)
        text += item.name + " " + std::to_string(item.score) + "\n";
    scores.insert(name, score);
    scores.sort();
    scores.save();
    return text;
}

struct BadFiles : ::testing::Test {
    void SetUp() override { ASSERT_NE(mkdtemp(folder.data()), nullptr); }
    void TearDown() override { fs::remove_all(folder); }
    std::unique_ptr<BronchiGraph> load(const std::string& bytes) const
    {
        writeFile(folder + "/Bronchi.gra", bytes);
        return std::make_unique<BronchiGraph>((folder + "/Bronchi.gra").c_str());
    }
    std::string folder = "/tmp/oncoraider-badfiles-XXXXXX";
};

// Cut anywhere after the voxel size, the game's world loads as a prefix of itself but for the node,
// edge or point the cut went through (three numbers). Of a 10 MB line of node groups, its first 3071
// characters count: 307 whole groups and a cut one, which keeps the values read last.
TEST_F(BadFiles, TruncatedOrOverlongGraphLinesLoadWhatStandsBeforeTheCut)
{
    const std::string whole = readFile(std::string(ONCORAIDER_SOURCE_DIR) + "/data/Bronchi.gra");
    const std::vector<float> full = numbersOf(*load(whole));
    ASSERT_EQ(full.size(), 4 * 3 + 3 * 2 + (70 + 62 + 101) * 3u);
    for (std::size_t cut = whole.find('\n', whole.find("VoxelSize:")) + 1; cut < whole.size(); cut += 37) {
        const std::vector<float> part = numbersOf(*load(whole.substr(0, cut)));
        const std::size_t sure = part.size() - std::min<std::size_t>(part.size(), 3);  // before the cut
        EXPECT_TRUE(sure <= full.size() && std::equal(part.begin(), part.begin() + sure, full.begin())) << cut;
        EXPECT_EQ(part, numbersOf(*load(whole.substr(0, cut) + "\n"))) << "the last line, unfinished, counts";
    }
    std::string line = "7 0 1 1 1 ";
    while (line.size() < (10u << 20))
        line += line;
    const auto cut = load("VoxelSize: 1 1 1\n[Artnodes]\n" + line + "\n1 1 9 9 9\n[Edges]\n0 1\n[Adjlist]\n");
    EXPECT_EQ(numbersOf(*cut), std::vector<float>(308 * 3, 1.0f)) << "then both passes stop";
}

// Ids of nodes that do not exist are kept, never looked up: no segment, no wall to hit. Voxel sizes
// divide as IEEE floats do; 1e39, nan and inf are no floats to read: the values read last stand.
TEST_F(BadFiles, ImpossibleNumbersInAGraphFileAreKeptAsReadAndTheQueriesStillAnswer)
{
    const auto ids = load("VoxelSize: 1 1 1\n[Artnodes]\n0 0 0 0 0\n1 0 0 0 9\n[Edges]\n0 4294967295 0 0 0 1\n"
                          "4294967295 7 0 1 1 1\n5 99999999999 0 2 2 2\n3000000000 1\n[Adjlist]\n");
    std::vector<uint32_t> next;  // 99999999999 reads as 0, and the edge 5 0 turns round
    EXPECT_TRUE(ids->successors(0, next) && next == std::vector<uint32_t>({4294967295u, 5u}));
    uint32_t from, to, segment;
    float distance;
    EXPECT_FALSE(ids->nearestSegment(0.0f, 0.0f, 4.0f, from, to, segment, distance));
    for (const Vektor3D& p : {Vektor3D(0, 0, 4), Vektor3D(1, 1, 1), Vektor3D(263.5, 277, 483)})
        EXPECT_TRUE(insideAirway(*ids, gameWall, p));

    const auto huge = load("VoxelSize: 0 1e-30 -0\n[Artnodes]\n0 0 5 1e10 0\n1 0 -3.4e38 3.4e38 -7\n"
                           "2 0 1e39 nan inf\n[Edges]\n0 1 0 1e38 1e-20 1\n1 2\n[Adjlist]\n");
    const float inf = INFINITY, nan = NAN, mark = 12345.0f;
    std::vector<float> numbers = numbersOf(*huge);
    std::replace_if(numbers.begin(), numbers.end(), [](float n) { return std::isnan(n); }, mark);
    EXPECT_EQ(numbers, std::vector<float>({inf, inf, mark, -inf, inf, inf, -inf, inf, inf,  // NaN shows as mark
                                           0, 1, inf, 1e-20f / 1e-30f, -inf, 1, 2}));
    for (const float p : {0.0f, nan, inf, -inf, 3e38f}) {
        EXPECT_TRUE(huge->nearestSegment(p, 0.0f, p, from, to, segment, distance)) << p;
        insideAirway(*huge, gameWall, Vektor3D(p, 0.0, p));
    }
}

// The player's view of an unusable world: the menu comes up, and M says why there is no mission.
TEST_F(BadFiles, WithAMissingEmptyOrGarbageGraphFileTheGameRefusesMissionsWithAMessage)
{
    const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface\r\n\r\n";
    for (const std::string kind : {"missing", "empty", "garbage"}) {
        if (kind != "missing")
            writeFile(folder + "/Bronchi.gra", kind == "empty" ? "" : garbage(1 << 20, 0));
        pty::Process game(ONCORAIDER_BINARY, {folder, {}, false});
        ASSERT_TRUE(game.waitFor(menuEnd)) << kind << game.output();
        EXPECT_TRUE(kind != "missing" || game.output().find("Error opening file\r\nError opening file\r\n") == 0);
        game.send("m");
        ASSERT_TRUE(game.waitFor("No mission: the airway map \"./Bronchi.gra\" is missing or holds no airways.\r\n"
                                 "\r\n(Press [ENTER] to continue)\r\n")) << kind << game.output();
        game.send("\r");
        ASSERT_TRUE(game.waitFor(menuEnd)) << kind << game.output();
        game.send("\x1b");
        EXPECT_EQ(game.waitExit(), 0) << kind << game.output();
    }
}

// Whatever a score file holds, loading reads at most ten name and score words and stops at a score
// beyond 32 bits; the next save writes the ten places, long names whole, and nothing else.
TEST_F(BadFiles, OversizedOrGarbledScoreFilesLoadWhatTheFormatAllowsAndSaveTenPlaces)
{
    const std::string file = folder + "/highscores.vxr", name(10 * 1024, 'n');
    const std::vector<std::string> ten{"a 10", "b 9", "c 8", "d 7", "e 6", "f 5", "g 4", "h 3", "i 2", "j 1"};
    std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {table(ten) + garbage(10 << 20, 0), ten},
        {std::string(10 << 20, '\n') + "ann 5", {"ann 5"}},
        {garbage(10 << 20, 0x80), {}},  // a name without a score
        {name + " 700\r\n" + name + "x 600", {name + " 700", name + "x 600"}}};
    for (const char* score : {"2147483648", "-2147483649", "4294967296", "18446744073709551616", "99999999999999999999999999"})
        cases.push_back({"ann 5 bob " + std::string(score) + " cid 4", {"ann 5"}});
    EXPECT_EQ(loadAndOffer(file, "zed", 1000), table({})) << "no file";
    for (const auto& [bytes, entries] : cases) {
        writeFile(file, bytes);
        EXPECT_EQ(loadAndOffer(file, "zed", 1000), table(entries)) << bytes.substr(0, 40);
        std::vector<std::string> saved{"zed 1000"};
        saved.insert(saved.end(), entries.begin(), entries.end());
        EXPECT_EQ(readFile(file), table(saved)) << bytes.substr(0, 40);
    }
}

// Files the player may not use, in a folder anyone may write (where a rename over them would work),
// and a read-only folder. Root (as in CI) may use any file: here it has the rights of nobody.
TEST_F(BadFiles, ScoreFilesThePlayerMayNotUseReadAsPlaceholdersAndSavesLeaveThemAlone)
{
    const std::string kept = table({"ann 900", "bob 800"});
    const std::string files[] = {folder + "/directory", folder + "/unreadable", folder + "/readOnly",
                                 folder + "/readOnlyFolder/highscores.vxr"};
    fs::create_directory(files[0]);
    fs::create_directory(folder + "/readOnlyFolder");
    for (const std::string& file : {files[0] + "/keep", files[1], files[2]})
        writeFile(file, kept);
    fs::permissions(files[1], fs::perms::none);
    fs::permissions(files[2], fs::perms(0444));
    fs::permissions(folder + "/readOnlyFolder", fs::perms(0555));
    fs::permissions(folder, fs::perms::all);
    setfsuid(65534);
    const bool binds = !std::ifstream(files[1]).is_open();
    std::string seen;
    for (const std::string& file : files)
        seen += loadAndOffer(file, "cid", 1000);
    setfsuid(geteuid());
    fs::permissions(files[1], fs::perms::owner_read);
    ASSERT_TRUE(binds) << "the unreadable file could be read: this test would prove nothing";
    EXPECT_EQ(seen, table({}) + table({}) + kept + table({}));
    EXPECT_EQ(readFile(files[0] + "/keep") + readFile(files[1]) + readFile(files[2]), kept + kept + kept);
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder), {}), 5) << "a file left behind";
}

}  // namespace
