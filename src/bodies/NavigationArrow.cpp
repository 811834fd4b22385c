// Navigation arrow frame and drawing.
#include "bodies/NavigationArrow.h"

#include <cmath>

#include <GL/gl.h>

NavigationArrow::NavigationArrow(const Vektor3D& position, const Vektor3D& direction)
    : BObject(position, Vektor3D(), direction, Vektor3D(), Vektor3D()) {
    forward.normalize();
    up = forward.permuted(1);
}

void NavigationArrow::draw() {
    refreshSide();
    // A zero direction leaves forward NaN, equal components leave side zero: either way the
    // vertices would not be finite.
    const double sideLength = side.length();
    if (!(sideLength > 0.0) || !std::isfinite(sideLength)) {
        return;
    }
    side.normalize();

    glBegin(GL_TRIANGLES);
    glColor4d(0.0, 10.0, 0.0, 0.2);
    bodyVertex(-0.1, 0.0, 0.0);
    bodyVertex(0.1, 0.0, 0.0);
    bodyVertex(0.0, 0.0, 0.5);
    bodyVertex(0.0, -0.1, 0.0);
    bodyVertex(0.0, 0.1, 0.0);
    bodyVertex(0.0, 0.0, 0.5);
    glEnd();
}
