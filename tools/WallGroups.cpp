// Vertex 0 choice, grouping and ordering of the wall triangles.
#include "WallGroups.h"

#include <algorithm>
#include <utility>

#include "world/BronchiGraph.h"

namespace {

constexpr uint32_t groupedTriangles = 21810;
constexpr uint32_t wallSegments = wallSegmentStartCount - 1;  // 0 .. 236
constexpr uint32_t segmentBaseValues[wallSegmentBaseCount] = {0, 1, 72, 135};

// Kuhn's augmenting paths: gives every vertex a triangle of its own to be vertex 0 of, so that
// every wall vertex takes part in the wall test.
class VertexMatching {
public:
    VertexMatching(const std::vector<std::vector<int>>& vertexTriangles, size_t triangleCount)
        : around(vertexTriangles),
          triangleOwner(triangleCount, -1),
          seen(triangleCount, 0) {}

    void run() {
        for (size_t v = 0; v < around.size(); ++v) {
            for (int t : around[v]) {
                if (triangleOwner[static_cast<size_t>(t)] < 0) {
                    triangleOwner[static_cast<size_t>(t)] = static_cast<int>(v);
                    break;
                }
            }
        }
        std::vector<char> matched(around.size(), 0);
        for (int owner : triangleOwner) {
            if (owner >= 0) matched[static_cast<size_t>(owner)] = 1;
        }
        for (size_t v = 0; v < around.size(); ++v) {
            if (matched[v] || around[v].empty()) continue;
            ++stamp;
            augment(static_cast<int>(v));
        }
    }

    const std::vector<int>& owners() const { return triangleOwner; }

private:
    bool augment(int v) {
        for (int t : around[static_cast<size_t>(v)]) {
            if (seen[static_cast<size_t>(t)] == stamp) continue;
            seen[static_cast<size_t>(t)] = stamp;
            const int other = triangleOwner[static_cast<size_t>(t)];
            if (other < 0 || augment(other)) {
                triangleOwner[static_cast<size_t>(t)] = v;
                return true;
            }
        }
        return false;
    }

    const std::vector<std::vector<int>>& around;
    std::vector<int> triangleOwner;
    std::vector<int> seen;
    int stamp = 0;
};

}  // namespace

uint32_t wallSegmentOf(const BronchiGraph& graph, const uint32_t segmentBase[], float x, float y,
                       float z) {
    uint32_t from = 0;
    uint32_t to = 0;
    uint32_t segment = 0;
    float distance = 0.0f;
    graph.nearestSegment(x, y, z, from, to, segment, distance);
    return segmentBase[to] + segment;
}

WallData groupWall(const WallInput& input, const BronchiGraph& graph,
                   const std::array<float, 3>& closedEnd, std::string& error) {
    WallData data;
    std::copy(std::begin(segmentBaseValues), std::end(segmentBaseValues), data.segmentBase.begin());
    const size_t vertexCount = input.positions.size();
    const size_t triangleCount = input.triangles.size();
    if (triangleCount != wallTriangleCount) {
        error = "the surface has " + std::to_string(triangleCount) + " triangles";
        return {};
    }

    std::vector<uint32_t> vertexGroup(vertexCount);
    for (size_t v = 0; v < vertexCount; ++v) {
        const auto& p = input.positions[v];
        vertexGroup[v] = wallSegmentOf(graph, data.segmentBase.data(), p[0], p[1], p[2]);
        if (vertexGroup[v] == 0 || vertexGroup[v] >= wallSegments) {
            error = "a wall vertex maps to wall segment " + std::to_string(vertexGroup[v]);
            return {};
        }
    }

    // The ungrouped triangles: those around the closed end, nearest first.
    std::vector<std::pair<double, int>> byEnd;
    for (size_t t = 0; t < triangleCount; ++t) {
        double centre[3] = {0.0, 0.0, 0.0};
        for (int v : input.triangles[t]) {
            for (int i = 0; i < 3; ++i) centre[i] += input.positions[static_cast<size_t>(v)][i] / 3.0;
        }
        double d2 = 0.0;
        for (int i = 0; i < 3; ++i) d2 += (centre[i] - closedEnd[i]) * (centre[i] - closedEnd[i]);
        byEnd.emplace_back(d2, static_cast<int>(t));
    }
    std::sort(byEnd.begin(), byEnd.end());
    std::vector<char> grouped(triangleCount, 1);
    std::vector<int> ungrouped;
    for (uint32_t i = 0; i < wallTriangleCount - groupedTriangles; ++i) {
        grouped[static_cast<size_t>(byEnd[i].second)] = 0;
        ungrouped.push_back(byEnd[i].second);
    }
    std::sort(ungrouped.begin(), ungrouped.end());

    std::vector<std::vector<int>> vertexTriangles(vertexCount);
    for (size_t t = 0; t < triangleCount; ++t) {
        if (!grouped[t]) continue;
        for (int v : input.triangles[t]) vertexTriangles[static_cast<size_t>(v)].push_back(static_cast<int>(t));
    }
    VertexMatching matching(vertexTriangles, triangleCount);
    matching.run();
    std::vector<int> owner = matching.owners();

    std::vector<uint32_t> groupSize(wallSegments, 0);
    std::vector<std::vector<int>> groupVertices(wallSegments);
    for (size_t v = 0; v < vertexCount; ++v) groupVertices[vertexGroup[v]].push_back(static_cast<int>(v));
    for (int o : owner) {
        if (o >= 0) ++groupSize[vertexGroup[static_cast<size_t>(o)]];
    }
    // Every group needs three triangles and a repeated vertex 0 for its last place, which the
    // wall test never searches.
    for (uint32_t g = 1; g < wallSegments; ++g) {
        uint32_t needed = std::max<uint32_t>(1, groupSize[g] < 3 ? 3 - groupSize[g] : 0);
        for (int v : groupVertices[g]) {
            for (int t : vertexTriangles[static_cast<size_t>(v)]) {
                if (needed == 0) break;
                if (owner[static_cast<size_t>(t)] >= 0) continue;
                owner[static_cast<size_t>(t)] = v;
                ++groupSize[g];
                --needed;
            }
        }
        if (needed > 0 || groupSize[g] < 3) {
            error = "wall segment " + std::to_string(g) + " gets only " +
                    std::to_string(groupSize[g]) + " triangles";
            return {};
        }
    }
    // The rest go to the smallest group among their corners', which keeps the search short.
    for (size_t t = 0; t < triangleCount; ++t) {
        if (!grouped[t] || owner[t] >= 0) continue;
        int choice = -1;
        for (int v : input.triangles[t]) {
            if (choice < 0 || groupSize[vertexGroup[static_cast<size_t>(v)]] <
                                  groupSize[vertexGroup[static_cast<size_t>(choice)]]) {
                choice = v;
            }
        }
        owner[t] = choice;
        ++groupSize[vertexGroup[static_cast<size_t>(choice)]];
    }

    std::vector<std::vector<std::pair<int, int>>> members(wallSegments);
    for (size_t t = 0; t < triangleCount; ++t) {
        if (grouped[t]) members[vertexGroup[static_cast<size_t>(owner[t])]].emplace_back(owner[t], static_cast<int>(t));
    }
    auto emit = [&](int t, int first) {
        const auto& tri = input.triangles[static_cast<size_t>(t)];
        int i = 0;
        while (tri[i] != first) ++i;
        WallTriangle out{};
        for (int k = 0; k < 3; ++k) {
            const size_t v = static_cast<size_t>(tri[(i + k) % 3]);
            out.vertex[k] = {input.positions[v][0], input.positions[v][1], input.positions[v][2],
                             input.normals[v][0],   input.normals[v][1],   input.normals[v][2]};
        }
        data.triangles.push_back(out);
    };
    data.segmentStart[0] = 0;
    for (uint32_t g = 1; g < wallSegments; ++g) {
        data.segmentStart[g] = static_cast<uint32_t>(data.triangles.size());
        auto& list = members[g];
        std::sort(list.begin(), list.end());
        // A repeated vertex 0 goes last, where losing it costs the search nothing.
        for (size_t i = list.size() - 1; i > 0; --i) {
            if (list[i].first == list[i - 1].first) {
                std::rotate(list.begin() + static_cast<long>(i), list.begin() + static_cast<long>(i) + 1, list.end());
                break;
            }
        }
        for (const auto& m : list) emit(m.second, m.first);
    }
    data.segmentStart[wallSegments] = static_cast<uint32_t>(data.triangles.size());
    for (int t : ungrouped) emit(t, input.triangles[static_cast<size_t>(t)][0]);
    return data;
}
