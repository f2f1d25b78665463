#include "textview/lesson_text.h"

#include <cstring>

bool LessonRecordWalker::Next(LessonRecord* record) {
    if (done_) return false;
    const size_t size = lesson_.size();
    if (position_ >= size) {
        // The buffer ended where the end marker should have been.
        position_ = size;
        done_ = true;
        return false;
    }
    if (lesson_[position_] == 0) {
        atEndMarker_ = true;
        done_ = true;
        return false;
    }
    record->offset = position_;
    record->style = lesson_[position_];
    record->parameter = position_ + 1 < size ? lesson_[position_ + 1] : 0;
    size_t textStart = position_ + 2 < size ? position_ + 2 : size;
    const uint8_t* begin = lesson_.data() + textStart;
    const void* zero = std::memchr(begin, 0, size - textStart);
    size_t textLength = zero ? static_cast<const uint8_t*>(zero) - begin : size - textStart;
    record->text = std::string_view(reinterpret_cast<const char*>(begin), textLength);
    if (zero) {
        position_ = textStart + textLength + 1;
    } else {
        truncated_ = true;
        position_ = size;
        done_ = true;
    }
    return true;
}

bool LessonIsAcceptable(std::span<const uint8_t> lesson) {
    LessonRecordWalker walker(lesson);
    LessonRecord first;
    if (!walker.Next(&first)) return false;
    return IsRuleStyle(first.style) || !first.text.empty();
}

int RuleDashCount(uint8_t parameter) {
    return parameter <= kRulePixelLimit ? parameter : (parameter - kRulePixelLimit) * 2;
}

size_t CountExportSize(std::span<const uint8_t> lesson, ExportCounts* counts) {
    ExportCounts c;
    size_t records = 0;
    LessonRecordWalker walker(lesson);
    LessonRecord record;
    while (walker.Next(&record)) {
        records += (record.style & kStyleGap) ? 2 : 1;
        if (IsRuleStyle(record.style)) {
            if (record.parameter <= kRulePixelLimit) {
                c.ruleShort += record.parameter;
            } else {
                c.ruleLong += RuleDashCount(record.parameter);
            }
        } else {
            c.indents += record.parameter & kParamIndentMask;
        }
    }
    size_t length = walker.EndOffset();
    c.lengthAndHalf = length + length / 2;
    if (counts) *counts = c;
    return records;
}

size_t ExportBufferSize(std::span<const uint8_t> lesson) {
    ExportCounts c;
    size_t r = CountExportSize(lesson, &c);
    return 2 * (c.lengthAndHalf + 2 * r + c.ruleShort + c.ruleLong + c.indents + 1);
}

char16_t* AppendRuleDashes(const LessonRecord& record, char16_t* position, char16_t* end) {
    for (int n = RuleDashCount(record.parameter); n > 0 && position < end; --n) {
        *position++ = u'-';
    }
    return position;
}

int ConvertForExport(std::span<const uint8_t> lesson, char16_t* buffer, size_t sizeBytes) {
    char16_t* out = buffer;
    char16_t* const end = buffer + sizeBytes / 2;
    // Returns false when the unit did not fit.
    auto put = [&](char16_t unit) {
        if (out >= end) return false;
        *out++ = unit;
        return true;
    };
    LessonRecordWalker walker(lesson);
    LessonRecord record;
    while (walker.Next(&record)) {
        if (IsRuleStyle(record.style)) {
            int dashes = RuleDashCount(record.parameter);
            if (end - out < dashes) return kExportDidNotFit;
            out = AppendRuleDashes(record, out, end);
        } else {
            // Each book byte is the code unit of the same value.
            for (char c : record.text) {
                if (!put(static_cast<uint8_t>(c))) return kExportDidNotFit;
            }
        }
        if (!put(u'\r') || !put(u'\n')) return kExportDidNotFit;
        if ((record.style & kStyleGap) && (!put(u'\r') || !put(u'\n'))) return kExportDidNotFit;
    }
    return put(0) ? kExportOk : kExportDidNotFit;
}

std::u16string ExportText(std::span<const uint8_t> lesson) {
    std::u16string text(ExportBufferSize(lesson) / 2, u'\0');
    if (ConvertForExport(lesson, text.data(), text.size() * 2) != kExportOk) return {};
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return text;
}

namespace {

void AppendUtf8(std::string* out, uint32_t cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text, LineEnds lineEnds) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t unit = text[i];
        if (lineEnds == LineEnds::kLf && unit == u'\r' && i + 1 < text.size() &&
            text[i + 1] == u'\n') {
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            AppendUtf8(&out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(&out, 0xFFFD);
        } else {
            AppendUtf8(&out, unit);
        }
    }
    return out;
}

std::string BookTextToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) AppendUtf8(&out, static_cast<uint8_t>(c));
    return out;
}
