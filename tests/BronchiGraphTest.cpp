// Airway graph: the loader on real files, its console output and the orientation of the edges.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include "support/TextGraph.h"

using Points = std::vector<std::array<float, 3>>;
using Edges = std::vector<std::pair<std::array<uint32_t, 2>, Points>>;

// A file's graph with its nodes, and its edges as from, to and points.
struct Loaded : TextGraph {
    Points nodes;
    Edges edges;
    explicit Loaded(const std::string& text) : TextGraph(text) {
        std::array<float, 3> p;
        while (graph->nodePosition(uint32_t(nodes.size()), p.data()))
            nodes.push_back(p);
        for (uint32_t i = 0; const BronchiEdge* e = graph->edge(i); ++i) {
            edges.push_back({{e->from, e->to}, {}});
            for (const auto& q : e->points) edges.back().second.push_back({q->x, q->y, q->z});
        }
    }
};

// What either loading pass prints up to its section.
static std::string pass(const std::string& voxel) {
    return "find Voxel Size...done\nVoxelSize: " + voxel + "\nfind beginning Edges...done\n";
}

// 5 -> 6 is kept because 7 -> 5 enters node 5, and stays kept when 7 -> 5 then turns round.
TEST(BronchiGraphLoad, WellFormedFilePrintsItsProgressAndLoadsScaledAndOriented) {
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
    EXPECT_EQ(l.edges, (Edges{{{0, 1}, {{10 / a, 80, 17}, {10 / a, 80, 19}}},
                              {{1, 2}, {{8 / a, 92, 29}, {6 / a, 108, 33}}},
                              {{1, 3}, {{14 / a, 108, 33}}}, {{5, 6}, {}}, {{5, 7}, {}}}));
    // No voxel line: nothing more.
    const std::string search = "find Voxel Size...find beginning Edges...";
    EXPECT_EQ(Loaded("[Edges]\n0 1\n").out, search + search);
}

// Trailing blanks, blanks and text repeat the last node; a failed coordinate keeps its value.
TEST(BronchiGraphLoad, LineEndsBlanksFailedReadsSectionEndsAndOverlongLinesFollowTheFileFormat) {
    const Loaded l("VoxelSize: 1 1 1\r\n[Edges]\r\n\r\n0 1 0 1 2 3 1 4 5 6\t\n1 2 0 7 8 9\r\n"
                   "\n3 4\n7 abc 0 1 1 1\n0 5 0 2 2 2 \n"
                   "[Artnodes]\n1 1 3 3 3  \n\n \nx\n0 0 4 y\n0 0 5 6 1e999\n");
    EXPECT_EQ(l.edges, (Edges{{{0, 1}, {{1, 2, 3}, {4, 5, 6}, {4, 5, 6}}}, {{1, 2}, {{7, 8, 9}}},
                              {{4, 3}, {}}, {{0, 7}, {}}, {{5, 0}, {{2, 2, 2}, {2, 2, 2}}}}));
    EXPECT_EQ(l.nodes, (Points{{3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {4, 3, 3}, {5, 6, 3}}));
    // Sections ended otherwise print no "done".
    EXPECT_EQ(l.out, pass("1 // 1 // 1") + pass("1 // 1 // 1"));
    // A line of 0 0, of an id too big to read, of blanks or of text ends the edge section.
    for (const char* end : {"0 0 0 1 1 1\n", "99999999999 2\n", "   \n", "[Artnodes]\n"}) {
        const Loaded ended("VoxelSize: 1 1 1\n[Edges]\n0 1\n" + std::string(end) + "2 3\n");
        EXPECT_EQ(ended.edges.size(), 1u) << end;
    }
    // A number glued to "VoxelSize:" is read with it: 4 and 8; z's voxel size stays 1.
    EXPECT_EQ(Loaded("VoxelSize:2 4 8\n[Artnodes]\n0 0 10 10 10\n").nodes,
              (Points{{2.5f, 1.25f, 10}}));
    // A line is cut after 3071 characters, dropping z's 1 here, and ends the pass.
    for (const auto& [length, end] : {std::pair{3071, "\r\n"}, {3072, "\n"}, {3072, "\r\n"}}) {
        const std::string line = "0 1 0 1 1 " + std::string(length - 11, '0') + "1" + end;
        const auto edges = Loaded("VoxelSize: 1 1 1\n[Edges]\n" + line + "2 3\n").edges;
        EXPECT_EQ(std::make_pair(edges.size(), edges[0].second.back()[2]),
                  (std::make_pair<std::size_t, float>(length == 3071 ? 2 : 1, length == 3071)))
            << length << end;
    }
}

// A carriage return that ends the file belongs to the line end, as one before a line feed does.
TEST(BronchiGraphLoad, ALoneCarriageReturnAtTheEndOfTheFileAddsNothing) {
    EXPECT_EQ(Loaded("VoxelSize: 1 1 1\n[Artnodes]\n0 0 1 2 3\r").nodes, (Points{{1, 2, 3}}));
}

// Graph 1: edges 0 -> 1 and 1 -> 0 along z, each over a point at z 14. Graph 2: down from node 1
// (0,0,40) over a bend (15,0,20) to node 0 (0,0,0). Expected: from, to, segment, distance.
TEST(BronchiGraphNearest, FarEndRuleInclusiveStretchesAndTiesPickTheDocumentedSegment) {
    const TextGraph both("VoxelSize: 1 1 1\n[Artnodes]\n0 0 0 0 10\n0 0 0 0 20\n"
                         "[Edges]\n0 1 0 0 0 14\n1 0 0 0 0 14\n");
    const TextGraph bend("VoxelSize: 1 1 1\n[Artnodes]\n0 0 0 0 0\n0 0 0 0 40\n"
                         "[Edges]\n1 0 0 15 0 20\n");
    const TextGraph none("VoxelSize: 1 1 1\n");
    const std::tuple<const TextGraph*, std::array<float, 3>, std::array<float, 4>> cases[] = {
        {&both, {0, 0, 9}, {1, 0, 1, 1}},     // edge 0 measures 5, to its far end
        {&both, {3, 0, 14}, {0, 1, 0, 3}},    // level with the point: four ties
        {&both, {3, 0, 10}, {0, 1, 0, 3}},    // level with node 0: both edges reach it
        {&bend, {0, 0, 20}, {1, 0, 0, 12}},   // not 15 to the bend
        {&bend, {5, 0, 40}, {1, 0, 0, 4}},    // level with node 1
        {&bend, {5, 0, 0}, {1, 0, 1, 4}},     // level with node 0
        {&none, {1, 1, 1}, {99, 99, 99, -1}},  // nothing found, nothing touched
    };
    for (const auto& [graph, p, expected] : cases) {
        uint32_t from = 99, to = 99, k = 99;
        float d = -1;
        const bool found = (**graph).nearestSegment(p[0], p[1], p[2], from, to, k, d);
        EXPECT_EQ(found, expected[3] >= 0) << p[0] << " " << p[1] << " " << p[2];
        const float rounded = std::round(d * 1e4f) / 1e4f;
        EXPECT_EQ((std::array<float, 4>{float(from), float(to), float(k), rounded}), expected) << p[0] << " " << p[1] << " " << p[2];
    }
}
