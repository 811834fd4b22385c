// Bad "Bronchi.gra" files: the loader, and the player's view of a world without airways.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/Pty.h"
#include "world/BronchiGraph.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path)
{
    return {std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}};
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct BadFiles : ::testing::Test {
    void SetUp() override { ASSERT_NE(mkdtemp(folder.data()), nullptr); }
    void TearDown() override { fs::remove_all(folder); }
    // The nodes' coordinates, then the edges' ids and points.
    std::vector<float> load(const std::string& bytes) const
    {
        writeFile(folder + "/Bronchi.gra", bytes);
        const BronchiGraph graph((folder + "/Bronchi.gra").c_str());
        std::vector<float> numbers;
        float p[3];
        while (graph.nodePosition(uint32_t(numbers.size() / 3), p))
            numbers.insert(numbers.end(), p, p + 3);
        for (uint32_t i = 0; const BronchiEdge* e = graph.edge(i); ++i) {
            numbers.insert(numbers.end(), {float(e->from), float(e->to)});
            for (const auto& q : e->points) numbers.insert(numbers.end(), {q->x, q->y, q->z});
        }
        return numbers;
    }
    std::string folder = "/tmp/oncoraider-badfiles-XXXXXX";
};

// Cut anywhere, the world loads as a prefix of itself but for the group the cut went through
// (three numbers).
TEST_F(BadFiles, TruncatedGraphFilesLoadWhatStandsBeforeTheCut)
{
    const std::string whole = readFile(std::string(ONCORAIDER_SOURCE_DIR) + "/data/Bronchi.gra");
    const std::vector<float> full = load(whole);
    ASSERT_EQ(full.size(), 4 * 3 + 3 * 2 + (70 + 62 + 101) * 3u);
    const std::size_t afterVoxelLine = whole.find('\n', whole.find("VoxelSize:")) + 1;
    for (std::size_t cut = afterVoxelLine; cut < whole.size(); cut += 37) {
        const std::vector<float> part = load(whole.substr(0, cut));
        const std::size_t sure = part.size() - std::min<std::size_t>(part.size(), 3);
        EXPECT_TRUE(sure <= full.size() &&
                    std::equal(part.begin(), part.begin() + sure, full.begin()))
            << cut;
        EXPECT_EQ(part, load(whole.substr(0, cut) + "\n")) << cut;
    }
}

// The player's view of a world without airways: the menu comes up, and M says why there is
// no mission.
TEST_F(BadFiles, WithAMissingGraphFileOrOneWithoutEdgesTheGameRefusesMissionsWithAMessage)
{
    const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface\r\n\r\n";
    const std::string refused =
        "No mission: the airway map \"./Bronchi.gra\" is missing or holds no airways.\r\n"
        "\r\n(Press [ENTER] to continue)\r\n";
    for (const bool missing : {true, false}) {
        if (!missing)
            writeFile(folder + "/Bronchi.gra",
                      "VoxelSize: 1 1 1\n[Artnodes]\n0 0 1 1 1\n0 0 1 1 9\n");
        pty::Process game(ONCORAIDER_BINARY, {folder, {}, false});
        for (const auto& [text, key] :
             {std::pair{menuEnd, "m"}, {refused, "\r"}, {menuEnd, "\x1b"}}) {
            ASSERT_TRUE(game.waitFor(text)) << game.output();
            game.send(key);
        }
        EXPECT_EQ(game.waitExit(), 0) << game.output();
        EXPECT_EQ(game.output().find("Error opening file\r\nError opening file\r\n"),
                  missing ? 0 : std::string::npos);
    }
}

}  // namespace
