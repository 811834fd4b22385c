// The mission state's globals, defined in one file because only within a file does C++ fix
// their order of construction: the ship, then the two tumors. (The airway graph is loaded by
// main, first of all: see world/World.h.)
#include "mission/MissionState.h"

Schiff ship;
Tumor targetTumor;
Tumor fadingTumor;

unsigned int wallList = 0;
int shotCount = 0;
int hitCount = 0;
float fogPhase = 0.0f;
bool clearOfWall = true;
int lastClock = 0;
int frameMillis = 0;
int endMillis = 0;
