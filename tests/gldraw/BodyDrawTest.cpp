// Drawing of the simple bodies: body-frame vertices and normals, the heads-up display vertex,
// the tumor sphere and the navigation arrow, as the calls they issue.
#include "bodies/NavigationArrow.h"
#include "bodies/Schiff.h"
#include "bodies/Tumor.h"

#include <GL/glut.h>

#include "GlExpect.h"

namespace {

const double r = 1.0 / std::sqrt(2.0);
const Point tiltedUp{0, r, r};
const Point tiltedForward{0.6, -0.8 * r, 0.8 * r};

Vektor3D vec(const Point& p) { return Vektor3D(p[0], p[1], p[2]); }

}  // namespace

TEST(BodyDraw, VertexAndNormalFollowTheStoredSideUpAndForward) {
    BObject body(Vektor3D(4, -1, 2.5), vec(tiltedUp), vec(tiltedForward), Vektor3D(), Vektor3D());
    // Neither operation refreshes side: while it is still zero, a moves nothing.
    glrecorder::start();
    body.bodyVertex(1.0, 0.0, 0.0);
    body.refreshSide();
    body.bodyVertex(0.3, -0.2, 1.5);
    body.bodyNormal(1.0, -2.0, 0.5);

    const Frame frame{{4, -1, 2.5}, cross(tiltedUp, tiltedForward), tiltedUp, tiltedForward};
    Expected e;
    e.vertex({4, -1, 2.5}).vertex(frame.at(0.3, -0.2, 1.5)).normal(frame.direction(1, -2, 0.5));
    expectCalls(glrecorder::calls(), e.calls);
}

TEST(BodyDraw, HudVertexStandsOnThePlaneTwoUnitsAhead) {
    Schiff ship(Vektor3D(1, 2, 3), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(), Vektor3D());
    ship.updateHudOrigin();
    glrecorder::start();
    ship.hudVertex(0.1, -0.78, 0);
    expectCalls(glrecorder::calls(), Expected().vertex({1.1, 1.22, 5}).calls);

    Schiff tilted(Vektor3D(-7, 3, 12), vec(tiltedUp), vec(tiltedForward), Vektor3D(), Vektor3D());
    tilted.updateHudOrigin();
    glrecorder::start();
    tilted.hudVertex(-0.4, 0.25, 0.7);
    const Point ahead{-7 + 2 * tiltedForward[0], 3 + 2 * tiltedForward[1],
                      12 + 2 * tiltedForward[2]};
    const Frame hud{ahead, cross(tiltedUp, tiltedForward), tiltedUp, tiltedForward};
    expectCalls(glrecorder::calls(), Expected().vertex(hud.at(-0.4, 0.25, 0.7)).calls);
}

TEST(BodyDraw, TumorIssuesExactlyFiveCalls) {
    Tumor tumor(Vektor3D(1, 2, 3));
    tumor.size = 0.5f;
    glrecorder::start();
    tumor.draw();
    Expected e;
    e.call("glPushMatrix")
        .call("glTranslated", {1, 2, 3})
        .color4d(1, 1, 1, 0.5)
        .call("glutSolidSphere", {1.0, 10, 10})
        .call("glPopMatrix");
    expectCalls(glrecorder::calls(), e.calls);
}

TEST(BodyDraw, ArrowAlongAnAxisDrawsTheTabledDart) {
    NavigationArrow ahead(Vektor3D(0, 0, 0), Vektor3D(0, 0, 5));
    glrecorder::start();
    ahead.draw();
    Expected e;
    e.begin(GL_TRIANGLES).color4d(0, 10, 0, 0.2);
    e.vertex({-0.1, 0, 0}).vertex({0.1, 0, 0}).vertex({0, 0, 0.5});
    e.vertex({0, -0.1, 0}).vertex({0, 0.1, 0}).vertex({0, 0, 0.5}).end();
    expectCalls(glrecorder::calls(), e.calls);

    // Pointing along +x: up is +z, so side is +y.
    NavigationArrow sideways(Vektor3D(1, 2, 3), Vektor3D(3, 0, 0));
    glrecorder::start();
    sideways.draw();
    Expected s;
    s.begin(GL_TRIANGLES).color4d(0, 10, 0, 0.2);
    s.vertex({1, 1.9, 3}).vertex({1, 2.1, 3}).vertex({1.5, 2, 3});
    s.vertex({1, 2, 2.9}).vertex({1, 2, 3.1}).vertex({1.5, 2, 3}).end();
    expectCalls(glrecorder::calls(), s.calls);
}

TEST(BodyDraw, ArrowOffTheAxesUsesItsSkewedUpAndNormalisedSide) {
    for (const Point& d : {Point{1, 1, 0}, Point{-2, 0.5, 3}, Point{0.1, -4, 0.2}}) {
        NavigationArrow arrow(Vektor3D(0.5, -0.5, 2), vec(d));
        glrecorder::start();
        arrow.draw();
        expectCalls(glrecorder::calls(), expectedArrow({0.5, -0.5, 2}, d).calls);
    }
}

TEST(BodyDraw, DegenerateArrowsDrawNothing) {
    for (const Point& d : {Point{0, 0, 0}, Point{2, 2, 2}, Point{-0.5, -0.5, -0.5}}) {
        NavigationArrow arrow(Vektor3D(1, 1, 1), vec(d));
        glrecorder::start();
        arrow.draw();
        EXPECT_TRUE(glrecorder::calls().empty()) << d[0] << " " << d[1] << " " << d[2];
    }
}
