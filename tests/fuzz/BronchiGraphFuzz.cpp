// Fuzz target for the airway graph loader: any bytes as "Bronchi.gra", then the queries a mission
// makes of the graph, the wall test against the game's own wall table included.
#include <vector>

#include "FuzzSupport.h"
#include "world/World.h"

namespace fuzz {

int fuzzBronchiGraph(const uint8_t* data, std::size_t size)
{
    const auto graph = loadGraphQuietly(scratchFile("Bronchi.gra", data, size).c_str());
    uint32_t nodes = 0;
    for (float p[3]; graph->nodePosition(nodes, p); ++nodes) {}
    std::vector<Vektor3D> probes{Vektor3D(0, 0, 0)};  // then beside edges, as the ship passes them
    bool anyWholeEdge = false;
    for (uint32_t i = 0; i < graph->edgeCount(); ++i) {
        const BronchiEdge& e = *graph->edge(i);
        expect(e.from != 0 || e.to != 0, "the ids 0 0 end the edge section and make no edge");
        anyWholeEdge = anyWholeEdge || (e.from < nodes && e.to < nodes);
        if (!e.points.empty() && i < 4)
            probes.emplace_back(e.points.back()->x + 0.5f, e.points.back()->y,
                                e.points.front()->z);
    }
    for (const Vektor3D& at : probes) {
        uint32_t from = 0, to = 0, segment = 0;
        float distance = 0.0f;
        const float x = float(at.x), y = float(at.y), z = float(at.z);
        const bool found = graph->nearestSegment(x, y, z, from, to, segment, distance);
        expect(found == anyWholeEdge, "a nearest segment exists exactly when an edge is whole");
        bool named = !found;
        for (uint32_t k = 0; k < graph->edgeCount() && !named; ++k) {
            const BronchiEdge& e = *graph->edge(k);
            named = e.from == from && e.to == to && segment <= e.points.size();
        }
        expect(named, "the nearest segment is one of an edge");
        expect(!found || from < nodes, "the nearest segment starts at a node that exists");
        expect(!found || to < nodes, "the nearest segment ends at a node that exists");
        const bool inside = insideAirway(*graph, bronchiWall, at);
        expect(inside || !found || to < wallSegmentBaseCount,
               "a segment the wall table lacks has no wall to hit");
    }
    return 0;
}

}  // namespace fuzz
