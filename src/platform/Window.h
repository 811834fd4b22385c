// The mission window's side of the platform: whether a window can be had at all, its keys,
// and closing it so that the next mission can open another.
#pragma once

#include <string>

namespace platform {

// Empty when glutInit would find a display for a double-buffered RGB window with depth (on X,
// the display of DISPLAY or of a -display option among the arguments, with GLX); otherwise why
// not, as a sentence for the console. freeglut would end the process instead. Call it before
// glutInit: on X it also sets how many threads Mesa's software rasteriser starts.
std::string missionDisplayProblem(int argc, char* argv[]);

// Feeds the current GLUT window's key presses and releases, key repeat ignored, into the key
// state that keyPressed reads, and watches the window's focus for sampleKeyboard. Letters
// count case-insensitively. F11 switches between full screen and a window.
void listenToMissionKeys();

// Closes the current GLUT window after the last frame's swap, and returns once the window is
// off the screen. Call it in the frame that left the main loop; glutMainLoop then returns with
// the display closed cleanly.
void closeMissionWindow();

// Tests: the virtual-key code of a GLUT key or special key, 0 for keys the game has no use for.
int keyCodeForGlutKey(unsigned char key);
int keyCodeForGlutSpecialKey(int key);

}  // namespace platform
