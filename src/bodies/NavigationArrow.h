// The translucent green dart in front of the eye that points at the live tumor.
#pragma once

#include "bodies/BObject.h"

// Only its frame is used, so the body's operations stay hidden. up is forward with its
// components cycled: unit length, but in general not perpendicular to forward.
class NavigationArrow : private BObject {
public:
    NavigationArrow() = default;
    NavigationArrow(const Vektor3D& position, const Vektor3D& direction);
    NavigationArrow(const NavigationArrow& other) = default;
    NavigationArrow& operator=(const NavigationArrow& other) = default;
    ~NavigationArrow() override = default;

    // Draws nothing when the frame is degenerate (a zero direction, or three equal components).
    void draw();
};
