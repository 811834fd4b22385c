// The GL side of a mission window: projection, fixed state and the wall list, and what a frame
// draws. runMission uses it for its window; benchmarks and tests for windows of their own.
#pragma once

// The GLUT reshape callback: the viewport follows the window; the projection stays.
void onReshape(int width, int height);

// Projection, fixed state and the wall display list, whose shades come from srand(21822).
void setUpMissionGl();
// The airway walls, from wallList.
void drawWalls();

// The frame hooks' drawing in the mission window: clear, reset the model-view matrix and set
// the fog density; then the camera, walls, tumors, and while the ship is alive its missiles
// (with the hit test) and the heads-up display.
void beginFrame(float fogDensity);
void drawScene(bool shipAlive, bool drawFading);
