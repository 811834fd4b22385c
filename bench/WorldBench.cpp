// Cost of the per-frame wall query: nearestSegment over a graph of the game's shape (three edges,
// 70, 62 and 101 centre-line points, 236 segments) and insideAirway over a synthetic wall table
// grouped like the real one.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../tests/support/RealGraph.h"
#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

namespace {

struct Vec {
    float x, y, z;
};

Vec lerp(Vec a, Vec b, float t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

// Trachea from node 0 down to the fork at node 1, two main bronchi to nodes 2 and 3, in the
// coordinate ranges of the real mesh.
const Vec nodePositions[4] = {{275, 330, 483}, {275, 330, 380}, {215, 325, 300}, {335, 340, 285}};
const int edgeEnds[3][2] = {{0, 1}, {1, 2}, {1, 3}};
const int edgePoints[3] = {70, 62, 101};
const uint32_t segmentBase[4] = {0, 1, 72, 135};
constexpr float radius = 14.0f;

// The centre-line polyline of edge e, nodes included, with a gentle bend.
std::vector<Vec> polyline(int e) {
    std::vector<Vec> line;
    const Vec a = nodePositions[edgeEnds[e][0]];
    const Vec b = nodePositions[edgeEnds[e][1]];
    const int n = edgePoints[e];
    for (int i = 0; i <= n + 1; ++i) {
        const float t = float(i) / float(n + 1);
        Vec p = lerp(a, b, t);
        p.x += 4.0f * std::sin(3.0f * t);
        line.push_back(p);
    }
    return line;
}

std::unique_ptr<BronchiGraph> loadGraph() {
    std::ostringstream text;
    text << "VoxelSize: 1 1 1\n[Artnodes]\n";
    for (const Vec& n : nodePositions) {
        text << "0 0 " << n.x << ' ' << n.y << ' ' << n.z << '\n';
    }
    text << "[Edges]\n";
    for (int e = 0; e < 3; ++e) {
        const std::vector<Vec> line = polyline(e);
        text << edgeEnds[e][0] << ' ' << edgeEnds[e][1];
        for (std::size_t i = 1; i + 1 < line.size(); ++i) {
            text << " 0 " << line[i].x << ' ' << line[i].y << ' ' << line[i].z;
        }
        text << '\n';
    }
    text << "[Adjlist]\n";
    const auto path = std::filesystem::temp_directory_path() /
                      ("oncoraider-worldbench-" + std::to_string(getpid()) + ".gra");
    std::ofstream(path) << text.str();
    auto graph = loadGraphQuietly(path.c_str());
    std::filesystem::remove(path);
    return graph;
}

// Rings of first vertices around every centre-line segment, normals pointing out; about 92
// triangles a group like the real table, one group of 491, 12 ungrouped at the end.
struct SyntheticWall {
    std::vector<WallTriangle> triangles;
    std::vector<uint32_t> start{0};

    SyntheticWall() {
        std::vector<std::pair<Vec, Vec>> segments(237);
        for (int e = 0; e < 3; ++e) {
            const std::vector<Vec> line = polyline(e);
            for (std::size_t k = 0; k + 1 < line.size(); ++k) {
                segments[segmentBase[edgeEnds[e][1]] + k] = {line[k], line[k + 1]};
            }
        }
        for (uint32_t s = 0; s < 237; ++s) {
            start.push_back(static_cast<uint32_t>(triangles.size()));
            const int count = s == 0 ? 0 : s == 120 ? 491 : 90;
            for (int i = 0; i < count; ++i) {
                addTriangle(segments[s].first, segments[s].second, i, count);
            }
        }
        start.push_back(static_cast<uint32_t>(triangles.size()));
        for (int i = 0; i < 12; ++i) {
            addTriangle(nodePositions[3], nodePositions[3], i, 12);
        }
    }

    void addTriangle(Vec a, Vec b, int i, int count) {
        const float angle = 6.2831853f * float(i % 16) / 16.0f;
        const Vec centre = lerp(a, b, (float(i / 16) + 0.5f) / float((count + 15) / 16));
        const float nx = std::cos(angle), ny = std::sin(angle);
        WallTriangle t{};
        t.vertex[0] = {centre.x + radius * nx, centre.y + radius * ny, centre.z, nx, ny, 0.0f};
        triangles.push_back(t);
    }

    WallTable view() const {
        return {triangles.data(), static_cast<uint32_t>(triangles.size()), segmentBase, 4,
                start.data(), static_cast<uint32_t>(start.size())};
    }
};

// Positions inside the airway, spread over all three edges.
std::vector<Vec> samplePositions() {
    std::mt19937 random(21822);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<Vec> positions;
    for (int i = 0; i < 1024; ++i) {
        const std::vector<Vec> line = polyline(i % 3);
        const float t = unit(random);
        Vec p = lerp(line.front(), line.back(), t);
        p.x += (unit(random) - 0.5f) * radius;
        p.y += (unit(random) - 0.5f) * radius;
        positions.push_back(p);
    }
    return positions;
}

void nearestSegmentCall(benchmark::State& state) {
    const auto graph = loadGraph();
    const std::vector<Vec> positions = samplePositions();
    std::size_t i = 0;
    for (auto _ : state) {
        const Vec& p = positions[i++ & 1023];
        uint32_t from, to, segment;
        float distance;
        benchmark::DoNotOptimize(graph->nearestSegment(p.x, p.y, p.z, from, to, segment, distance));
        benchmark::DoNotOptimize(segment);
    }
}
BENCHMARK(nearestSegmentCall);

void insideAirwayCall(benchmark::State& state) {
    const auto graph = loadGraph();
    const SyntheticWall wall;
    const WallTable table = wall.view();
    const std::vector<Vec> positions = samplePositions();
    std::size_t i = 0;
    for (auto _ : state) {
        const Vec& p = positions[i++ & 1023];
        benchmark::DoNotOptimize(insideAirway(*graph, table, Vektor3D(p.x, p.y, p.z)));
    }
}
BENCHMARK(insideAirwayCall);

// The group search alone, over the largest group the real table has.
void insideNearestWallLargestGroup(benchmark::State& state) {
    const SyntheticWall wall;
    const WallTable table = wall.view();
    const uint32_t first = wall.start[120];
    const uint32_t last = wall.start[121];
    const WallVertex& v = wall.triangles[first].vertex[0];
    const Vec p{v.x - 3.0f, v.y, v.z};
    for (auto _ : state) {
        benchmark::DoNotOptimize(insideNearestWall(table, p.x, p.y, p.z, first, last));
    }
}
BENCHMARK(insideNearestWallLargestGroup);

}  // namespace
