// Recorded missions played again: checked without a window, or shown in the mission window.
#pragma once

#include <string>

struct Recording;

// Reads the recording in `file` and flies it without a window: empty when the file is complete
// and consistent (the mission ends exactly at its last frame), otherwise "FILE: what is wrong".
// Leaves the mission state as the flown mission ended.
std::string checkRecording(const std::string& file, Recording& recording);

// --verify FILE: checks the recording and prints the review of its mission; the exit status,
// 0 for a complete, consistent recording and 2 otherwise.
int verifyRecording(const std::string& file);
