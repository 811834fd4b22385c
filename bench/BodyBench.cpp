// Cost of a frame turn (rotateBy) and of one body step (move plus dampMotion).
#include "bodies/BObject.h"

#include <benchmark/benchmark.h>

namespace {

// A general-case axis, so each call pays the five polar turns; the same axis every call
// hits the rotation memo.
void BM_RotateBy(benchmark::State& state) {
    Vektor3D v(0.3, -0.8, 0.52);
    const Vektor3D w(0.0004, -0.0011, 0.0007);
    for (auto _ : state) {
        v.rotateBy(w);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_RotateBy);

// Alternating axes miss the memo on every call and pay its two atan2 calls too.
void BM_RotateByMemoMiss(benchmark::State& state) {
    Vektor3D v(0.3, -0.8, 0.52);
    const Vektor3D w[2] = {{0.0004, -0.0011, 0.0007}, {-0.0004, 0.0011, -0.0007}};
    int i = 0;
    for (auto _ : state) {
        v.rotateBy(w[i]);
        i ^= 1;
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_RotateByMemoMiss);

// A steering body: the angular velocity is topped up so the step never decays to the
// cheap zero path, and the forward/up pair hits the rotation memo as in the game.
void BM_MoveAndDamp(benchmark::State& state) {
    BObject body(Vektor3D(1, 2, 3), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(0.3, 0.1, -0.2),
                 Vektor3D(0.0003, -0.0007, 0.0002));
    for (auto _ : state) {
        body.move(25);
        body.dampMotion(25);
        body.yawLeftImpulse(25);
        body.forwardImpulse(25);
        benchmark::DoNotOptimize(body);
    }
}
BENCHMARK(BM_MoveAndDamp);

}  // namespace
