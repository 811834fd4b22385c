// The ten-place high-score table and its text file "highscores.vxr".
#pragma once

#include <cstdint>
#include <string>

class HighScoresItem {
public:
    std::string name;
    std::int32_t score = 0;

    HighScoresItem() = default;
    HighScoresItem(std::string name, std::int32_t score);
    HighScoresItem(const HighScoresItem&) = default;
    HighScoresItem& operator=(const HighScoresItem&) = default;
    virtual ~HighScoresItem() = default;
};

class HighScores {
public:
    static constexpr int capacity = 10;

    std::string fileName;
    HighScoresItem items[capacity];  // index 0 is place 1

    // Loads the table; a missing or unreadable file gives ten placeholders ("-", 0).
    explicit HighScores(const std::string& fileName);
    HighScores(const HighScores&) = default;
    HighScores& operator=(const HighScores&) = default;
    virtual ~HighScores() = default;

    // Offers one result; true when the table changed.
    bool insert(std::string name, std::int32_t score);
    // Falling scores by selection sort, which does not keep equal scores in order.
    void sort();
    // Replaces the file with the ten entries; a table that cannot be stored is dropped silently.
    void save() const;
    // The ten places on standard output, "3: ann (1200)".
    void print() const;
};

// The listing of the high-score screen: the table of "highscores.vxr" in the working folder.
void showHighScores();
