// The wall query on the real airway data, the game's against the literal step-by-step one
// (support/LiteralWall.h and below), side by side: insideAirway and nearestSegment over
// points inside the airway near its walls. Besides the mean per call, each benchmark reports the
// median over the points of the time per call at one point (medianNs).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "support/LiteralWall.h"
#include "../tests/support/RealGraph.h"
#include "world/BronchiMesh.h"
#include "world/World.h"

namespace {

// Where a ship flies: two units into the lumen from every seventh wall vertex, in mesh order,
// so that consecutive points lie near each other as along a flight.
const std::vector<Vektor3D>& flightPoints()
{
    static const std::vector<Vektor3D> points = [] {
        std::vector<Vektor3D> p;
        for (uint32_t i = 0; i < wallTriangleCount; i += 7) {
            const WallVertex& v = BronchiMesh[i].vertex[0];
            p.emplace_back(v.x - 2.0f * v.nx, v.y - 2.0f * v.ny, v.z - 2.0f * v.nz);
        }
        return p;
    }();
    return points;
}

// The median over the points of the time per call, from 16 calls at each point.
template <typename Query>
double medianNanoseconds(Query query)
{
    using Clock = std::chrono::steady_clock;
    std::vector<double> perPoint;
    for (const Vektor3D& p : flightPoints()) {
        const auto start = Clock::now();
        for (int i = 0; i < 16; ++i)
            benchmark::DoNotOptimize(query(p));
        perPoint.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
                           16.0);
    }
    std::nth_element(perPoint.begin(), perPoint.begin() + perPoint.size() / 2, perPoint.end());
    return perPoint[perPoint.size() / 2];
}

template <typename Query>
void runOverFlight(benchmark::State& state, Query query)
{
    if (realGraph().edgeCount() == 0) {
        state.SkipWithError("data/Bronchi.gra not found");
        return;
    }
    const std::vector<Vektor3D>& points = flightPoints();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(query(points[i]));
        i = i + 1 == points.size() ? 0 : i + 1;
    }
    state.counters["medianNs"] = medianNanoseconds(query);
}

bool gameInside(const Vektor3D& p)
{
    return insideAirway(realGraph(), bronchiWall, p);
}

bool literalInside(const Vektor3D& p)
{
    return literal::insideAirway(realGraph(), bronchiWall, p);
}

uint32_t gameNearest(const Vektor3D& p)
{
    uint32_t from, to, segment = 0;
    float d;
    realGraph().nearestSegment(float(p.x), float(p.y), float(p.z), from, to, segment, d);
    return segment;
}

uint32_t literalNearest(const Vektor3D& p)
{
    uint32_t from, to, segment = 0;
    float d;
    literal::nearestSegment(realGraph(), float(p.x), float(p.y), float(p.z), from, to, segment, d);
    return segment;
}

void BM_InsideAirwayRealData(benchmark::State& state) { runOverFlight(state, gameInside); }
void BM_InsideAirwayRealDataLiteral(benchmark::State& state)
{
    runOverFlight(state, literalInside);
}
void BM_NearestSegmentRealData(benchmark::State& state) { runOverFlight(state, gameNearest); }
void BM_NearestSegmentRealDataLiteral(benchmark::State& state)
{
    runOverFlight(state, literalNearest);
}

BENCHMARK(BM_InsideAirwayRealData);
BENCHMARK(BM_InsideAirwayRealDataLiteral);
BENCHMARK(BM_NearestSegmentRealData);
BENCHMARK(BM_NearestSegmentRealDataLiteral);

}  // namespace
