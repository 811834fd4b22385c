// The game's airway world as the rest of the program uses it: the one graph loaded at start-up
// and the wall test over the wall table that is compiled into the program.
#pragma once

#include "math/Vektor3D.h"
#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

// Loaded from "./Bronchi.gra" during static initialisation, before the global ship and tumors
// (all three are defined in mission/MissionState.cpp, which fixes that order).
extern BronchiGraph bronchiGraph;

// The wall table compiled into the program (BronchiMesh and its group index).
extern const WallTable bronchiWall;

// True while the position lies on the lumen side of the airway wall next to it, judged against
// bronchiGraph and BronchiMesh.
bool insideAirway(Vektor3D position);
