// The mission state: what runMission resets, frameTick plays on and the scene draws.
#pragma once

#include "bodies/Schiff.h"
#include "bodies/Tumor.h"

// Process-wide by design. Constructed before main (after the airway graph, in
// MissionState.cpp) and destroyed at exit; runMission re-initialises them by assignment at
// every mission start, frameTick and the scene drawing change them while that mission's main
// loop runs, and between missions they keep their last values. Single-threaded: the GLUT
// main loop runs on the thread that called runMission, so nothing here needs a lock.
extern Schiff ship;          // the player's ship, owning its missiles
extern Tumor targetTumor;    // the live tumor that missiles are tested against
extern Tumor fadingTumor;    // the last tumor hit, shrinking away; size 0 means none
extern unsigned int wallList;  // display list of the airway walls, valid in the mission window
extern int shotCount;        // missiles launched this mission
extern int hitCount;         // tumors hit this mission
extern float fogPhase;       // signed; the fog density drawn is its absolute value
extern bool clearOfWall;     // the ship was clear of the wall at the last wall test
extern int lastClock;        // platform::elapsedMillis() at the previous frame-timing step
extern int frameMillis;      // milliseconds gathered since the last executed frame
extern int endMillis;        // milliseconds spent in the end phase (ship destroyed or time out)
