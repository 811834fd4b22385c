// The airway description and its implicit volume.
#include "AirwayShape.h"

#include <algorithm>

AirwayDescription oncoraiderAirway() {
    AirwayDescription airway;
    // Patient axes as in a CT volume: +x towards the patient's left, +y towards the back,
    // +z upwards. The trachea stands along z with node 0 at its upper end.
    airway.posterior = {0.0, 1.0, 0.0};
    airway.carinaRounding = 4.0;
    airway.junctionRounding = 7.0;
    airway.lastBranchEdgeScale = 0.8;

    BranchDescription trachea;
    trachea.name = "trachea";
    trachea.from = 0;
    trachea.to = 1;
    trachea.controlPoints = {{258.0, 300.0, 470.0}, {258.0, 300.0, 378.0}};
    trachea.centreLinePoints = 70;
    trachea.radiusStart = 12.5;
    trachea.radiusEnd = 12.0;
    // Sixteen C-shaped cartilage rings, open at the back.
    trachea.ringPeriod = 5.8;
    trachea.ringDepth = 0.75;
    trachea.ringsFrom = 4.0;
    trachea.ringsBeforeEnd = 10.0;
    trachea.posteriorFlattening = 0.14;

    // The right main bronchus: wider, short and steep, running on as the bronchus intermedius.
    BranchDescription right;
    right.name = "right main bronchus";
    right.from = 1;
    right.to = 2;
    right.controlPoints = {{258.0, 300.0, 378.0}, {232.0, 321.0, 296.0}};
    right.centreLinePoints = 62;
    right.radiusStart = 9.5;
    right.radiusEnd = 7.0;
    right.ringPeriod = 5.0;
    right.ringDepth = 0.3;
    right.ringsFrom = 12.0;
    right.ringsBeforeEnd = 20.0;
    right.posteriorFlattening = 0.06;

    // The left main bronchus: narrower, longer and flatter, bending down into the lower lobe.
    BranchDescription left;
    left.name = "left main bronchus";
    left.from = 1;
    left.to = 3;
    left.controlPoints = {{258.0, 300.0, 378.0}, {348.0, 308.0, 350.0}};
    left.centreLinePoints = 101;
    left.radiusStart = 8.0;
    left.radiusEnd = 5.5;
    left.ringPeriod = 4.6;
    left.ringDepth = 0.3;
    left.ringsFrom = 12.0;
    left.ringsBeforeEnd = 30.0;
    left.posteriorFlattening = 0.06;

    airway.branches = {trachea, right, left};
    return airway;
}

namespace {

constexpr int samplesPerSpan = 256;
constexpr size_t segmentsPerChunk = 32;

// Uniform Catmull-Rom spline through p1 and p2 with neighbours p0 and p3.
Vec3 catmullRom(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, double t) {
    const double t2 = t * t;
    const double t3 = t2 * t;
    return (p1 * 2.0 + (p2 - p0) * t + (p0 * 2.0 - p1 * 5.0 + p2 * 4.0 - p3) * t2 +
            (p1 * 3.0 - p0 - p2 * 3.0 + p3) * t3) *
           0.5;
}

}  // namespace

Branch::Branch(const BranchDescription& description, const Vec3& posteriorDirection)
    : desc(description), posterior(posteriorDirection) {
    const std::vector<Vec3>& c = desc.controlPoints;
    const size_t n = c.size();
    // Mirrored phantom ends keep the curve's end tangents along its first and last spans.
    auto control = [&](long i) -> Vec3 {
        if (i < 0) return c[0] * 2.0 - c[1];
        if (i >= static_cast<long>(n)) return c[n - 1] * 2.0 - c[n - 2];
        return c[static_cast<size_t>(i)];
    };
    points.push_back(c[0]);
    for (size_t span = 0; span + 1 < n; ++span) {
        const long i = static_cast<long>(span);
        for (int k = 1; k <= samplesPerSpan; ++k) {
            const double t = static_cast<double>(k) / samplesPerSpan;
            points.push_back(k == samplesPerSpan
                                 ? c[span + 1]
                                 : catmullRom(control(i - 1), control(i), control(i + 1),
                                              control(i + 2), t));
        }
    }
    arcLength.push_back(0.0);
    for (size_t i = 1; i < points.size(); ++i) {
        arcLength.push_back(arcLength.back() + ::length(points[i] - points[i - 1]));
    }
    const size_t segments = points.size() - 1;
    for (size_t first = 0; first < segments; first += segmentsPerChunk) {
        Chunk chunk;
        chunk.first = first;
        chunk.last = std::min(segments, first + segmentsPerChunk);
        Vec3 sum;
        for (size_t i = chunk.first; i <= chunk.last; ++i) sum += points[i];
        chunk.centre = sum / static_cast<double>(chunk.last - chunk.first + 1);
        for (size_t i = chunk.first; i <= chunk.last; ++i) {
            chunk.radius = std::max(chunk.radius, ::length(points[i] - chunk.centre));
        }
        chunks.push_back(chunk);
    }
}

Vec3 Branch::pointAt(double s) const {
    if (s <= 0.0) return points.front();
    if (s >= length()) return points.back();
    const size_t i = static_cast<size_t>(
        std::upper_bound(arcLength.begin(), arcLength.end(), s) - arcLength.begin());
    const double t = (s - arcLength[i - 1]) / (arcLength[i] - arcLength[i - 1]);
    return points[i - 1] + (points[i] - points[i - 1]) * t;
}

Vec3 Branch::tangentAt(double s) const {
    const double h = 0.5;
    const double a = std::max(0.0, s - h);
    const double b = std::min(length(), s + h);
    return normalized(pointAt(b) - pointAt(a));
}

std::vector<Vec3> Branch::graphPoints() const {
    std::vector<Vec3> result;
    const int n = desc.centreLinePoints;
    for (int j = 1; j <= n; ++j) {
        result.push_back(pointAt(length() * j / (n + 1)));
    }
    return result;
}

double Branch::lumenRadius(double s, const Vec3& offset) const {
    const double total = length();
    double r = desc.radiusStart + (desc.radiusEnd - desc.radiusStart) * smoothstep(0.0, total, s);
    const double offsetLength = ::length(offset);
    double towardsBack = 0.0;
    if (offsetLength > 1e-9) {
        const Vec3 t = tangentAt(s);
        const Vec3 back = normalized(posterior - t * dot(posterior, t));
        towardsBack = dot(offset, back) / offsetLength;
    }
    if (towardsBack > 0.0) {
        r *= 1.0 - desc.posteriorFlattening * towardsBack * towardsBack;
    }
    if (desc.ringDepth > 0.0) {
        const double window = smoothstep(desc.ringsFrom, desc.ringsFrom + 6.0, s) *
                              (1.0 - smoothstep(total - desc.ringsBeforeEnd - 6.0,
                                                total - desc.ringsBeforeEnd, s));
        const double wave = 0.5 + 0.5 * portableCos(2.0 * airwayPi * s / desc.ringPeriod);
        const double cartilage = 1.0 - smoothstep(0.15, 0.6, towardsBack);
        r -= desc.ringDepth * window * wave * wave * cartilage;
    }
    return r;
}

void Branch::closestPoint(const Vec3& p, double& s, Vec3& foot) const {
    // Chunks nearest first, so that the bound prunes most of them.
    std::vector<std::pair<double, size_t>> order;
    order.reserve(chunks.size());
    for (size_t i = 0; i < chunks.size(); ++i) {
        order.emplace_back(::length(p - chunks[i].centre) - chunks[i].radius, i);
    }
    std::sort(order.begin(), order.end());
    double best = 1e300;
    for (const auto& entry : order) {
        if (entry.first * std::abs(entry.first) >= best && entry.first > 0.0) break;
        const Chunk& chunk = chunks[entry.second];
        for (size_t i = chunk.first; i < chunk.last; ++i) {
            const Vec3 a = points[i];
            const Vec3 ab = points[i + 1] - a;
            const double t = clamp01(dot(p - a, ab) / dot(ab, ab));
            const Vec3 q = a + ab * t;
            const Vec3 d = p - q;
            const double d2 = dot(d, d);
            if (d2 < best) {
                best = d2;
                foot = q;
                s = arcLength[i] + (arcLength[i + 1] - arcLength[i]) * t;
            }
        }
    }
}

double Branch::field(const Vec3& p) const {
    double s = 0.0;
    Vec3 foot;
    closestPoint(p, s, foot);
    const Vec3 offset = p - foot;
    return ::length(offset) - lumenRadius(s, offset);
}

Vec3 Branch::farTip() const {
    const Vec3 t = tangentAt(length());
    return points.back() + t * lumenRadius(length(), t);
}

AirwayVolume::AirwayVolume(const AirwayDescription& description) : desc(description) {
    for (const BranchDescription& b : desc.branches) parts.emplace_back(b, desc.posterior);
}

double AirwayVolume::field(const Vec3& p) const {
    const double bronchi =
        smoothMin(parts[1].field(p), parts[2].field(p), desc.carinaRounding);
    return smoothMin(parts[0].field(p), bronchi, desc.junctionRounding);
}

double AirwayVolume::edgeScale(const Vec3& p) const {
    const double others = std::min(parts[0].field(p), parts[1].field(p));
    const double w = smoothstep(-3.0, 3.0, others - parts[2].field(p));
    return 1.0 - w * (1.0 - desc.lastBranchEdgeScale);
}

Vec3 AirwayVolume::gradient(const Vec3& p) const {
    const double h = 1e-4;
    return Vec3{field({p.x + h, p.y, p.z}) - field({p.x - h, p.y, p.z}),
                field({p.x, p.y + h, p.z}) - field({p.x, p.y - h, p.z}),
                field({p.x, p.y, p.z + h}) - field({p.x, p.y, p.z - h})} /
           (2.0 * h);
}

Vec3 AirwayVolume::project(const Vec3& p) const {
    Vec3 q = p;
    for (int i = 0; i < 8; ++i) {
        const double f = field(q);
        if (std::abs(f) < 1e-9) break;
        const Vec3 g = gradient(q);
        const double gg = dot(g, g);
        if (gg < 1e-12) break;
        q = q - g * (f / gg);
    }
    return q;
}

void AirwayVolume::bounds(Vec3& lower, Vec3& upper) const {
    lower = {1e300, 1e300, 1e300};
    upper = {-1e300, -1e300, -1e300};
    for (const BranchDescription& b : desc.branches) {
        const double margin = std::max(b.radiusStart, b.radiusEnd) + 3.0;
        for (const Vec3& c : b.controlPoints) {
            lower = {std::min(lower.x, c.x - margin), std::min(lower.y, c.y - margin),
                     std::min(lower.z, c.z - margin)};
            upper = {std::max(upper.x, c.x + margin), std::max(upper.y, c.y + margin),
                     std::max(upper.z, c.z + margin)};
        }
    }
}
