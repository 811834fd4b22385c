// Bad "Bronchi.gra" and "highscores.vxr" files: what the loaders make of them, what a save does
// to them, and what the player sees of them in the real game in a terminal.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "console/HighScores.h"
#include "support/Pty.h"
#include "world/BronchiGraph.h"
#include "world/BronchiMesh.h"
#include "world/WallCollision.h"

namespace {

namespace fs = std::filesystem;

const std::string worldFile = std::string(ONCORAIDER_SOURCE_DIR) + "/data/Bronchi.gra";
const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface\r\n\r\n";
const std::string noWorld =
    "No mission: the airway map \"./Bronchi.gra\" is missing or holds no airways.\r\n";
const std::string enterHint = "(Press [ENTER] to continue)\r\n";
const std::string escapeHint = "(Press [ESC] in order to get back to the Main Menu)\r\n";
const std::size_t tenMegabytes = 10u << 20;

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string garbage(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xff);
    return bytes;
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/oncoraider-badfiles-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(folder, ignored);
    }
    std::string path(const std::string& name) const { return folder + "/" + name; }

    std::vector<std::string> namesIn(const std::string& dir) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder;
};

// ---------------------------------------------------------------------------------------------
// "Bronchi.gra" through the loader

struct Loaded {
    std::unique_ptr<BronchiGraph> graph;
    std::string out;
};

class BadGraphFile : public TempFolder {
protected:
    Loaded load(const std::string& bytes)
    {
        const std::string file = path("Bronchi.gra");
        writeFile(file, bytes);
        Loaded loaded;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        loaded.graph = std::make_unique<BronchiGraph>(file.c_str());
        loaded.out = testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        return loaded;
    }
};

std::vector<std::array<float, 3>> nodesOf(const BronchiGraph& graph)
{
    std::vector<std::array<float, 3>> nodes;
    std::array<float, 3> p;
    while (graph.nodePosition(static_cast<uint32_t>(nodes.size()), p.data()))
        nodes.push_back(p);
    return nodes;
}

std::array<float, 3> pointOf(const GraphPoint& p)
{
    return {p.x, p.y, p.z};
}

const WallTable gameWall{BronchiMesh,      wallTriangleCount,     wallSegmentBase,
                         wallSegmentBaseCount, wallSegmentStart, wallSegmentStartCount};

TEST_F(BadGraphFile, EmptyOrGarbageLoadsNothingAndReportsEachPass)
{
    const std::string searched = "find Voxel Size...find beginning Edges...";
    for (const std::string& bytes : {std::string(), garbage(64 * 1024, 3), garbage(5000, 4) + "\n[Edges]\n0 1\n"}) {
        const Loaded loaded = load(bytes);
        EXPECT_EQ(loaded.graph->edgeCount(), 0u);
        EXPECT_TRUE(nodesOf(*loaded.graph).empty());
        EXPECT_EQ(loaded.out, searched + searched);
        EXPECT_TRUE(insideAirway(*loaded.graph, gameWall, Vektor3D(0.0, 0.0, 0.0)));
    }
}

// Cut anywhere after the voxel size, the game's world loads as a prefix of itself: whatever
// stands before the cut is read as in the whole file, and only the last node, edge or point
// (the one the cut went through) may differ.
TEST_F(BadGraphFile, TruncatedMidLineLoadsAPrefixOfTheWholeWorld)
{
    const std::string whole = readFile(worldFile);
    ASSERT_FALSE(whole.empty()) << worldFile;
    const Loaded full = load(whole);
    const auto fullNodes = nodesOf(*full.graph);
    ASSERT_EQ(fullNodes.size(), 4u);
    ASSERT_EQ(full.graph->edgeCount(), 3u);

    const std::size_t afterVoxel = whole.find('\n', whole.find("VoxelSize:")) + 1;
    int cuts = 0;
    for (std::size_t cut = afterVoxel; cut < whole.size(); cut += 37, ++cuts) {
        SCOPED_TRACE("cut at byte " + std::to_string(cut));
        const Loaded part = load(whole.substr(0, cut));
        const auto nodes = nodesOf(*part.graph);
        ASSERT_LE(nodes.size(), fullNodes.size() + 1) << "a cut header line reads as one more node";
        for (std::size_t i = 0; i + 1 < nodes.size(); ++i)
            EXPECT_EQ(nodes[i], fullNodes[i]) << "node " << i;
        const uint32_t edges = part.graph->edgeCount();
        ASSERT_LE(edges, full.graph->edgeCount());
        for (uint32_t i = 0; i < edges; ++i) {
            const BronchiEdge& e = *part.graph->edge(i);
            const BronchiEdge& f = *full.graph->edge(i);
            const bool last = i + 1 == edges;
            EXPECT_EQ(e.from, f.from) << "edge " << i;
            if (!last) {
                EXPECT_EQ(e.to, f.to) << "edge " << i;
            }
            ASSERT_LE(e.points.size(), f.points.size()) << "edge " << i;
            const std::size_t same = last && !e.points.empty() ? e.points.size() - 1 : e.points.size();
            for (std::size_t k = 0; k < same; ++k)
                EXPECT_EQ(pointOf(*e.points[k]), pointOf(*f.points[k])) << "edge " << i << " point " << k;
        }
        // The wall test copes with whatever is left.
        for (const auto& p : fullNodes)
            insideAirway(*part.graph, gameWall, Vektor3D(p[0], p[1], p[2] - 3.0f));
    }
    EXPECT_GT(cuts, 100);
}

// A 10 MB line: its first 3071 characters are read like a line, then the pass stops.
TEST_F(BadGraphFile, TenMegabyteSingleLineIsCutAndEndsThePass)
{
    std::string numbers;
    while (numbers.size() < tenMegabytes)
        numbers += "7 0 1 2 3 ";
    const Loaded noKeyword = load(numbers);
    EXPECT_EQ(noKeyword.graph->edgeCount(), 0u);
    EXPECT_TRUE(nodesOf(*noKeyword.graph).empty());

    const Loaded voxelOnly = load("VoxelSize: 2 4 8 " + numbers + "\n[Artnodes]\n0 0 2 4 8\n[Edges]\n0 1\n");
    const std::string pass = "find Voxel Size...done\nVoxelSize: 2 // 4 // 8\nfind beginning Edges...";
    EXPECT_EQ(voxelOnly.out, pass + pass);
    EXPECT_TRUE(nodesOf(*voxelOnly.graph).empty());

    // Inside the node section: the nodes of the cut line's first 3071 characters, nothing after.
    const Loaded inNodes = load("VoxelSize: 1 1 1\n[Artnodes]\n" + numbers + "\n1 1 9 9 9\n[Edges]\n0 1\n");
    const auto nodes = nodesOf(*inNodes.graph);
    EXPECT_EQ(nodes.size(), 3071u / 10u + 1u);  // the cut group keeps the values read before it
    for (const auto& p : nodes)
        EXPECT_EQ(p, (std::array<float, 3>{1.0f, 2.0f, 3.0f}));
    EXPECT_EQ(inNodes.graph->edgeCount(), 0u);
}

// Ids name nodes that do not exist: stored as read, never looked up, and passed over by the
// wall test, which then has no wall to hit.
TEST_F(BadGraphFile, NodeIdsFarOutOfRangeAreKeptButNeverLookedUp)
{
    const Loaded loaded = load(
        "VoxelSize: 1 1 1\n[Artnodes]\n0 0 0 0 0\n1 0 0 0 9\n[Edges]\n"
        "0 4294967295 0 0 0 1\n4294967295 7 0 1 1 1\n5 99999999999 0 2 2 2\n3000000000 1\n[Adjlist]\n");
    const BronchiGraph& graph = *loaded.graph;
    ASSERT_EQ(graph.edgeCount(), 4u);
    EXPECT_EQ(graph.edge(0)->from, 0u);
    EXPECT_EQ(graph.edge(0)->to, 4294967295u);
    EXPECT_EQ(graph.edge(2)->from, 0u) << "an id that cannot be read counts as 0, and nothing enters 5";
    EXPECT_EQ(graph.edge(2)->to, 5u);
    std::vector<uint32_t> next;
    EXPECT_TRUE(graph.successors(0, next));
    EXPECT_EQ(next.front(), 4294967295u);
    float p[3] = {-1.0f, -1.0f, -1.0f};
    EXPECT_FALSE(graph.nodePosition(next.front(), p));
    EXPECT_EQ(p[0], -1.0f);

    uint32_t from, to, segment;
    float distance;
    EXPECT_FALSE(graph.nearestSegment(0.0f, 0.0f, 4.0f, from, to, segment, distance))
        << "no edge has both of its nodes";
    std::mt19937 random(5);
    std::uniform_real_distribution<double> anywhere(-500.0, 500.0);
    for (int i = 0; i < 200; ++i)
        EXPECT_TRUE(insideAirway(graph, gameWall, Vektor3D(anywhere(random), anywhere(random), anywhere(random))));

    // Nodes that exist but lie beyond the wall table's four: no wall group to test against.
    std::string many = "VoxelSize: 1 1 1\n[Artnodes]\n";
    for (int i = 0; i < 12; ++i)
        many += "0 0 " + std::to_string(i) + " 0 0\n";
    const Loaded beyond = load(many + "[Edges]\n10 11 0 10.5 0 0\n[Adjlist]\n");
    ASSERT_TRUE(beyond.graph->nearestSegment(10.5f, 1.0f, 0.0f, from, to, segment, distance));
    EXPECT_EQ(to, 11u);
    EXPECT_TRUE(insideAirway(*beyond.graph, gameWall, Vektor3D(10.5, 1.0, 0.0)));
}

// What a float division gives, computed here rather than trusted to the loader.
float quotient(float value, float size)
{
    volatile float v = value;
    volatile float s = size;
    return v / s;
}

bool sameFloat(float a, float b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

TEST_F(BadGraphFile, NanAndHugeCoordinatesFollowIeeeAndTheQueriesCopeWithThem)
{
    const Loaded loaded = load(
        "VoxelSize: 0 1e-30 -0\n[Artnodes]\n"
        "0 0 5 1e10 0\n"
        "1 0 -3.4e38 3.4e38 -7\n"
        "2 0 1e39 nan inf\n"  // none of these read: the last values stand
        "[Edges]\n0 1 0 1e38 1e-38 1\n1 2\n[Adjlist]\n");
    const auto nodes = nodesOf(*loaded.graph);
    ASSERT_EQ(nodes.size(), 3u);
    const float expected[3][3] = {{quotient(5.0f, 0.0f), quotient(1e10f, 1e-30f), quotient(0.0f, -0.0f)},
                                  {quotient(-3.4e38f, 0.0f), quotient(3.4e38f, 1e-30f), quotient(-7.0f, -0.0f)},
                                  {quotient(-3.4e38f, 0.0f), quotient(3.4e38f, 1e-30f), quotient(-7.0f, -0.0f)}};
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 3; ++c)
            EXPECT_TRUE(sameFloat(nodes[i][c], expected[i][c])) << "node " << i << " axis " << c << ": " << nodes[i][c];
    EXPECT_TRUE(std::isnan(nodes[0][2]));
    EXPECT_TRUE(std::isinf(nodes[1][1]));

    // A ship can end up anywhere such a world sends it: the queries must answer, not crash.
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float probes[][3] = {{0, 0, 0}, {nan, 0, 0}, {inf, -inf, 0}, {3e38f, 3e38f, 3e38f}, {nan, nan, nan}};
    uint32_t from, to, segment;
    float distance;
    for (const auto& p : probes) {
        EXPECT_TRUE(loaded.graph->nearestSegment(p[0], p[1], p[2], from, to, segment, distance));
        insideAirway(*loaded.graph, gameWall, Vektor3D(p[0], p[1], p[2]));
    }
}

// ---------------------------------------------------------------------------------------------
// "Bronchi.gra" as the player meets it: the menu comes up, and M explains why there is no
// mission instead of flying into nothing.

struct GraphCase {
    const char* name;
    std::function<std::string()> bytes;  // nothing written when null
    bool missing;
};

void PrintTo(const GraphCase& c, std::ostream* out)
{
    *out << c.name;
}

class UnusableWorld : public TempFolder, public ::testing::WithParamInterface<GraphCase> {};

TEST_P(UnusableWorld, TheMenuComesUpAndAMissionIsRefusedWithAMessage)
{
    const GraphCase& c = GetParam();
    if (!c.missing)
        writeFile(path("Bronchi.gra"), c.bytes());
    pty::Options options;
    options.workDir = folder;
    pty::Process game(ONCORAIDER_BINARY, options);
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    if (c.missing) {
        EXPECT_EQ(game.output().find("Error opening file\r\nError opening file\r\n"), 0u) << game.output();
    }
    game.send("m");
    ASSERT_TRUE(game.waitFor(noWorld)) << game.output();
    ASSERT_TRUE(game.waitFor(enterHint)) << game.output();
    game.send("\r");
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    game.send("\x1b");
    const int status = game.waitExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << game.output();
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}

INSTANTIATE_TEST_SUITE_P(
    Graph, UnusableWorld,
    ::testing::Values(
        GraphCase{"Missing", nullptr, true}, GraphCase{"Empty", [] { return std::string(); }, false},
        GraphCase{"BinaryGarbage", [] { return garbage(1 << 20, 9); }, false},
        GraphCase{"TruncatedBeforeTheEdges",
                  [] {
                      const std::string whole = readFile(worldFile);
                      return whole.substr(0, whole.find("[Edges]") + 3);
                  },
                  false},
        GraphCase{"TenMegabyteLine", [] { return "VoxelSize: 1 1 1 " + std::string(tenMegabytes, '9'); }, false}),
    [](const ::testing::TestParamInfo<GraphCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// "highscores.vxr" through the table

using Entries = std::vector<std::pair<std::string, int>>;

Entries entriesOf(const HighScores& table)
{
    Entries e;
    for (const HighScoresItem& item : table.items)
        e.emplace_back(item.name, item.score);
    return e;
}

Entries padded(Entries e)
{
    e.resize(10, {"-", 0});
    return e;
}

std::string textOf(const Entries& e)
{
    std::string text;
    for (const auto& [name, score] : e)
        text += name + " " + std::to_string(score) + "\n";
    return text;
}

// What a mission does with a result: load, offer, and when that changed the table, sort and save.
void offer(const std::string& file, const std::string& name, int score)
{
    HighScores table(file);
    if (table.insert(name, score)) {
        table.sort();
        table.save();
    }
}

// Runs body as a player whom permissions bind: as is, or, when we are root (as in CI, where
// chmod binds nobody), in a child that has become the user nobody. True when body returned true.
bool asBoundPlayer(const std::function<bool()>& body, const std::vector<std::string>& giveAway)
{
    if (geteuid() != 0)
        return body();
    for (const std::string& p : giveAway)
        if (chown(p.c_str(), 65534, 65534) != 0)
            return false;
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class BadScoreFile : public TempFolder {
protected:
    void SetUp() override
    {
        TempFolder::SetUp();
        file = path("highscores.vxr");
    }
    std::string file;
};

TEST_F(BadScoreFile, ADirectoryReadsAsPlaceholdersAndIsNeverReplaced)
{
    fs::create_directory(file);
    writeFile(file + "/keep", "mine");
    EXPECT_EQ(entriesOf(HighScores(file)), padded({}));
    offer(file, "ann", 5);
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_EQ(readFile(file + "/keep"), "mine");
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"highscores.vxr"}) << "no temporary file left";
}

// A table the player cannot read is not one to overwrite with placeholders: the save leaves it.
TEST_F(BadScoreFile, AnUnreadableFileReadsAsPlaceholdersAndIsLeftAsItWas)
{
    const Entries kept = padded({{"ann", 900}, {"bob", 800}});
    writeFile(file, textOf(kept));
    fs::permissions(file, fs::perms::none);
    fs::permissions(folder, fs::perms(0755));
    const std::string f = file;
    const bool held = asBoundPlayer(
        [f] {
            if (std::ifstream(f).is_open())
                return false;  // still readable: the test would prove nothing
            if (entriesOf(HighScores(f)) != padded({}))
                return false;
            offer(f, "cid", 5);
            return true;
        },
        {folder, file});
    EXPECT_TRUE(held);
    fs::permissions(file, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(readFile(file), textOf(kept));
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"highscores.vxr"});
}

// A read-only folder: no table can be created there, and a read-only table in it stays.
TEST_F(BadScoreFile, InAReadOnlyFolderNothingIsCreatedAndAReadOnlyTableStays)
{
    const std::string empty = path("empty");
    const std::string locked = path("locked");
    fs::create_directory(empty);
    fs::create_directory(locked);
    const Entries kept = padded({{"ann", 900}});
    writeFile(locked + "/highscores.vxr", textOf(kept));
    fs::permissions(locked + "/highscores.vxr", fs::perms(0444));
    fs::permissions(empty, fs::perms(0555));
    fs::permissions(locked, fs::perms(0555));
    fs::permissions(folder, fs::perms(0755));
    const bool ran = asBoundPlayer(
        [empty, locked] {
            offer(empty + "/highscores.vxr", "ann", 5);
            if (entriesOf(HighScores(locked + "/highscores.vxr")) != padded({{"ann", 900}}))
                return false;
            offer(locked + "/highscores.vxr", "bob", 1000);
            return true;
        },
        {folder, empty, locked, locked + "/highscores.vxr"});
    EXPECT_TRUE(ran);
    EXPECT_TRUE(namesIn(empty).empty());
    EXPECT_EQ(readFile(locked + "/highscores.vxr"), textOf(kept));
    EXPECT_EQ(namesIn(locked), std::vector<std::string>{"highscores.vxr"});
}

TEST_F(BadScoreFile, GarbageAndTenMegabyteFilesLoadWithoutHarm)
{
    const Entries ten = [] {
        Entries e;
        for (int i = 0; i < 10; ++i)
            e.emplace_back("pilot" + std::to_string(i), 1000 - i);
        return e;
    }();
    writeFile(file, textOf(ten) + garbage(tenMegabytes, 1));
    EXPECT_EQ(entriesOf(HighScores(file)), ten) << "what follows the tenth entry is never read";

    writeFile(file, std::string(tenMegabytes, '\n') + "ann 5");
    EXPECT_EQ(entriesOf(HighScores(file)), padded({{"ann", 5}}));

    writeFile(file, std::string(tenMegabytes, 'x'));
    EXPECT_EQ(entriesOf(HighScores(file)), padded({})) << "one huge word is a name without a score";

    writeFile(file, garbage(tenMegabytes, 2));
    const HighScores table(file);
    for (const HighScoresItem& item : table.items) {
        EXPECT_FALSE(item.name.empty());
        EXPECT_EQ(item.name.find_first_of(" \t\n\v\f\r"), std::string::npos);
    }
    offer(file, "ann", 5);
    const Entries saved = entriesOf(HighScores(file));
    EXPECT_NE(std::find(saved.begin(), saved.end(), std::make_pair(std::string("ann"), 5)), saved.end());
    EXPECT_LT(fs::file_size(file), 4096u) << "a save writes ten lines, not the garbage";
}

TEST_F(BadScoreFile, TenKilobyteNamesAndScoresBeyond32BitsStayWhole)
{
    const std::string longName(10 * 1024, 'n');
    const std::string otherName = std::string(10 * 1024 - 1, 'o') + "!";
    writeFile(file, longName + " 700\n" + otherName + " -2147483648\n");
    EXPECT_EQ(entriesOf(HighScores(file)), padded({{longName, 700}, {otherName, -2147483647 - 1}}));
    offer(file, "ann", 800);
    Entries sorted{{"ann", 800}, {longName, 700}};
    sorted.resize(9, {"-", 0});
    sorted.emplace_back(otherName, -2147483647 - 1);
    EXPECT_EQ(readFile(file), textOf(sorted)) << "the placeholders' 0 ranks above the lowest score";

    for (const char* score : {"2147483648", "-2147483649", "99999999999999999999999999", "18446744073709551616",
                              "-9223372036854775809", "4294967296"}) {
        writeFile(file, "ann 5\nbob " + std::string(score) + "\ncid 4\n");
        EXPECT_EQ(entriesOf(HighScores(file)), padded({{"ann", 5}})) << score;
    }
}

// ---------------------------------------------------------------------------------------------
// "highscores.vxr" as the player meets it: the high-score screen, read afresh at every visit.

std::string tail(const std::string& output)
{
    return output.size() > 2000 ? output.substr(output.size() - 2000) : output;
}

std::string listing(const Entries& e)
{
    std::string text;
    for (std::size_t i = 0; i < e.size(); ++i)
        text += std::to_string(i + 1) + ": " + e[i].first + " (" + std::to_string(e[i].second) + ")\r\n";
    return text;
}

TEST_F(BadScoreFile, TheHighScoreScreenShowsWhatCanBeReadOfEachBadFile)
{
    pty::Options options;
    options.workDir = folder;
    pty::Process game(ONCORAIDER_BINARY, options);
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();

    const std::string longName(10 * 1024, 'k');
    struct Visit {
        std::string what;
        std::function<void()> make;
        Entries shown;
    };
    const std::vector<Visit> visits{
        {"missing", [] {}, padded({})},
        {"a directory", [this] { fs::create_directory(file); }, padded({})},
        {"10 KB names and scores beyond 32 bits",
         [this, longName] {
             fs::remove(file);
             writeFile(file, longName + " 2147483647\r\n" + longName + "x -2147483648\r\ncid 2147483648 dan 1\n");
         },
         padded({{longName, 2147483647}, {longName + "x", -2147483647 - 1}})},
        {"10 MB", [this] { writeFile(file, "ann 5\n" + std::string(tenMegabytes, ' ') + "bob 4\n"); },
         padded({{"ann", 5}, {"bob", 4}})},
    };
    for (const Visit& visit : visits) {
        SCOPED_TRACE(visit.what);
        visit.make();
        game.send("h");
        ASSERT_TRUE(game.waitFor("Highscores:\r\n-----------\r\n")) << game.output();
        ASSERT_TRUE(game.waitFor(listing(visit.shown) + "\r\n" + escapeHint)) << tail(game.output());
        game.send("\x1b");
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    }
    game.send("\x1b");
    const int status = game.waitExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// ---------------------------------------------------------------------------------------------
// A crash while the table is saved: a helper makes a mission's update in a real process, and is
// killed at a random moment after it said it starts saving. The file must hold the old table or
// the new one, whole, every time.

const std::string saveHelper = fs::path(ONCORAIDER_BINARY).parent_path() / "oncoraider_savekill";

struct Helper {
    pid_t pid;
    int output;
};

Helper startHelper(const std::string& workDir, const std::string& name, int points)
{
    std::string program = saveHelper;
    std::string nameArg = name;
    std::string pointsArg = std::to_string(points);
    char* argv[] = {program.data(), nameArg.data(), pointsArg.data(), nullptr};
    int out[2];
    if (pipe(out) != 0)
        return {-1, -1};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        if (chdir(workDir.c_str()) == 0)
            execv(argv[0], argv);
        _exit(127);
    }
    close(out[1]);
    return {pid, out[0]};
}

// The next mark the helper writes, or 0 when it ends or stays silent for ten seconds.
char nextMark(int fd)
{
    pollfd p{fd, POLLIN, 0};
    char mark = 0;
    if (poll(&p, 1, 10000) == 1 && read(fd, &mark, 1) == 1)
        return mark;
    return 0;
}

class SaveKilled : public TempFolder {};

TEST_F(SaveKilled, AtRandomMomentsTheFileIsAlwaysTheOldOrTheNewTableWhole)
{
    ASSERT_TRUE(fs::exists(saveHelper)) << saveHelper;
    const std::string file = path("highscores.vxr");
    const std::string reference = path("reference");
    fs::create_directory(reference);
    writeFile(file, textOf(padded({{"ann", 50}, {"bob", 40}})));

    // How long a save takes here, so that the kills spread over it and a little beyond.
    std::vector<long> saveMicros;
    const std::string calibration = path("calibration");
    fs::create_directory(calibration);
    for (int i = 0; i < 5; ++i) {
        fs::copy_file(file, calibration + "/highscores.vxr", fs::copy_options::overwrite_existing);
        const Helper h = startHelper(calibration, "cal" + std::to_string(i), 100 + i);
        ASSERT_EQ(nextMark(h.output), 's');
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(nextMark(h.output), 'd');
        saveMicros.push_back(static_cast<long>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count()));
        close(h.output);
        waitpid(h.pid, nullptr, 0);
    }
    std::sort(saveMicros.begin(), saveMicros.end());
    const long window = std::max(2 * saveMicros[2], 100L);

    std::mt19937 random(2024);
    std::uniform_int_distribution<long> delay(0, window);
    int kept = 0, replaced = 0, strays = 0;
    const int rounds = 200;
    for (int round = 0; round < rounds; ++round) {
        const std::string old = readFile(file);
        // Every offer changes the table: a new best for one of thirteen players.
        const std::string name = "pilot" + std::to_string(round % 13);
        const int points = 1000 + round;
        fs::copy_file(file, reference + "/highscores.vxr", fs::copy_options::overwrite_existing);
        offer(reference + "/highscores.vxr", name, points);
        const std::string renewed = readFile(reference + "/highscores.vxr");
        ASSERT_NE(renewed, old);

        const Helper h = startHelper(folder, name, points);
        ASSERT_GT(h.pid, 0);
        ASSERT_EQ(nextMark(h.output), 's') << "round " << round;
        const long wait = round % 10 == 0 ? 0 : delay(random);
        if (wait > 0)
            usleep(static_cast<useconds_t>(wait));
        kill(h.pid, SIGKILL);
        waitpid(h.pid, nullptr, 0);
        close(h.output);

        const std::string now = readFile(file);
        ASSERT_TRUE(now == old || now == renewed) << "round " << round << " after " << wait << " us:\n" << now;
        (now == old ? kept : replaced) += 1;
        // A save cut short may leave its unfinished new file beside the table; it is never the table.
        for (const std::string& n : namesIn(folder)) {
            if (n.rfind(".highscores.vxr.", 0) == 0) {
                ++strays;
                fs::remove(path(n));
            }
        }
    }
    std::cout << rounds << " saves killed (a save takes about " << saveMicros[2] << " us here): " << kept
              << " left the old table, " << replaced << " the new one; " << strays
              << " were cut between the new file and its rename" << std::endl;
    RecordProperty("killedSaves", rounds);
    RecordProperty("oldTable", kept);
    RecordProperty("newTable", replaced);
    RecordProperty("cutBeforeRename", strays);
    EXPECT_GT(kept, 0) << "no kill landed before the table was replaced";
    EXPECT_GT(replaced, 0) << "no kill came late enough for a replaced table";
}

}  // namespace
