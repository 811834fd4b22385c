// Makes the high-score update of one mission in the working folder, as the game does after the
// review, and writes "s" on standard output just before the save and "d" after it, so that a
// test can kill it while it saves.   oncoraider_savekill NAME POINTS
#include <unistd.h>

#include <cstdlib>

#include "console/HighScores.h"

int main(int argc, char* argv[])
{
    if (argc != 3)
        return 2;
    HighScores table = HighScores("highscores.vxr");
    if (!table.insert(argv[1], static_cast<std::int32_t>(std::atol(argv[2]))))
        return 1;
    table.sort();
    // Unbuffered: the mark must be out before the save starts.
    if (write(STDOUT_FILENO, "s", 1) != 1)
        return 3;
    table.save();
    return write(STDOUT_FILENO, "d", 1) == 1 ? 0 : 3;
}
