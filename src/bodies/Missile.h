// A missile in flight: constant forward thrust, a 100-point jittered trail, a 30 s life,
// and its own drawing (nose, body, exhaust flame, fading trail).
#pragma once

#include <array>

#include "bodies/BObject.h"

class Missile : public BObject {
public:
    static constexpr int trailLength = 100;

    float flamePhase = 0.0f;
    int trailIndex = 0;  // slot the next update writes; wraps from 100 to 0
    // Unwritten slots start at 0.0 so their points at the origin stay invisible.
    std::array<float, trailLength> trailAlpha{};
    std::array<Vektor3D, trailLength> trail{};
    int lifetime = 30000;  // milliseconds; expired once below 0

    // Reseeds the process-wide rand() sequence from the launch point's x coordinate.
    Missile(const Vektor3D& position, const Vektor3D& up, const Vektor3D& forward,
            const Vektor3D& velocity, const Vektor3D& angularVelocity);
    Missile(const Missile& other) = default;
    Missile& operator=(const Missile& other) = default;
    ~Missile() override = default;

    void update(int ms);
    // Also fades the trail: every drawn frame lowers each trail alpha by 0.01.
    void draw();

    // Draws a sphere of radius 0.02 (5 slices, 5 stacks) at every trail point in index order,
    // coloured (10, 10, 10, alpha), and lowers each alpha by 0.01 once it is drawn. A sphere
    // that could not show on the window may be left out.
    using TrailDrawer = void (*)(std::array<float, trailLength>& alpha,
                                 const std::array<Vektor3D, trailLength>& points);
    // The game draws a trail as one batch (bodies/TrailSpheres.h); tests and benchmarks swap in
    // a sphere-by-sphere drawing to compare the two.
    static TrailDrawer trailDrawer;
};
