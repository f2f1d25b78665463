// Small book fixtures made in the tests: English-like text, lesson records, packs and books.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "book/book.h"

// Appends text bytes one at a time (GCC 12 warns falsely about a range insert into a
// vector that starts from a short initializer list).
inline void AppendText(std::vector<uint8_t>* bytes, const std::string& text) {
    for (char c : text) bytes->push_back(static_cast<uint8_t>(c));
}

// Words drawn with a skewed frequency, so that text repeats as real prose does.
inline std::vector<uint8_t> EnglishLikeText(size_t size, unsigned seed) {
    static const char* const kWords[] = {
        "the",   "and",    "of",     "to",      "that",  "in",     "he",    "shall", "unto",
        "for",   "I",      "his",    "a",       "LORD",  "they",   "be",    "is",    "him",
        "not",   "them",   "it",     "with",    "all",   "thou",   "thy",   "was",   "God",
        "which", "my",     "me",     "said",    "but",   "ye",     "their", "have",  "will",
        "thee",  "from",   "as",     "are",     "when",  "this",   "out",   "were",  "upon",
        "man",   "by",     "you",    "Israel",  "king",  "son",    "up",    "there", "hath",
        "then",  "people", "came",   "had",     "house", "into",   "on",    "her",   "come",
        "one",   "we",     "children", "before", "your", "also",   "day",   "land",  "men",
        "let",   "go",     "Moses",  "David",   "saying", "against", "earth", "hand", "city",
        "waters", "firmament", "light", "darkness", "morning", "evening", "heaven", "great"};
    std::mt19937 rng(seed);
    std::vector<uint8_t> text;
    text.reserve(size);
    size_t sentence = 0;
    while (text.size() < size) {
        size_t n = sizeof kWords / sizeof kWords[0];
        // Squaring a uniform draw favours the front of the list.
        double r = std::uniform_real_distribution<double>(0, 1)(rng);
        std::string word = kWords[static_cast<size_t>(r * r * n)];
        if (sentence == 0) word[0] = static_cast<char>(std::toupper(word[0]));
        sentence++;
        if (sentence > 6 + rng() % 12) {
            word += rng() % 3 ? "." : ";";
            sentence = 0;
        } else if (rng() % 9 == 0) {
            word += ",";
        }
        word += ' ';
        text.insert(text.end(), word.begin(), word.end());
    }
    text.resize(size);
    return text;
}

// A lesson of about `size` bytes: a heading, numbered notes, a rule, the end marker.
inline std::vector<uint8_t> LessonText(const std::string& heading, size_t size) {
    std::vector<uint8_t> lesson = {0xC1, 0x00};
    AppendText(&lesson, heading);
    lesson.push_back(0);
    unsigned seed = 1;
    for (int verse = 1; lesson.size() < size; verse++) {
        lesson.push_back(0x81);
        lesson.push_back(0x40);
        AppendText(&lesson, std::to_string(verse) + " ");
        std::vector<uint8_t> body = EnglishLikeText(60 + verse % 7 * 20, seed++);
        lesson.insert(lesson.end(), body.begin(), body.end());
        lesson.push_back(0);
    }
    lesson.insert(lesson.end(), {0xC7, 0xC5, 0x00});
    lesson.insert(lesson.end(), {0x00, 0x00, 0x00});
    return lesson;
}

// One compressed chunk per text.
inline std::vector<CompressedChunk> CompressChunks(const std::vector<std::vector<uint8_t>>& texts) {
    std::vector<CompressedChunk> chunks;
    for (const auto& t : texts) {
        chunks.push_back({PalmDocCompress(t), static_cast<uint16_t>(t.size())});
    }
    return chunks;
}

inline std::vector<uint8_t> MakePack(uint16_t firstDay, uint16_t lastDay,
                                     const std::vector<std::vector<uint8_t>>& texts) {
    std::string error;
    auto pack = BuildPack(firstDay, lastDay, CompressChunks(texts), &error);
    return pack ? *pack : std::vector<uint8_t>{};
}

// A short lesson whose text names its day: "day M-D".
inline std::vector<uint8_t> DayLesson(int month, int day) {
    std::string text = "day " + std::to_string(month) + "-" + std::to_string(day);
    // A heading record, then the end marker.
    std::vector<uint8_t> lesson = {0xC1, 0x00};
    AppendText(&lesson, text);
    for (int i = 0; i < 4; i++) lesson.push_back(0);
    return lesson;
}

// The packs of one leap-year month with days 1 to `lastDay` (31 for the day-31 packs).
inline void AddMonth(std::map<uint32_t, std::vector<uint8_t>>* resources, int month, int lastDay) {
    for (int third = 0; third < 3; third++) {
        int first = 1 + 11 * third;
        int last = third < 2 ? first + 10 : lastDay;
        std::vector<std::vector<uint8_t>> texts;
        for (int day = first; day <= last; day++) texts.push_back(DayLesson(month, day));
        (*resources)[static_cast<uint32_t>(1046 + 3 * month + third)] =
            MakePack(static_cast<uint16_t>(first), static_cast<uint16_t>(std::min(last, 30)),
                     texts);
    }
}
