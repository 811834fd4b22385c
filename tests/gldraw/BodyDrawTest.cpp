// Drawing of the simple bodies: the display vertex, the tumor and the arrow. Body-frame vertices
// and normals are checked through the missile's and the arrow's tables.
#include "bodies/NavigationArrow.h"
#include "bodies/Schiff.h"
#include "bodies/Tumor.h"

#include "GlExpect.h"

TEST(BodyDraw, HudVertexStandsOnThePlaneTwoUnitsAhead) {
    Schiff ship({1, 2, 3}, {0, 1, 0}, {0, 0, 1}, {}, {});
    ship.updateHudOrigin();
    glrecorder::start();
    ship.hudVertex(0.1, -0.78, 0);
    expectCalls(glrecorder::calls(), {vertex({1.1, 1.22, 5})});
}

TEST(BodyDraw, TumorIssuesExactlyFiveCalls) {
    Tumor tumor({1, 2, 3});
    tumor.size = 0.5f;
    glrecorder::start();
    tumor.draw();
    expectCalls(glrecorder::calls(), {gl("glPushMatrix"), gl("glTranslated", {1, 2, 3}),
                                      gl("glColor4d", {1, 1, 1, 0.5}),
                                      gl("glutSolidSphere", {1, 10, 10}), gl("glPopMatrix")});
}

TEST(BodyDraw, ArrowDrawsTheTabledDartAndNothingForDegenerateDirections) {
    // Along z as tabled, along x (up +z, side +y), off the axes with a skewed up; then
    // directions of zero length or with equal components.
    for (const Point& d : {Point{0, 0, 5}, Point{3, 0, 0}, Point{1, 1, 0}, Point{-2, 0.5, 3},
                           Point{0, 0, 0}, Point{2, 2, 2}, Point{-1, -1, -1}}) {
        NavigationArrow arrow({0.5, -0.5, 2}, {d[0], d[1], d[2]});
        glrecorder::start();
        arrow.draw();
        const bool degenerate = d[0] == d[1] && d[1] == d[2];
        expectCalls(glrecorder::calls(), degenerate ? Calls{} : expectedArrow({0.5, -0.5, 2}, d));
    }
}
