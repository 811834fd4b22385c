// The GLUT idle callback of a mission: frame pacing and, when a frame is due, the whole frame.
#pragma once

#include "math/Vektor3D.h"
#include "mission/FlightKeys.h"

class RecordingWriter;
struct Recording;

// What a frame needs beyond its own logic: the GL and GLUT side, and the airway wall.
// runMission points it at the mission window and the real wall; tests and the recording check
// at stand-ins, so the game logic of a frame runs without a window.
struct FrameHooks {
    void (*leaveMainLoop)();
    // Clear, reset the model-view matrix, set the fog density.
    void (*beginFrame)(float fogDensity);
    // Camera, walls, the live tumor, the fading one if asked, and while the ship is alive its
    // missiles (with the hit test) and the heads-up display.
    void (*drawScene)(bool shipAlive, bool drawFading);
    void (*swapBuffers)();
    bool (*insideAirway)(Vektor3D position);
};

extern FrameHooks frameHooks;

// Runs a frame only when more than 25 ms have gathered since the previous one; otherwise
// sleeps until one is due, so that the idle loop does not spin a core.
void frameTick();

// One frame of frameMillis milliseconds in which `keys` counted (they act only while the ship is
// alive): everything after the timing, up to the buffer swap, then frameMillis back to 0.
void playFrame(FlightKeys keys);

// Where the frames of the next mission come from and go to: nullptr for the clock and the
// keyboard, and for no recording. With a recording to play, a frame is due once its recorded
// milliseconds have gathered, and only ESC is read from the keyboard.
void playRecording(const Recording* recording);
void recordFrames(RecordingWriter* writer);
