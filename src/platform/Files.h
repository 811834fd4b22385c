// Files the game writes: replaced whole, so that a crash or a full disk never leaves half of one.
#pragma once

#include <string>

namespace platform {

// Writes text as the file's new content: a complete new file beside the old one takes its
// place. A file the player may not write is left alone; where no new file can be made beside
// it, the old one is overwritten in place. Failures are silent.
void replaceFile(const std::string& fileName, const std::string& text);

// Gives a complete file its final name, replacing any file of that name; false if it cannot.
bool moveFileOver(const std::string& from, const std::string& to);

}  // namespace platform
