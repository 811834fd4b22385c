// Fuzz target for the airway graph loader: any bytes as "Bronchi.gra", loaded twice, then the
// queries the mission and the wall test make. Replayed over its corpus by the unit tests.
#include <array>
#include <cctype>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "world/BronchiGraph.h"
#include "world/BronchiMesh.h"
#include "world/WallCollision.h"

namespace fuzz {
namespace {

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool samePoint(const GraphPoint& a, const GraphPoint& b)
{
    return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z);
}

// Loading is deterministic: values that nothing has set would show up as a difference.
bool sameGraph(const BronchiGraph& a, const BronchiGraph& b)
{
    if (a.edgeCount() != b.edgeCount())
        return false;
    for (uint32_t i = 0; i < a.edgeCount(); ++i) {
        const BronchiEdge& ea = *a.edge(i);
        const BronchiEdge& eb = *b.edge(i);
        if (ea.from != eb.from || ea.to != eb.to || ea.points.size() != eb.points.size())
            return false;
        for (std::size_t k = 0; k < ea.points.size(); ++k)
            if (!samePoint(*ea.points[k], *eb.points[k]))
                return false;
    }
    for (uint32_t node = 0;; ++node) {
        float pa[3] = {0, 0, 0};
        float pb[3] = {0, 0, 0};
        const bool ha = a.nodePosition(node, pa);
        if (ha != b.nodePosition(node, pb))
            return false;
        if (!ha)
            return true;
        for (int c = 0; c < 3; ++c)
            if (!sameBits(pa[c], pb[c]))
                return false;
    }
}

uint32_t nodeCount(const BronchiGraph& graph)
{
    uint32_t n = 0;
    float p[3];
    while (graph.nodePosition(n, p))
        ++n;
    return n;
}

// Every stored node or point comes from one group read on one line, and every group but a
// line's last consumes at least one word; each of the two passes sees a line at most once.
std::size_t groupBound(const uint8_t* data, std::size_t size)
{
    std::size_t lines = 1;
    std::size_t words = 0;
    bool inWord = false;
    for (std::size_t i = 0; i < size; ++i) {
        const bool blank = std::isspace(data[i]) != 0;
        lines += data[i] == '\n';
        words += !blank && !inWord;
        inWord = !blank;
    }
    return 2 * (words + 2 * lines);
}

const WallTable realWall{BronchiMesh,      wallTriangleCount,     wallSegmentBase,
                         wallSegmentBaseCount, wallSegmentStart, wallSegmentStartCount};

void probe(const BronchiGraph& graph, const float p[3], bool anyWholeEdge)
{
    uint32_t from = 0xdead;
    uint32_t to = 0xdead;
    uint32_t segment = 0xdead;
    float distance = -1.0f;
    const bool found = graph.nearestSegment(p[0], p[1], p[2], from, to, segment, distance);
    expect(found == anyWholeEdge, "nearestSegment finds a segment exactly when an edge has both nodes");
    if (found) {
        expect(!(distance < 0.0f), "a distance is never negative");
        bool named = false;
        float a[3], b[3];
        for (uint32_t i = 0; i < graph.edgeCount() && !named; ++i) {
            const BronchiEdge& e = *graph.edge(i);
            named = e.from == from && e.to == to && segment <= e.points.size() &&
                    graph.nodePosition(from, a) && graph.nodePosition(to, b);
        }
        expect(named, "the nearest segment lies on an edge whose nodes exist");
    }
    // No crash and no sanitizer report is the property here; the wall is the game's own.
    const bool inside = insideAirway(graph, realWall, Vektor3D(p[0], p[1], p[2]));
    if (found && to >= wallSegmentBaseCount)
        expect(inside, "a segment the wall table does not know has no wall to hit");
}

}  // namespace

int fuzzBronchiGraph(const uint8_t* data, std::size_t size)
{
    const std::string file = scratch().write("Bronchi.gra", data, size);
    std::unique_ptr<BronchiGraph> graph;
    std::unique_ptr<BronchiGraph> again;
    {
        QuietConsole quiet;
        graph = std::make_unique<BronchiGraph>(file.c_str());
        again = std::make_unique<BronchiGraph>(file.c_str());
    }
    expect(sameGraph(*graph, *again), "the same file loads to the same graph");

    const uint32_t nodes = nodeCount(*graph);
    std::size_t stored = nodes;
    bool anyWholeEdge = false;
    float scratchPoint[3];
    for (uint32_t i = 0; i < graph->edgeCount(); ++i) {
        const BronchiEdge& e = *graph->edge(i);
        expect(!(e.from == 0 && e.to == 0), "the ids 0 0 end the edge section and make no edge");
        stored += e.points.size();
        anyWholeEdge = anyWholeEdge || (e.from < nodes && e.to < nodes);
    }
    const std::size_t lines = 1 + static_cast<std::size_t>(std::count(data, data + size, uint8_t{'\n'}));
    expect(graph->edgeCount() <= lines, "at most one edge per line");
    expect(stored <= groupBound(data, size), "no more nodes and points than the file has groups");

    float untouched[3] = {1.5f, 2.5f, 3.5f};
    expect(!graph->nodePosition(nodes, untouched) && untouched[0] == 1.5f && untouched[1] == 2.5f &&
               untouched[2] == 3.5f,
           "an unknown node id leaves the position as it was");

    // Where the mission starts and a few places along the airway, as the ship would go.
    std::vector<std::array<float, 3>> probes{{0.0f, 0.0f, 0.0f}};
    std::vector<uint32_t> next;
    if (graph->successors(0, next) && graph->nodePosition(next.front(), scratchPoint))
        probes.push_back({scratchPoint[0], scratchPoint[1], scratchPoint[2]});
    if (graph->nodePosition(0, scratchPoint))
        probes.push_back({scratchPoint[0], scratchPoint[1], scratchPoint[2]});
    for (uint32_t i = 0; i < graph->edgeCount() && i < 4; ++i) {
        const BronchiEdge& e = *graph->edge(i);
        if (!e.points.empty()) {
            const GraphPoint& mid = *e.points[e.points.size() / 2];
            probes.push_back({mid.x + 0.5f, mid.y - 0.25f, mid.z});
        }
    }
    for (const auto& p : probes)
        probe(*graph, p.data(), anyWholeEdge);
    return 0;
}

}  // namespace fuzz

#ifdef ONCORAIDER_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    return fuzz::fuzzBronchiGraph(data, size);
}
#endif
