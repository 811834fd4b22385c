// Loading, ranking and printing the high-score table, and replacing its file so that a crash
// or a full disk never leaves half a table behind.
#include "console/HighScores.h"

#include "platform/Files.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <utility>

namespace {

const HighScoresItem placeholder("-", 0);

// A whole word of decimal digits with an optional sign, within the 32-bit range.
bool parseScore(const std::string& word, std::int32_t& score)
{
    std::size_t i = (word[0] == '+' || word[0] == '-') ? 1 : 0;
    if (i == word.size())
        return false;
    long long magnitude = 0;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9')
            return false;
        magnitude = magnitude * 10 + (word[i] - '0');
        if (magnitude > 1LL + INT32_MAX)
            return false;
    }
    const long long value = word[0] == '-' ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return false;
    score = static_cast<std::int32_t>(value);
    return true;
}

}  // namespace

HighScoresItem::HighScoresItem(std::string name, std::int32_t score) : name(std::move(name)), score(score) {}

HighScores::HighScores(const std::string& fileName) : fileName(fileName)
{
    for (HighScoresItem& item : items)
        item = placeholder;
    std::ifstream in(fileName);
    std::string name;
    std::string scoreWord;
    std::int32_t score = 0;
    for (HighScoresItem& item : items) {
        if (!(in >> name >> scoreWord) || !parseScore(scoreWord, score))
            break;
        item = HighScoresItem(name, score);
    }
}

bool HighScores::insert(std::string name, std::int32_t score)
{
    // The lowest-placed entry of a returning player is the one that counts.
    for (int i = capacity - 1; i >= 0; --i) {
        if (items[i].name == name) {
            if (items[i].score >= score)
                return false;
            items[i].score = score;
            return true;
        }
    }
    for (int i = 0; i < capacity; ++i) {
        if (items[i].score < score) {
            for (int j = capacity - 1; j > i; --j)
                items[j] = items[j - 1];
            items[i] = HighScoresItem(std::move(name), score);
            return true;
        }
    }
    return false;
}

void HighScores::sort()
{
    for (int i = 0; i < capacity; ++i) {
        int best = i;
        for (int j = i + 1; j < capacity; ++j) {
            if (items[j].score > items[best].score)
                best = j;
        }
        if (best != i)
            std::swap(items[i], items[best]);
    }
}

void HighScores::save() const
{
    std::ostringstream text;
    for (const HighScoresItem& item : items)
        text << item.name << ' ' << item.score << '\n';
    platform::replaceFile(fileName, text.str());
}

void HighScores::print() const
{
    for (int place = 1; place <= capacity; ++place) {
        const HighScoresItem& item = items[place - 1];
        std::cout << place << ": " << item.name << " (" << item.score << ")" << std::endl;
    }
}

void showHighScores()
{
    HighScores("highscores.vxr").print();
}
