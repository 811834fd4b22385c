// The navigation arrow's drawing; the tumor's is checked in the scene's.
#include "bodies/NavigationArrow.h"

#include "GlExpect.h"

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
