// Airway graph: the loader on real files in temporary folders, its console output, orientation,
// and the centre-line geometry against formulas written out here.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "world/BronchiGraph.h"

namespace {

using Point = std::array<float, 3>;

// A graph file in a temporary folder of its own, loaded with the console output captured.
struct LoadedGraph {
    std::unique_ptr<BronchiGraph> graph;
    std::string out;
    std::string err;
};

LoadedGraph load(const std::string& text) {
    std::string pattern = testing::TempDir() + "bronchiXXXXXX";
    const std::filesystem::path folder = mkdtemp(pattern.data());
    const std::string path = (folder / "Bronchi.gra").string();
    std::ofstream(path, std::ios::binary) << text;
    LoadedGraph loaded;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    loaded.graph = std::make_unique<BronchiGraph>(path.c_str());
    loaded.out = testing::internal::GetCapturedStdout();
    loaded.err = testing::internal::GetCapturedStderr();
    std::filesystem::remove_all(folder);
    return loaded;
}

const std::string voxelOne = "VoxelSize: 1 1 1\n";

std::vector<Point> pointsOf(const BronchiGraph& graph, uint32_t edge) {
    std::vector<Point> points;
    for (const auto& p : graph.edge(edge)->points) {
        points.push_back({p->x, p->y, p->z});
    }
    return points;
}

std::vector<Point> nodesOf(const BronchiGraph& graph) {
    std::vector<Point> nodes;
    Point p;
    while (graph.nodePosition(static_cast<uint32_t>(nodes.size()), p.data())) {
        nodes.push_back(p);
    }
    return nodes;
}

std::vector<std::array<uint32_t, 2>> edgesOf(const BronchiGraph& graph) {
    std::vector<std::array<uint32_t, 2>> edges;
    for (uint32_t i = 0; i < graph.edgeCount(); ++i) {
        edges.push_back({graph.edge(i)->from, graph.edge(i)->to});
    }
    return edges;
}

const std::string wellFormed =
    "Bronchi centre-lines\n"
    "VoxelSize: 0.123456789 0.25 2\n"
    "[Artnodes]\n"
    "0 0 10 20 30\n"
    "1 0 10 20 50\n"
    "\n"
    "2 0 5 30 70 3 0 15 30 70\n"
    "[Edges]\n"
    "0 1 0 10 20 34 1 10 20 38\n"
    "2 1 0 6 27 66 1 8 23 58\n"
    "1 3 0 14 27 66\n"
    "[Adjlist]\n"
    "0 1\n";

TEST(BronchiGraphLoad, WellFormedFilePrintsProgressAndOneLogLinePerEdgeAsWritten) {
    const LoadedGraph loaded = load(wellFormed);
    const std::string pass =
        "find Voxel Size...done\nVoxelSize: 0.123457 // 0.25 // 2\nfind beginning Edges...done\n";
    EXPECT_EQ(loaded.out, pass + "done\n" + pass + "done\n");
    EXPECT_EQ(loaded.err, "0 // 1\n2 // 1\n1 // 3\n");
}

TEST(BronchiGraphLoad, WellFormedFileGivesScaledNodesAndOrientedEdges) {
    const LoadedGraph loaded = load(wellFormed);
    const BronchiGraph& graph = *loaded.graph;
    const float a = 0.123456789f;
    EXPECT_EQ(nodesOf(graph), (std::vector<Point>{{10 / a, 80, 15}, {10 / a, 80, 25},
                                                  {5 / a, 120, 35}, {15 / a, 120, 35}}));
    // 2 -> 1 is entered by no edge at 2, so it turns round with its points.
    EXPECT_EQ(edgesOf(graph), (std::vector<std::array<uint32_t, 2>>{{0, 1}, {1, 2}, {1, 3}}));
    EXPECT_EQ(pointsOf(graph, 1), (std::vector<Point>{{8 / a, 92, 29}, {6 / a, 108, 33}}));
    std::vector<uint32_t> next;
    EXPECT_TRUE(graph.successors(1, next));
    EXPECT_EQ(next, (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(graph.edge(3), nullptr);
}

TEST(BronchiGraphLoad, MissingFileReportsOncePerPassAndLeavesTheGraphEmpty) {
    LoadedGraph loaded;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    loaded.graph = std::make_unique<BronchiGraph>("/nonexistent-folder/Bronchi.gra");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error opening file\nError opening file\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(loaded.graph->edgeCount(), 0u);
    EXPECT_TRUE(nodesOf(*loaded.graph).empty());
}

TEST(BronchiGraphLoad, WithoutVoxelSizeLineNothingIsStored) {
    const LoadedGraph loaded = load("[Artnodes]\n0 0 1 1 1\n[Edges]\n0 1\n");
    EXPECT_EQ(loaded.out,
              "find Voxel Size...find beginning Edges...find Voxel Size...find beginning Edges...");
    EXPECT_EQ(loaded.graph->edgeCount(), 0u);
    EXPECT_TRUE(nodesOf(*loaded.graph).empty());
}

TEST(BronchiGraphLoad, OrientationIsOnePassAndNeverTurnsTheFirstEdge) {
    // 7 -> 5 turns round after 5 -> 6 was kept for it; 5 -> 6 is not looked at again.
    const LoadedGraph single = load(voxelOne + "[Edges]\n1 0\n5 6\n7 5\n");
    EXPECT_EQ(edgesOf(*single.graph),
              (std::vector<std::array<uint32_t, 2>>{{1, 0}, {5, 6}, {5, 7}}));
}

TEST(BronchiGraphLoad, LineEndsAndTrailingBlanksFollowTheFileFormat) {
    const LoadedGraph loaded = load(
        "VoxelSize: 1 1 1\r\n[Edges]\r\n\r\n"
        "0 1 0 1 2 3 1 4 5 6\t\n"       // trailing tab: one more point, a copy of the last
        "1 2 0 7 8 9\r\n"               // CR LF adds nothing
        "\n"                             // empty lines are skipped
        "3 4\n"                          // no points
        "7 abc 0 1 1 1\n"                // 7 -> 0, the rest unread
        "0 5 0 2 2 2 \n"                 // 0 then 5 is an edge
        "   \n"                          // a line of blanks ends the section, silently
        "6 6\n"
        "[Adjlist]\n"
        "[Artnodes]\n1 1 3 3 3  \n\n \nx\n");  // node section after the edges, no [Edges] after
    const BronchiGraph& graph = *loaded.graph;
    EXPECT_EQ(loaded.err, "0 // 1\n1 // 2\n3 // 4\n7 // 0\n0 // 5\n");
    // Neither section ends at its closing header.
    const std::string pass =
        "find Voxel Size...done\nVoxelSize: 1 // 1 // 1\nfind beginning Edges...done\n";
    EXPECT_EQ(loaded.out, pass + pass);
    ASSERT_EQ(graph.edgeCount(), 5u);
    EXPECT_EQ(pointsOf(graph, 0), (std::vector<Point>{{1, 2, 3}, {4, 5, 6}, {4, 5, 6}}));
    EXPECT_EQ(pointsOf(graph, 1), (std::vector<Point>{{7, 8, 9}}));
    EXPECT_TRUE(pointsOf(graph, 2).empty());
    EXPECT_TRUE(pointsOf(graph, 3).empty());
    EXPECT_EQ(pointsOf(graph, 4), (std::vector<Point>{{2, 2, 2}, {2, 2, 2}}));
    // Trailing blanks, a line of blanks and a line of text each add a copy of the last node.
    EXPECT_EQ(nodesOf(graph), (std::vector<Point>(4, Point{3, 3, 3})));
}

TEST(BronchiGraphLoad, ZeroIdsEndTheEdgeSectionAndAnUnreadableIdIsZero) {
    const LoadedGraph zeros = load(voxelOne + "[Edges]\n0 1\n0 0 0 1 1 1\n2 3\n");
    EXPECT_EQ(edgesOf(*zeros.graph), (std::vector<std::array<uint32_t, 2>>{{0, 1}}));
    const LoadedGraph overflow = load(voxelOne + "[Edges]\n0 1\n99999999999 2\n2 3\n");
    EXPECT_EQ(edgesOf(*overflow.graph), (std::vector<std::array<uint32_t, 2>>{{0, 1}}));
}

TEST(BronchiGraphLoad, FailedReadsKeepTheLastValueOfEachCoordinate) {
    const LoadedGraph loaded =
        load(voxelOne + "[Artnodes]\n0 0 1 2 3\n0 0 4 y\n0 0 5 6 1e999\n");
    EXPECT_EQ(nodesOf(*loaded.graph), (std::vector<Point>{{1, 2, 3}, {4, 2, 3}, {5, 6, 3}}));
}

TEST(BronchiGraphLoad, VoxelSizeDividesEachAxis) {
    const LoadedGraph loaded =
        load("VoxelSize:  0.5\t0.5 2\n[Artnodes]\n0 0 10 10 10\n[Edges]\n0 1 0 10 10 10\n");
    EXPECT_EQ(nodesOf(*loaded.graph), (std::vector<Point>{{20, 20, 5}}));
    EXPECT_EQ(pointsOf(*loaded.graph, 0), (std::vector<Point>{{20, 20, 5}}));
}

// Cases the file format leaves open: they load to something defined.
TEST(BronchiGraphLoad, ShortOrGluedVoxelLineLeavesMissingComponentsUnscaled) {
    const LoadedGraph shortLine = load("VoxelSize: 2\n[Artnodes]\n0 0 10 10 10\n");
    EXPECT_NE(shortLine.out.find("VoxelSize: 2 // 1 // 1\n"), std::string::npos);
    EXPECT_EQ(nodesOf(*shortLine.graph), (std::vector<Point>{{5, 10, 10}}));
    // The glued number belongs to the keyword token, so the others move up one place.
    const LoadedGraph glued = load("VoxelSize:2 4 8\n[Artnodes]\n0 0 10 10 10\n");
    EXPECT_EQ(nodesOf(*glued.graph), (std::vector<Point>{{2.5f, 1.25f, 10}}));
}

TEST(BronchiGraphLoad, FailedGroupBeforeAnyWholeGroupIsDropped) {
    const LoadedGraph loaded =
        load(voxelOne + "[Artnodes]\nnone\n0 0 1 2\n0 0 4 5 6\n[Edges]\n0 1 \n1 2 0 3\n");
    EXPECT_EQ(nodesOf(*loaded.graph), (std::vector<Point>{{4, 5, 6}}));
    EXPECT_TRUE(pointsOf(*loaded.graph, 0).empty());
    EXPECT_TRUE(pointsOf(*loaded.graph, 1).empty());
}

TEST(BronchiGraphLoad, LinesLongerThan3071CharactersAreCutAndEndThePass) {
    // "0 1 0 1 1 " then a 1 written with leading zeros, to the given length.
    const auto edgeLine = [](std::size_t length) {
        std::string line = "0 1 0 1 1 ";
        return line + std::string(length - line.size() - 1, '0') + "1";
    };
    const auto lastZ = [&](const std::string& line) {
        const LoadedGraph loaded = load(voxelOne + "[Edges]\n" + line + "\n2 3\n");
        const bool readOn = loaded.graph->edgeCount() == 2;
        return std::make_pair(pointsOf(*loaded.graph, 0).back()[2], readOn);
    };
    EXPECT_EQ(lastZ(edgeLine(3071)), std::make_pair(1.0f, true));
    EXPECT_EQ(lastZ(edgeLine(3071) + "\r"), std::make_pair(1.0f, true));
    EXPECT_EQ(lastZ(edgeLine(3072)), std::make_pair(0.0f, false));
    EXPECT_EQ(lastZ(edgeLine(4000)), std::make_pair(0.0f, false));
}

TEST(BronchiGraphQuery, SuccessorsAndNodePositionReportWhatTheyFound) {
    const LoadedGraph loaded = load(voxelOne + "[Artnodes]\n0 0 1 2 3\n[Edges]\n0 1\n1 1\n");
    const BronchiGraph& graph = *loaded.graph;
    std::vector<uint32_t> next;
    EXPECT_FALSE(graph.successors(2, next));
    EXPECT_TRUE(next.empty());
    next = {9};
    EXPECT_TRUE(graph.successors(2, next));  // counts what the array held before
    EXPECT_TRUE(graph.successors(1, next));  // an edge from a node to itself
    EXPECT_EQ(next, (std::vector<uint32_t>{9, 1}));
    float position[3] = {7, 7, 7};
    EXPECT_FALSE(graph.nodePosition(1, position));
    EXPECT_EQ(Point({position[0], position[1], position[2]}), (Point{7, 7, 7}));
}

// ---- Centre-line geometry ----

float length3(float x, float y, float z) {
    return std::sqrt((x * x + y * y) + z * z);
}

TEST(BronchiGraphGeometry, AxialMeasureIsTheLengthOfTheComponentwiseProduct) {
    const float a[3] = {0, 0, 0};
    const float b[3] = {3, 4, 0};  // u = (0.6, 0.8, 0)
    const float p[3] = {1, -1, 7};
    float sP, sA, sB;
    BronchiGraph::axialMeasure(p, a, b, sP, sA, sB);
    EXPECT_FLOAT_EQ(sP, 1.0f);  // the dot product would be -0.2
    EXPECT_FLOAT_EQ(sA, 0.0f);
    EXPECT_FLOAT_EQ(sB, length3(0.6f * 3, 0.8f * 4, 0));
    BronchiGraph::axialMeasure(p, b, b, sP, sA, sB);  // coinciding nodes measure nothing
    EXPECT_EQ((Point{sP, sA, sB}), (Point{0, 0, 0}));
}

TEST(BronchiGraphGeometry, LineDistanceIsMeasuredToTheInfiniteLine) {
    const float q[3] = {1, 1, 1};
    const float r[3] = {1, 1, 3};
    const float beyond[3] = {4, 5, 20};  // far past r, still 5 from the line
    EXPECT_FLOAT_EQ(BronchiGraph::lineDistance(beyond, q, r), 5.0f);
    EXPECT_FLOAT_EQ(BronchiGraph::lineDistance(beyond, q, q), length3(3, 4, 19));
}

TEST(BronchiGraphGeometry, SegmentTestsAreInclusiveAndFollowTheEdgeDirection) {
    const std::string nodes = "[Artnodes]\n0 0 0 0 10\n0 0 0 0 20\n[Edges]\n";
    const LoadedGraph up = load(voxelOne + nodes + "0 1 0 0 0 14\n");
    const LoadedGraph down = load(voxelOne + nodes + "1 0 0 0 0 14\n");
    const BronchiEdge& upEdge = *up.graph->edge(0);
    const BronchiEdge& downEdge = *down.graph->edge(0);
    const GraphPoint& mark = *upEdge.points[0];
    for (float z : {9.0f, 10.0f, 12.0f, 14.0f, 16.0f, 20.0f, 21.0f}) {
        const float p[3] = {3, -2, z};
        SCOPED_TRACE(z);
        EXPECT_EQ(up.graph->notBeforeStart(p, upEdge), z >= 10);
        EXPECT_EQ(up.graph->notBeforePoint(p, mark, upEdge), z >= 14);
        EXPECT_EQ(up.graph->notAfterPoint(p, mark, upEdge), z <= 14);
        EXPECT_EQ(up.graph->notAfterEnd(p, upEdge), z <= 20);
        EXPECT_EQ(down.graph->notBeforeStart(p, downEdge), z <= 20);
        EXPECT_EQ(down.graph->notBeforePoint(p, mark, downEdge), z <= 14);
        EXPECT_EQ(down.graph->notAfterPoint(p, mark, downEdge), z >= 14);
        EXPECT_EQ(down.graph->notAfterEnd(p, downEdge), z >= 10);
    }
}

struct Nearest {
    bool found;
    uint32_t from, to, segment;
    float distance;
    bool operator==(const Nearest& o) const {
        return found == o.found && from == o.from && to == o.to && segment == o.segment &&
               distance == o.distance;
    }
};

Nearest nearest(const BronchiGraph& graph, float x, float y, float z) {
    Nearest n{false, 99, 99, 99, -1.0f};
    n.found = graph.nearestSegment(x, y, z, n.from, n.to, n.segment, n.distance);
    return n;
}

TEST(BronchiGraphNearest, FarEndRuleAndTiesPickTheDocumentedSegment) {
    // Polyline (0,0,10) (0,0,14) (0,0,20); below its start segment 0 is measured to its far
    // end (0,0,14), not to the node 1 away.
    const std::string nodes = voxelOne + "[Artnodes]\n0 0 0 0 10\n0 0 0 0 20\n[Edges]\n";
    const LoadedGraph single = load(nodes + "0 1 0 0 0 14\n");
    EXPECT_EQ(nearest(*single.graph, 0, 0, 9), (Nearest{true, 0, 1, 0, 5.0f}));
    // The same polyline again, the other way round: its last segment ends at node 0.
    const LoadedGraph both = load(nodes + "0 1 0 0 0 14\n1 0 0 0 0 14\n");
    const BronchiGraph& graph = *both.graph;
    EXPECT_EQ(nearest(graph, 0, 0, 9), (Nearest{true, 1, 0, 1, 1.0f}));
    // Level with the middle point all four segments measure the line: the earlier edge and
    // the lower k win.
    EXPECT_EQ(nearest(graph, 3, 0, 14), (Nearest{true, 0, 1, 0, 3.0f}));
    EXPECT_EQ(nearest(graph, 2, 0, 17), (Nearest{true, 0, 1, 1, 2.0f}));
    const LoadedGraph empty = load(voxelOne);
    EXPECT_EQ(nearest(*empty.graph, 1, 2, 3), (Nearest{false, 99, 99, 99, -1.0f}));
}

TEST(BronchiGraphNearest, EdgesWithMissingNodesArePassedOverAndZeroLengthsAreDefined) {
    const LoadedGraph loaded = load(voxelOne +
                                    "[Artnodes]\n0 0 0 0 0\n0 0 0 0 10\n0 0 5 5 5\n[Edges]\n"
                                    "0 1\n0 9 0 0 0 1\n2 2 0 5 5 5\n");
    // The edge naming node 9 is skipped; the edge from node 2 to itself through its own
    // position is a point: both its segments measure the distance to (5,5,5).
    EXPECT_EQ(nearest(*loaded.graph, 5, 5, 8), (Nearest{true, 2, 2, 0, 3.0f}));
    EXPECT_EQ(nearest(*loaded.graph, 0, 1, 1), (Nearest{true, 0, 1, 0, 1.0f}));
    const LoadedGraph onlyMissing = load(voxelOne + "[Edges]\n0 1 0 1 1 1\n");
    EXPECT_FALSE(nearest(*onlyMissing.graph, 1, 1, 1).found);
}

// The query as the algorithm states it, one segment test at a time; the graph forms each edge's
// axis once, which must not change a single bit.
Nearest referenceNearest(const BronchiGraph& graph, const float p[3]) {
    Nearest best{false, 0, 0, 0, 0.0f};
    for (uint32_t i = 0; i < graph.edgeCount(); ++i) {
        const BronchiEdge& e = *graph.edge(i);
        std::vector<std::array<float, 3>> v(1);
        graph.nodePosition(e.from, v[0].data());
        for (const auto& point : e.points) {
            v.push_back({point->x, point->y, point->z});
        }
        v.emplace_back();
        graph.nodePosition(e.to, v.back().data());
        const std::size_t n = e.points.size();
        for (std::size_t k = 0; k <= n; ++k) {
            const bool startOK = k == 0 ? graph.notBeforeStart(p, e)
                                        : graph.notBeforePoint(p, *e.points[k - 1], e);
            const bool endOK =
                k < n ? graph.notAfterPoint(p, *e.points[k], e) : graph.notAfterEnd(p, e);
            const float* r = v[k + 1].data();
            const float d = startOK && endOK ? BronchiGraph::lineDistance(p, v[k].data(), r)
                                             : length3(p[0] - r[0], p[1] - r[1], p[2] - r[2]);
            if (!best.found || d < best.distance) {
                best = {true, e.from, e.to, static_cast<uint32_t>(k), d};
            }
        }
    }
    return best;
}

TEST(BronchiGraphNearest, MatchesTheStepByStepAlgorithmOnABranchingTree) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> jitter(-3.0f, 3.0f);
    std::string file = "VoxelSize: 0.5 0.5 2\n[Artnodes]\n0 0 60 60 400\n1 0 60 62 240\n"
                       "2 0 20 70 160\n3 0 100 50 100\n[Edges]\n";
    const auto edgeLine = [&](int from, int to, Point a, Point b, int count) {
        file += std::to_string(from) + " " + std::to_string(to);
        for (int i = 1; i <= count; ++i) {
            const float t = float(i) / float(count + 1);
            file += " 0";
            for (int c = 0; c < 3; ++c) {
                file += " " + std::to_string(a[c] + (b[c] - a[c]) * t + jitter(random));
            }
        }
        file += "\n";
    };
    edgeLine(0, 1, {60, 60, 400}, {60, 62, 240}, 20);
    edgeLine(2, 1, {20, 70, 160}, {60, 62, 240}, 15);  // written against the tree's direction
    edgeLine(1, 3, {60, 62, 240}, {100, 50, 100}, 25);
    const LoadedGraph loaded = load(file);
    ASSERT_EQ(loaded.graph->edgeCount(), 3u);
    std::uniform_real_distribution<float> xy(0, 250), z(20, 220);
    for (int i = 0; i < 2000; ++i) {
        const float p[3] = {xy(random), xy(random), z(random)};
        ASSERT_EQ(nearest(*loaded.graph, p[0], p[1], p[2]), referenceNearest(*loaded.graph, p))
            << p[0] << " " << p[1] << " " << p[2];
    }
}

}  // namespace
