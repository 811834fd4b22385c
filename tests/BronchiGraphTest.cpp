// Airway graph: the loader on real files, its console output and orientation, and the nearest
// segment.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <fstream>
#include <tuple>

#include "world/BronchiGraph.h"

namespace {

using Points = std::vector<std::array<float, 3>>;

// A file's graph, its console lines, its nodes, and its edges as from, to and points.
struct Loaded {
    std::unique_ptr<BronchiGraph> graph;
    std::string out, err;
    Points nodes;
    std::vector<std::pair<std::array<uint32_t, 2>, Points>> edges;
    explicit Loaded(const std::string& text) {
        const std::string file = testing::TempDir() + "graph" + std::to_string(getpid()) + ".gra";
        std::ofstream(file, std::ios::binary) << text;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        graph = std::make_unique<BronchiGraph>(file.c_str());
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        unlink(file.c_str());
        std::array<float, 3> p;
        while (graph->nodePosition(uint32_t(nodes.size()), p.data()))
            nodes.push_back(p);
        for (uint32_t i = 0; const BronchiEdge* e = graph->edge(i); ++i) {
            edges.push_back({{e->from, e->to}, {}});
            for (const auto& p : e->points) edges.back().second.push_back({p->x, p->y, p->z});
        }
    }
};

// What either loading pass prints up to its section.
std::string pass(const std::string& voxel) {
    return "find Voxel Size...done\nVoxelSize: " + voxel + "\nfind beginning Edges...done\n";
}

// 5 -> 6 is kept because 7 -> 5 enters node 5, and stays kept when 7 -> 5 then turns round.
TEST(BronchiGraphLoad, WellFormedFilePrintsItsProgressAndLoadsScaledOrientedAndLinked) {
    const Loaded l("Bronchi centre-lines\nVoxelSize: 0.123456789 0.25 2\n"
                   "[Artnodes]\n0 0 10 20 30\n1 0 10 20 50\n\n2 0 5 30 70 3 0 15 30 70\n"
                   "[Edges]\n0 1 0 10 20 34 1 10 20 38\n2 1 0 6 27 66 1 8 23 58\n"
                   "1 3 0 14 27 66\n5 6\n7 5\n[Adjlist]\n0 1\n");
    EXPECT_EQ(l.out,
              pass("0.123457 // 0.25 // 2") + "done\n" + pass("0.123457 // 0.25 // 2") + "done\n");
    EXPECT_EQ(l.err, "0 // 1\n2 // 1\n1 // 3\n5 // 6\n7 // 5\n");
    const float a = 0.123456789f;
    EXPECT_EQ(l.nodes,
              (Points{{10 / a, 80, 15}, {10 / a, 80, 25}, {5 / a, 120, 35}, {15 / a, 120, 35}}));
    EXPECT_EQ(l.edges, (decltype(l.edges){{{0, 1}, {{10 / a, 80, 17}, {10 / a, 80, 19}}},
                                          {{1, 2}, {{8 / a, 92, 29}, {6 / a, 108, 33}}},
                                          {{1, 3}, {{14 / a, 108, 33}}},
                                          {{5, 6}, {}}, {{5, 7}, {}}}));
    // successors() counts what the array held before.
    std::vector<uint32_t> none;
    std::vector<uint32_t> next{9};
    EXPECT_TRUE(!l.graph->successors(3, none) && l.graph->successors(3, next) &&
                l.graph->successors(1, next) && next == std::vector<uint32_t>({9, 2, 3}));
    // No voxel line: nothing more.
    const std::string search = "find Voxel Size...find beginning Edges...";
    EXPECT_EQ(Loaded("[Edges]\n0 1\n").out, search + search);
}

// A carriage return that ends the file belongs to the line end, as one before a line feed does.
TEST(BronchiGraphLoad, ALoneCarriageReturnAtTheEndOfTheFileAddsNothing) {
    EXPECT_EQ(Loaded("VoxelSize: 1 1 1\n[Artnodes]\n0 0 1 2 3\r").nodes, (Points{{1, 2, 3}}));
}

// Trailing blanks, blanks and text repeat the last node; a failed coordinate keeps its value.
TEST(BronchiGraphLoad, LineEndsBlanksFailedReadsSectionEndsAndOverlongLinesFollowTheFileFormat) {
    const Loaded l("VoxelSize: 1 1 1\r\n[Edges]\r\n\r\n0 1 0 1 2 3 1 4 5 6\t\n1 2 0 7 8 9\r\n"
                   "\n3 4\n7 abc 0 1 1 1\n0 5 0 2 2 2 \n"
                   "[Artnodes]\n1 1 3 3 3  \n\n \nx\n0 0 4 y\n0 0 5 6 1e999\n");
    EXPECT_EQ(l.edges, (decltype(l.edges){{{0, 1}, {{1, 2, 3}, {4, 5, 6}, {4, 5, 6}}},
                                          {{1, 2}, {{7, 8, 9}}}, {{4, 3}, {}}, {{0, 7}, {}},
                                          {{5, 0}, {{2, 2, 2}, {2, 2, 2}}}}));
    EXPECT_EQ(l.nodes, (Points{{3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {4, 3, 3}, {5, 6, 3}}));
    // Sections ended otherwise print no "done".
    EXPECT_EQ(l.out, pass("1 // 1 // 1") + pass("1 // 1 // 1"));
    // A number glued to "VoxelSize:" is read with it; a line is cut after 3071 characters and
    // ends the pass.
    for (const char* end : {"0 0 0 1 1 1\n", "99999999999 2\n", "   \n", "[Artnodes]\n"}) {
        const Loaded ended("VoxelSize: 1 1 1\n[Edges]\n0 1\n" + std::string(end) + "2 3\n");
        EXPECT_EQ(ended.edges.size(), 1u) << end;
    }
    // Read as 4 and 8; z's voxel size stays 1.
    EXPECT_EQ(Loaded("VoxelSize:2 4 8\n[Artnodes]\n0 0 10 10 10\n").nodes,
              (Points{{2.5f, 1.25f, 10}}));
    for (const auto& [length, end] : {std::pair{3071, "\r\n"}, {3072, "\n"}, {3072, "\r\n"}}) {
        // The cut drops z's 1.
        const std::string line = "0 1 0 1 1 " + std::string(length - 11, '0') + "1" + end;
        const auto edges = Loaded("VoxelSize: 1 1 1\n[Edges]\n" + line + "2 3\n").edges;
        EXPECT_EQ(std::make_pair(edges.size(), edges[0].second.back()[2]),
                  (std::make_pair<std::size_t, float>(length == 3071 ? 2 : 1, length == 3071)))
            << length << end;
    }
}

using Nearest = std::tuple<bool, uint32_t, uint32_t, uint32_t, float>;

Nearest nearest(const Loaded& l, float x, float y, float z) {
    uint32_t from = 99, to = 99, k = 99;  // left untouched without an edge
    float d = -1;
    return {l.graph->nearestSegment(x, y, z, from, to, k, d), from, to, k,
            std::round(d * 1e4f) / 1e4f};
}

TEST(BronchiGraphNearest, FarEndRuleInclusiveTestsAndTiesPickTheDocumentedSegment) {
    const Loaded both("VoxelSize: 1 1 1\n[Artnodes]\n0 0 0 0 10\n0 0 0 0 20\n"
                      "[Edges]\n0 1 0 0 0 14\n1 0 0 0 0 14\n");
    // Edge 0 measures 5, to its far end.
    EXPECT_EQ(nearest(both, 0, 0, 9), Nearest(true, 1u, 0u, 1u, 1.0f));
    // Level with the point: 4 ties.
    EXPECT_EQ(nearest(both, 3, 0, 14), Nearest(true, 0u, 1u, 0u, 3.0f));
    // Down from node 1 (0,0,40) over a bend (15,0,20) to node 0 (0,0,0).
    const Loaded odd("VoxelSize: 1 1 1\n[Artnodes]\n0 0 0 0 0\n0 0 0 0 40\n"
                     "[Edges]\n1 0 0 15 0 20\n");
    EXPECT_EQ(nearest(odd, 0, 0, 20), Nearest(true, 1u, 0u, 0u, 12.0f));  // not 15 to the bend
    EXPECT_EQ(nearest(odd, 5, 0, 40), Nearest(true, 1u, 0u, 0u, 4.0f));   // level with node 1
    EXPECT_EQ(nearest(odd, 5, 0, 0), Nearest(true, 1u, 0u, 1u, 4.0f));    // level with node 0
    EXPECT_EQ(nearest(Loaded("VoxelSize: 1 1 1\n"), 1, 1, 1), Nearest(false, 99u, 99u, 99u, -1.0f));
}

}  // namespace
