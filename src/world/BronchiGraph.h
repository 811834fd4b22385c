// The airway graph: node positions and the centre-lines of the edges between them, loaded from
// the text file "./Bronchi.gra", and the nearest-centre-line query the wall collision is built on.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// A position in world units: file coordinates divided per axis by the voxel size.
struct GraphPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct BronchiEdge {
    uint32_t from = 0;
    uint32_t to = 0;
    // Centre-line points strictly between the two nodes, from the `from` end to the `to` end.
    std::vector<std::unique_ptr<GraphPoint>> points;
};

class BronchiGraph {
public:
    // Runs both loading passes over the file; a missing or malformed file leaves the graph
    // (partly) empty and prints what the passes print, it never throws for that.
    explicit BronchiGraph(const char* fileName);
    ~BronchiGraph();
    BronchiGraph(const BronchiGraph&) = delete;
    BronchiGraph& operator=(const BronchiGraph&) = delete;

    uint32_t edgeCount() const;
    // Edge by index, or nullptr past the last one.
    const BronchiEdge* edge(uint32_t index) const;

    // Fills position with the node's x, y, z; false (position untouched) for an unknown id.
    bool nodePosition(uint32_t node, float position[3]) const;
    // Appends, in edge order, the `to` of every edge leaving node; true when result is not
    // empty afterwards, counting what it held before.
    bool successors(uint32_t node, std::vector<uint32_t>& result) const;

    // The centre-line segment nearest to (x, y, z): segment k of an edge joins its polyline
    // vertices k and k + 1, where vertex 0 is the `from` node and vertex n + 1 the `to` node.
    // Ties keep the earlier edge, then the lower k. False, results untouched, with no edges.
    // An edge naming a node that does not exist has no geometry and is passed over.
    // Answers bit for bit as the segment tests, lineDistance and the far-end distance taken one
    // segment after the other would, from values worked out once at loading.
    bool nearestSegment(float x, float y, float z, uint32_t& from, uint32_t& to,
                        uint32_t& segment, float& distance) const;

    // Byte-wise, case-sensitive prefix test; a line shorter than the keyword fails.
    static bool startsWith(const char* line, const char* keyword);

    // With u = (B - A) / |B - A|, s(X) = |(ux*Xx, uy*Xy, uz*Xz)|: the length of the
    // componentwise product, not the dot product. A == B gives u = 0, so all three are 0.
    static void axialMeasure(const float p[3], const float a[3], const float b[3],
                             float& sP, float& sA, float& sB);
    // Distance from p to the infinite line through q and r; with q == r, the distance to q.
    static float lineDistance(const float p[3], const float q[3], const float r[3]);

    // The along-axis tests that decide whether a point is measured against a segment's line.
    // They are inclusive, so a point level with a polyline vertex passes on both sides of it.
    // A node that does not exist reads as the origin here.
    bool notBeforeStart(const float p[3], const BronchiEdge& edge) const;
    bool notBeforePoint(const float p[3], const GraphPoint& point, const BronchiEdge& edge) const;
    bool notAfterPoint(const float p[3], const GraphPoint& point, const BronchiEdge& edge) const;
    bool notAfterEnd(const float p[3], const BronchiEdge& edge) const;

private:
    void loadEdges(const char* fileName);
    void loadNodes(const char* fileName);
    void orientEdges();
    // Both node positions, the origin for a node that does not exist; true when both exist.
    bool endPositions(const BronchiEdge& edge, float a[3], float b[3]) const;

    std::vector<std::unique_ptr<BronchiEdge>> edges;
    // Index = node id.
    std::vector<std::unique_ptr<GraphPoint>> nodes;

    // What nearestSegment needs of every segment, from the loaded edges and nodes, which
    // nothing changes afterwards.
    struct SegmentTable;
    std::unique_ptr<SegmentTable> segments;
    void tabulateSegments();
};
