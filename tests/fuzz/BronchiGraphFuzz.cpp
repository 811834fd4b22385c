// Fuzz target for the airway graph loader: any bytes as "Bronchi.gra", then the queries a mission
// makes of the graph, the wall test against the game's own wall table included.
#include <iostream>
#include <vector>

#include "FuzzSupport.h"
#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

namespace fuzz {

int fuzzBronchiGraph(const uint8_t* data, std::size_t size)
{
    const std::string file = scratchFile("Bronchi.gra", data, size);
    std::streambuf *const out = std::cout.rdbuf(nullptr), *const log = std::cerr.rdbuf(nullptr);
    const BronchiGraph graph(file.c_str());  // its progress lines: thousands of runs a second need none
    std::cout.rdbuf(out);
    std::cerr.rdbuf(log);

    uint32_t nodes = 0;
    for (float p[3]; graph.nodePosition(nodes, p); ++nodes) {}
    std::vector<float> probes{0.0f, 0.0f, 0.0f};  // then beside edge points, as the ship would pass them
    bool anyWholeEdge = false;
    for (uint32_t i = 0; i < graph.edgeCount(); ++i) {
        const BronchiEdge& e = *graph.edge(i);
        expect(e.from != 0 || e.to != 0, "the ids 0 0 end the edge section and make no edge");
        anyWholeEdge = anyWholeEdge || (e.from < nodes && e.to < nodes);
        if (!e.points.empty() && i < 4)
            probes.insert(probes.end(), {e.points.back()->x + 0.5f, e.points.back()->y, e.points.front()->z});
    }
    const WallTable wall{BronchiMesh,          wallTriangleCount, wallSegmentBase,
                         wallSegmentBaseCount, wallSegmentStart,  wallSegmentStartCount};
    for (std::size_t i = 0; i < probes.size(); i += 3) {
        uint32_t from = 0, to = 0, segment = 0;
        float distance = 0.0f;
        const bool found = graph.nearestSegment(probes[i], probes[i + 1], probes[i + 2], from, to, segment, distance);
        expect(found == anyWholeEdge, "a nearest segment exists exactly when an edge has both of its nodes");
        bool named = !found;
        for (uint32_t k = 0; k < graph.edgeCount() && !named; ++k) {
            const BronchiEdge& e = *graph.edge(k);
            named = e.from == from && e.to == to && from < nodes && to < nodes && segment <= e.points.size();
        }
        expect(named, "the nearest segment is one of an edge whose two nodes exist");
        const bool inside = insideAirway(graph, wall, Vektor3D(probes[i], probes[i + 1], probes[i + 2]));
        expect(inside || !found || to < wallSegmentBaseCount, "a segment the wall table lacks has no wall to hit");
    }
    return 0;
}

}  // namespace fuzz

#ifdef ONCORAIDER_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) { return fuzz::fuzzBronchiGraph(data, size); }
#endif
