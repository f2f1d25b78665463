// textview/ (platform-free core): the lesson records and their plain-text export.
//
// A lesson is a flat byte string of records (style byte, parameter byte, zero-terminated 8-bit
// text) closed by a zero style byte. Every reader walks it with LessonRecordWalker, which never
// reads past the buffer it is given: a lesson whose end marker is missing ends with its buffer.
// The export half turns a lesson into the UTF-16 text that goes to the clipboard (one line per
// record, an empty line after a gap, hyphens for a rule) into a buffer sized in advance.
//
// No platform here: the reader's text view, the book tool and the fuzzers share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Style byte bits.
constexpr uint8_t kStyleFontKeyMask = 0x1F;
constexpr uint8_t kStyleRuleKey = 0x07;  // font key & 7 == 7: a rule record
constexpr uint8_t kStyleAlignMask = 0x60;
constexpr uint8_t kStyleGap = 0x80;  // a blank row (an empty line in the export) follows
// Parameter byte bits of a text record.
constexpr uint8_t kParamIndentMask = 0x3F;
constexpr uint8_t kParamLabelMask = 0xC0;
// Rule parameters up to this are pixels; above it, (parameter - 160) x 2 percent of the width.
constexpr uint8_t kRulePixelLimit = 160;

inline bool IsRuleStyle(uint8_t style) { return (style & kStyleRuleKey) == kStyleRuleKey; }

// One record as the walker finds it. `text` views the record's text without its zero byte.
struct LessonRecord {
    size_t offset;  // of the style byte, from the start of the lesson
    uint8_t style;
    uint8_t parameter;
    std::string_view text;
};

class LessonRecordWalker {
  public:
    explicit LessonRecordWalker(std::span<const uint8_t> lesson) : lesson_(lesson) {}

    // The next record, or false at the end marker or at the end of the buffer. A record cut
    // short by the buffer's end (no parameter byte, no zero after its text) is still returned,
    // with what the buffer holds of it; the walk then ends.
    bool Next(LessonRecord* record);
    // Where the walk stopped: the offset of the end marker, or the buffer's length when the
    // marker is missing (then AtEndMarker() is false). Valid once Next has returned false.
    size_t EndOffset() const { return position_; }
    bool AtEndMarker() const { return atEndMarker_; }
    // True when a record ran into the end of the buffer before its text's zero byte.
    bool Truncated() const { return truncated_; }

  private:
    std::span<const uint8_t> lesson_;
    size_t position_ = 0;
    bool atEndMarker_ = false;
    bool truncated_ = false;
    bool done_ = false;
};

// The check the text view applies before it accepts a lesson: the first style byte is not 0,
// and the first record has text unless it is a rule.
bool LessonIsAcceptable(std::span<const uint8_t> lesson);

// The number of hyphens a rule record exports: its parameter up to 160, (parameter - 160) x 2
// above, none for 0.
int RuleDashCount(uint8_t parameter);

// The terms of the export size. `lengthAndHalf` is L + L / 2 with L the offset of the end
// marker; `ruleShort` the sum of rule parameters up to 160; `ruleLong` the sum of
// (parameter - 160) x 2 above 160; `indents` the sum of the text records' indent bits.
struct ExportCounts {
    size_t lengthAndHalf = 0;
    size_t ruleShort = 0;
    size_t ruleLong = 0;
    size_t indents = 0;
};
// Walks the records once and returns R: the number of records plus the number with the gap bit.
size_t CountExportSize(std::span<const uint8_t> lesson, ExportCounts* counts);
// S, in bytes: 2 x (L + L / 2 + 2R + P + Q + I + 1). Always holds the export text and its
// terminating zero code unit.
size_t ExportBufferSize(std::span<const uint8_t> lesson);

// Writes the hyphens of one rule record at `position` and returns the position after them.
// Writes nothing past `end` (the returned position is then `end`).
char16_t* AppendRuleDashes(const LessonRecord& record, char16_t* position, char16_t* end);

constexpr int kExportOk = 0;
constexpr int kExportDidNotFit = 1;
// Writes the export text of `lesson` and its zero code unit into `buffer` of `sizeBytes`
// bytes. Returns kExportOk, or kExportDidNotFit when the text and its zero did not fit: the
// buffer then holds what fitted, and the caller tells the user (nothing should reach the
// clipboard).
int ConvertForExport(std::span<const uint8_t> lesson, char16_t* buffer, size_t sizeBytes);

// The export text of a lesson as one string (sized by ExportBufferSize), without its zero.
std::u16string ExportText(std::span<const uint8_t> lesson);

// UTF-16 text (the export text, a caption widened byte by byte) as UTF-8 for printing.
// kLf turns each CR LF into LF. Unpaired surrogates become U+FFFD.
enum class LineEnds { kKeep, kLf };
std::string Utf16ToUtf8(std::u16string_view text, LineEnds lineEnds = LineEnds::kKeep);
// 8-bit book text (each byte is the code point of the same value) as UTF-8.
std::string BookTextToUtf8(std::string_view text);
