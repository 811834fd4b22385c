// Airway graph: the loader on real files in temporary folders, its console output, orientation,
// and the nearest-centre-line query on hand-worked polylines.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>

#include "world/BronchiGraph.h"

namespace {

using Point = std::array<float, 3>;
using Points = std::vector<Point>;

struct Loaded {
    std::unique_ptr<BronchiGraph> graph;
    std::string out, err;
    Points nodes;
    std::vector<std::pair<std::array<uint32_t, 2>, Points>> edges;  // from, to and the points
    explicit Loaded(const std::string& text) {
        const std::string file = testing::TempDir() + "graph" + std::to_string(getpid()) + ".gra";
        std::ofstream(file, std::ios::binary) << text;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        graph = std::make_unique<BronchiGraph>(file.c_str());
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        std::remove(file.c_str());
        for (Point p; graph->nodePosition(uint32_t(nodes.size()), p.data());) nodes.push_back(p);
        for (uint32_t i = 0; i < graph->edgeCount(); ++i) {
            edges.push_back({{graph->edge(i)->from, graph->edge(i)->to}, {}});
            for (const auto& p : graph->edge(i)->points) edges.back().second.push_back({p->x, p->y, p->z});
        }
    }
};

const std::string voxelOne = "VoxelSize: 1 1 1\n";
// 5 -> 6 is kept because 7 -> 5 enters node 5, and stays kept when 7 -> 5 then turns round.
const std::string wellFormed =
    "Bronchi centre-lines\nVoxelSize: 0.123456789 0.25 2\n[Artnodes]\n0 0 10 20 30\n1 0 10 20 50\n"
    "\n2 0 5 30 70 3 0 15 30 70\n[Edges]\n0 1 0 10 20 34 1 10 20 38\n2 1 0 6 27 66 1 8 23 58\n"
    "1 3 0 14 27 66\n5 6\n7 5\n[Adjlist]\n0 1\n";

TEST(BronchiGraphLoad, WellFormedFilePrintsItsProgressAndLoadsScaledOrientedAndLinked) {
    const Loaded l(wellFormed);
    const std::string pass =
        "find Voxel Size...done\nVoxelSize: 0.123457 // 0.25 // 2\nfind beginning Edges...done\n";
    EXPECT_EQ(l.out, pass + "done\n" + pass + "done\n");
    EXPECT_EQ(l.err, "0 // 1\n2 // 1\n1 // 3\n5 // 6\n7 // 5\n");
    const float a = 0.123456789f;
    EXPECT_EQ(l.nodes, (Points{{10 / a, 80, 15}, {10 / a, 80, 25}, {5 / a, 120, 35}, {15 / a, 120, 35}}));
    EXPECT_EQ(l.edges, (decltype(l.edges){{{0, 1}, {{10 / a, 80, 17}, {10 / a, 80, 19}}},
                                              {{1, 2}, {{8 / a, 92, 29}, {6 / a, 108, 33}}},
                                              {{1, 3}, {{14 / a, 108, 33}}}, {{5, 6}, {}}, {{5, 7}, {}}}));
    std::vector<uint32_t> none, next{9};  // successors count what the array held before
    EXPECT_FALSE(l.graph->successors(3, none));
    EXPECT_TRUE(l.graph->successors(3, next) && l.graph->successors(1, next));
    EXPECT_EQ(next, (std::vector<uint32_t>{9, 2, 3}));
}

TEST(BronchiGraphLoad, LineEndsTrailingBlanksAndFailedReadsFollowTheFileFormat) {
    const Loaded l("VoxelSize: 1 1 1\r\n[Edges]\r\n\r\n0 1 0 1 2 3 1 4 5 6\t\n1 2 0 7 8 9\r\n\n3 4\n"
                   "7 abc 0 1 1 1\n0 5 0 2 2 2 \n[Artnodes]\n1 1 3 3 3  \n\n \nx\n0 0 4 y\n0 0 5 6 1e999\n");
    EXPECT_EQ(l.edges, (decltype(l.edges){{{0, 1}, {{1, 2, 3}, {4, 5, 6}, {4, 5, 6}}}, {{1, 2}, {{7, 8, 9}}},
                                              {{4, 3}, {}}, {{0, 7}, {}}, {{5, 0}, {{2, 2, 2}, {2, 2, 2}}}}));
    // Trailing blanks, blanks and text repeat the last node; a failed coordinate keeps its value.
    EXPECT_EQ(l.nodes, (Points{{3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {3, 3, 3}, {4, 3, 3}, {5, 6, 3}}));
}

TEST(BronchiGraphLoad, EdgeSectionEndsAtZeroIdsUnreadableIdsBlanksOrText) {
    for (const char* end : {"0 0 0 1 1 1\n", "99999999999 2\n", "   \n", "[Artnodes]\n"})
        EXPECT_EQ(Loaded(voxelOne + "[Edges]\n0 1\n" + end + "2 3\n").edges.size(), 1u) << end;
}

TEST(BronchiGraphLoad, ShortOrGluedVoxelLinesAndAnIncompleteFirstGroupLoadSafely) {
    // Missing voxel sizes stay 1, a glued number is part of the keyword, a first group is dropped.
    const std::pair<std::string, Point> cases[] = {
        {"VoxelSize: 2\n[Artnodes]\n0 0 10 10 10\n", {5, 10, 10}},
        {"VoxelSize:2 4 8\n[Artnodes]\n0 0 10 10 10\n", {2.5f, 1.25f, 10}},
        {voxelOne + "[Artnodes]\nnone\n0 0 1 2\n0 0 4 5 6\n", {4, 5, 6}}};
    for (const auto& [text, node] : cases) EXPECT_EQ(Loaded(text).nodes, Points{node}) << text;
}

TEST(BronchiGraphLoad, LineOf3072CharactersIsCutAndEndsThePass) {
    // z is padded with leading zeros to the line's length, so the cut drops its final 1.
    for (const std::size_t length : {3071, 3072}) {
        const std::string line = "0 1 0 1 1 " + std::string(length - 11, '0') + "1\r\n";
        const auto edges = Loaded(voxelOne + "[Edges]\n" + line + "2 3\n").edges;
        EXPECT_EQ(edges[0].second.back()[2], length == 3071 ? 1.0f : 0.0f) << length;
        EXPECT_EQ(edges.size(), length == 3071 ? 2u : 1u) << length;
    }
}

TEST(BronchiGraphGeometry, AxialMeasureIsTheLengthOfTheComponentwiseProduct) {
    const float a[3] = {0, 0, 0}, b[3] = {3, 4, 0}, p[3] = {1, -1, 7};  // u = (0.6, 0.8, 0)
    float sP, sA, sB;
    BronchiGraph::axialMeasure(p, a, b, sP, sA, sB);
    EXPECT_FLOAT_EQ(sP, 1.0f);  // |(0.6, -0.8, 0)|, where the dot product gives -0.2
}

std::tuple<bool, uint32_t, uint32_t, uint32_t, float> nearest(const Loaded& l, float x, float y, float z) {
    uint32_t from = 99, to = 99, k = 99;
    float d = -1;
    const bool found = l.graph->nearestSegment(x, y, z, from, to, k, d);
    return {found, from, to, k, std::round(d * 1e4f) / 1e4f};
}

TEST(BronchiGraphNearest, FarEndRuleInclusiveTestsAndTiesPickTheDocumentedSegment) {
    const Loaded both(voxelOne + "[Artnodes]\n0 0 0 0 10\n0 0 0 0 20\n[Edges]\n"
                                 "0 1 0 0 0 14\n1 0 0 0 0 14\n");
    EXPECT_EQ(nearest(both, 0, 0, 9), std::make_tuple(true, 1u, 0u, 1u, 1.0f));  // edge 0 measures 5, to its far end
    EXPECT_EQ(nearest(both, 3, 0, 14), std::make_tuple(true, 0u, 1u, 0u, 3.0f));
    EXPECT_EQ(nearest(both, 2, 0, 17), std::make_tuple(true, 0u, 1u, 1u, 2.0f));
    // Down from node 1 (0,0,40) over a bend (15,0,20) to node 0 (0,0,0); node 2 to itself is a point.
    const Loaded odd(voxelOne + "[Artnodes]\n0 0 0 0 0\n0 0 0 0 40\n0 0 5 5 5\n[Edges]\n"
                                "1 0 0 15 0 20\n2 2 0 5 5 5\n");
    EXPECT_EQ(nearest(odd, 0, 0, 20), std::make_tuple(true, 1u, 0u, 0u, 12.0f));  // not 15 to the bend
    EXPECT_EQ(nearest(odd, 5, 0, 40), std::make_tuple(true, 1u, 0u, 0u, 4.0f));  // level with node 1
    EXPECT_EQ(nearest(odd, 5, 0, 0), std::make_tuple(true, 1u, 0u, 1u, 4.0f));  // level with node 0
    EXPECT_EQ(nearest(odd, 0, 0, -5), std::make_tuple(true, 1u, 0u, 1u, 3.0f));  // measured as |z|
    EXPECT_EQ(nearest(odd, 5, 5, 8), std::make_tuple(true, 2u, 2u, 0u, 3.0f));
    EXPECT_EQ(nearest(Loaded(voxelOne), 1, 1, 1), std::make_tuple(false, 99u, 99u, 99u, -1.0f));
}

}  // namespace
