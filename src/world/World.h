// The game's airway world as the rest of the program uses it: the one graph, loaded from
// "./Bronchi.gra", and the wall test over the wall table that is compiled into the program.
#pragma once

#include <memory>

#include "math/Vektor3D.h"
#include "world/BronchiGraph.h"
#include "world/WallCollision.h"

// The graph, loaded by the first call. main makes that call before anything else, so that the
// loader's progress lines are the program's first output.
const BronchiGraph& bronchiGraph();
// Makes the first call with the loader's progress lines kept off the console.
void loadBronchiGraphQuietly();
// Any graph file, loaded with its progress lines kept off the console.
std::unique_ptr<BronchiGraph> loadGraphQuietly(const char* fileName);

// The wall table compiled into the program (BronchiMesh and its group index).
extern const WallTable bronchiWall;

// True while the position lies on the lumen side of the airway wall next to it, judged against
// bronchiGraph() and BronchiMesh.
bool insideAirway(Vektor3D position);
