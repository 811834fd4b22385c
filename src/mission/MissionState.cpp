// The program's own globals, defined in one file because only within a file does C++ fix
// their order of construction: the airway graph first (its loading lines are the program's
// first output), then the ship and the two tumors of the mission state.
#include "mission/MissionState.h"

#include "world/BronchiGraph.h"

BronchiGraph bronchiGraph("./Bronchi.gra");

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
