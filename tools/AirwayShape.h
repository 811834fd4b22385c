// The airway as the generator sees it: a short readable description (centre-lines, radii,
// cartilage rings, carina) and the smooth implicit volume it defines, negative in the lumen.
#pragma once

#include <string>
#include <vector>

#include "AirwayMath.h"

// One branch of the airway tree between two graph nodes, in world units.
struct BranchDescription {
    std::string name;
    unsigned from = 0;
    unsigned to = 0;
    // The centre-line runs through these, from the `from` node to the `to` node.
    std::vector<Vec3> controlPoints;
    int centreLinePoints = 0;  // graph points strictly between the two nodes
    double radiusStart = 0.0;
    double radiusEnd = 0.0;
    // Cartilage: ridges that narrow the lumen, absent on the posterior membranous wall.
    double ringPeriod = 0.0;
    double ringDepth = 0.0;
    double ringsFrom = 0.0;     // arc length where the rings begin ...
    double ringsBeforeEnd = 0.0;  // ... and how far before the end they stop
    // Share of the radius taken off the posterior wall (the flat back of the trachea).
    double posteriorFlattening = 0.0;
};

struct AirwayDescription {
    std::vector<BranchDescription> branches;  // the trachea first, then the two main bronchi
    Vec3 posterior;                           // direction towards the patient's back
    double carinaRounding = 0.0;              // blend width between the two bronchi
    double junctionRounding = 0.0;            // blend width between trachea and bronchi
    // Relative triangle size along the last branch: its centre-line segments are the shortest,
    // so its wall groups are the narrowest and want the densest vertices.
    double lastBranchEdgeScale = 1.0;
};

// The one airway of the game.
AirwayDescription oncoraiderAirway();

// A branch's centre-line as a dense polyline with arc length, and its share of the volume.
class Branch {
public:
    explicit Branch(const BranchDescription& description, const Vec3& posterior);

    const BranchDescription& description() const { return desc; }
    double length() const { return arcLength.back(); }
    Vec3 pointAt(double s) const;
    Vec3 tangentAt(double s) const;
    // The graph's centre-line points: equally spaced by arc length, strictly between the nodes.
    std::vector<Vec3> graphPoints() const;
    // Lumen radius at arc length s, on the side whose offset from the centre-line is offset.
    double lumenRadius(double s, const Vec3& offset) const;
    // Signed distance-like value: negative inside this branch's tube, closed at both ends.
    double field(const Vec3& p) const;
    // The point where the tube's end cap meets the centre-line's extension beyond the `to` node.
    Vec3 farTip() const;

private:
    struct Chunk {
        Vec3 centre;
        double radius = 0.0;
        size_t first = 0;
        size_t last = 0;  // segment indices first .. last - 1
    };
    void closestPoint(const Vec3& p, double& s, Vec3& foot) const;

    BranchDescription desc;
    Vec3 posterior;
    std::vector<Vec3> points;
    std::vector<double> arcLength;
    std::vector<Chunk> chunks;
};

class AirwayVolume {
public:
    explicit AirwayVolume(const AirwayDescription& description);

    const std::vector<Branch>& branches() const { return parts; }
    double field(const Vec3& p) const;
    // Central differences: the outward direction, not normalised.
    Vec3 gradient(const Vec3& p) const;
    // Newton steps along the gradient onto the zero level.
    Vec3 project(const Vec3& p) const;
    // Wanted edge length at p, relative to the mean.
    double edgeScale(const Vec3& p) const;
    void bounds(Vec3& lower, Vec3& upper) const;

private:
    AirwayDescription desc;
    std::vector<Branch> parts;
};
