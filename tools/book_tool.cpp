#include "tools/book_tool.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>

#include "book/book.h"
#include "resources/builtin_book.h"
#include "search/lesson_search.h"
#include "textview/lesson_text.h"
#include "tools/booksource.h"

namespace {

constexpr const char* kUsage =
    "usage: velin-book [--book FILE] COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  build SOURCE... -o BOOK.vbk   compile book sources into a book file\n"
    "  check [BOOK.vbk]              decompress and validate every part of a book\n"
    "  dump [BOOK.vbk]               list a book's packs, chunks and records\n"
    "  lesson DATE|today             the caption and the lesson of a date (YYYY-MM-DD)\n"
    "  dates                         convert ISO dates read from standard input\n"
    "  search TEXT [--case]          every occurrence of TEXT, in study-year order\n"
    "\n"
    "--book FILE names the book to read (default: the built-in book).\n"
    "velin-book COMMAND --help describes a command.\n";

constexpr const char* kBuildHelp =
    "usage: velin-book build SOURCE... -o BOOK.vbk\n"
    "\n"
    "Compiles one or more book sources (UTF-8 text in the markup of resources/book/FORMAT.md)\n"
    "into a book file. Every fault is reported with its file and line; nothing is written\n"
    "while any stands (exit 1).\n";

constexpr const char* kCheckHelp =
    "usage: velin-book check [BOOK.vbk] [--book FILE]\n"
    "\n"
    "Decompresses and validates everything in a book: every pack's chunk area and padding,\n"
    "the set of chunks each pack must hold, every chunk's expansion to exactly its stated\n"
    "length using exactly its compressed bytes, every lesson's records and end marker, and\n"
    "the table of contents (levels, labels, keys, end record, a lesson for every leaf).\n"
    "Prints each fault and a summary; exit 1 on any fault.\n";

constexpr const char* kDumpHelp =
    "usage: velin-book dump [BOOK.vbk] [--book FILE]\n"
    "\n"
    "Lists every pack (id, L, day fields), its chunks (index, N, U, day code) and the records\n"
    "of each chunk (offset, style, parameter, text shortened).\n";

constexpr const char* kLessonHelp =
    "usage: velin-book lesson DATE|today [--book FILE]\n"
    "\n"
    "Prints the Hebrew date caption of a Gregorian date (YYYY-MM-DD, years 1 to 9999), then\n"
    "the lesson of that day as plain text. Exit 2 when that day has no lesson in the book\n"
    "(e.g. a day of a 12-month study year in a book of the 13-month schedule), 1 on bad input.\n";

constexpr const char* kSearchHelp =
    "usage: velin-book search TEXT [--case] [--book FILE]\n"
    "\n"
    "Lists every occurrence of TEXT (at most 33 characters of the book's 8-bit set) in the\n"
    "book, lesson by lesson in the order of the study year (19 Kislev to 18 Kislev), the way\n"
    "the reader's Search Again walks it. Each line: the lesson's day code, its Hebrew date\n"
    "M-D-Y in the current study year (or the next one of the lesson's kind), the offset of\n"
    "the hit in the lesson and the text around it. ASCII letters match regardless of case\n"
    "unless --case is given. Exit 2 when nothing is found, 1 on bad input.\n";

constexpr const char* kDatesHelp =
    "usage: velin-book dates\n"
    "\n"
    "Reads Gregorian dates (YYYY-MM-DD, years 1 to 9999) from standard input, one a line, and\n"
    "prints for each: YYYY-MM-DD DAYNUMBER M-D-Y 0xCODE CAPTION (the day number, the Hebrew\n"
    "month-day-year, the lesson's day code and the date caption). A bad line is reported on\n"
    "standard error with its line number and skipped; the exit code is then 1.\n";

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string DayCodeText(uint16_t code) {
    std::string text = std::to_string(code & 0xFF) + " " + MonthName((code >> 8) & 0x0F);
    if (!(code & kLeapDayCodeFlag)) text += " (common)";
    return text;
}

uint16_t ReadBigEndian16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

// The book a command reads: the file named, or the built-in book.
struct LoadedBook {
    std::optional<BookFile> file;
    std::string name;
};
bool LoadBook(const std::string& path, LoadedBook* book, std::ostream& err) {
    std::string error;
    if (!path.empty()) {
        book->file = BookFile::Load(path, &error);
        book->name = path;
    } else {
        std::span<const uint8_t> image = BuiltinBookImage();
        if (image.empty()) {
            err << "velin-book: this program has no built-in book; name one with --book FILE\n";
            return false;
        }
        book->file = BookFile::View(image, &error);
        book->name = "the built-in book";
    }
    if (!book->file) {
        err << "velin-book: " << book->name << ": " << error << "\n";
        return false;
    }
    return true;
}

// --- check --------------------------------------------------------------------------------

struct Chunk {
    size_t offset;  // of the data within the resource
    uint16_t n;
    uint16_t u;
};
struct WalkedPack {
    uint16_t length = 0, firstDay = 0, lastDay = 0;
    std::vector<Chunk> chunks;
};

class BookChecker {
  public:
    BookChecker(const BookFile& book, std::ostream& out) : book_(book), out_(out) {}

    int Run(const std::string& name) {
        const auto& resources = book_.Resources();
        bool leap = false, common = false;
        for (const auto& [id, bytes] : resources) {
            leap |= id >= 1049 && id <= 1087;
            common |= id >= 1001 && id <= 1039;
            bool known = (id >= 1001 && id <= 1039) || (id >= 1049 && id <= 1087) ||
                         id == kContentsResourceId;
            if (!known) out_ << "note: resource " << id << " is not part of a book; ignored\n";
        }
        if (!leap && !common) Fault("the book has no lesson packs");
        if (leap) CheckSchedule(Schedule::kLeap);
        if (common) CheckSchedule(Schedule::kCommon);
        CheckContents();
        if (faults_ == 0) {
            out_ << name << ": OK: " << packs_ << " packs, " << lessons_.size() << " lessons, "
                 << outlineEntries_ << " contents entries\n";
            return kExitOk;
        }
        out_ << name << ": " << faults_ << (faults_ == 1 ? " fault" : " faults") << " (" << packs_
             << " packs, " << lessons_.size() << " good lessons)\n";
        return kExitFault;
    }

  private:
    void Fault(const std::string& message) {
        ++faults_;
        out_ << message << "\n";
    }

    std::span<const uint8_t> Find(uint32_t id) {
        std::span<const uint8_t> bytes;
        return book_.Find(id, &bytes) == ResourceStatus::kFound ? bytes
                                                                : std::span<const uint8_t>();
    }

    // Walks the chunk area strictly: the end marker must close the L bytes exactly, and the
    // resource may be longer than 6 + L by at most three padding bytes.
    bool WalkStrict(const std::string& name, std::span<const uint8_t> pack, WalkedPack* walked) {
        if (pack.size() < 6) {
            Fault(name + ": " + std::to_string(pack.size()) + " bytes, shorter than its header");
            return false;
        }
        walked->length = ReadBigEndian16(pack, 0);
        walked->firstDay = ReadBigEndian16(pack, 2);
        walked->lastDay = ReadBigEndian16(pack, 4);
        size_t end = 6 + static_cast<size_t>(walked->length);
        if (end > pack.size()) {
            Fault(name + ": L = " + std::to_string(walked->length) + " reaches past its " +
                  std::to_string(pack.size()) + " bytes");
            return false;
        }
        if (pack.size() - end > 3) {
            Fault(name + ": " + std::to_string(pack.size() - end) +
                  " bytes follow the chunk area (at most 3 padding bytes)");
        }
        size_t pos = 6;
        while (true) {
            if (end - pos < 4) {
                Fault(name + ": no end marker inside L (" + std::to_string(walked->chunks.size()) +
                      " chunks walked)");
                return false;
            }
            uint16_t n = ReadBigEndian16(pack, pos), u = ReadBigEndian16(pack, pos + 2);
            if (n == 0) {
                if (u != 0) Fault(name + ": the end marker has U = " + std::to_string(u));
                if (pos + 4 != end) {
                    Fault(name + ": " + std::to_string(end - pos - 4) +
                          " bytes of L follow the end marker");
                }
                return true;
            }
            if (end - pos - 4 < n) {
                Fault(name + ": chunk " + std::to_string(walked->chunks.size()) +
                      " (N = " + std::to_string(n) + ") runs past L");
                return false;
            }
            walked->chunks.push_back({pos + 4, n, u});
            pos += 4 + static_cast<size_t>(n);
        }
    }

    // Expands one chunk; empty on a fault (reported).
    std::optional<std::vector<uint8_t>> Expand(const std::string& name,
                                               std::span<const uint8_t> pack, const Chunk& c) {
        if (c.u == 0) {
            Fault(name + ": U = 0");
            return std::nullopt;
        }
        std::vector<uint8_t> out(c.u);
        DecodeResult r = PalmDocDecode(pack.subspan(c.offset, c.n), out);
        if (r.status != DecodeStatus::kOk || r.written != c.u || r.consumed != c.n) {
            const char* why = r.status == DecodeStatus::kBadDistance ? "a bad back-reference"
                              : r.status == DecodeStatus::kInputExhausted
                                  ? "the data ran out"
                                  : "not all of its data was used";
            Fault(name + ": does not expand to exactly U = " + std::to_string(c.u) +
                  " bytes from N = " + std::to_string(c.n) + " (" + why + "; " +
                  std::to_string(r.written) + " written from " + std::to_string(r.consumed) + ")");
            return std::nullopt;
        }
        return out;
    }

    bool CheckLesson(const std::string& name, std::span<const uint8_t> lesson) {
        bool good = true;
        LessonRecordWalker walker(lesson);
        LessonRecord record;
        while (walker.Next(&record)) {
            if (IsRuleStyle(record.style) && !record.text.empty()) {
                Fault(name + ": the rule record at offset " + std::to_string(record.offset) +
                      " has text");
                good = false;
            }
        }
        if (!walker.AtEndMarker()) {
            Fault(name + ": the records run to the end of the data without the end marker");
            good = false;
        }
        if (!LessonIsAcceptable(lesson)) {
            Fault(name +
                  ": the text view refuses it (its first record is the end marker, or "
                  "a text record without text)");
            good = false;
        }
        return good;
    }

    void CheckSchedule(Schedule schedule) {
        for (int m = 1; m <= 13; ++m) {
            for (int p = 0; p < 3; ++p) {
                uint32_t id = PackResourceId(schedule, m, p);
                std::string name = "pack " + std::to_string(id);
                std::span<const uint8_t> pack;
                ResourceStatus status = book_.Find(id, &pack);
                if (ScheduleMonthLength(schedule, m) == 0) {
                    if (status != ResourceStatus::kMissing) {
                        Fault(name + ": the " +
                              std::string(schedule == Schedule::kLeap ? "leap" : "common") +
                              " schedule has no month " + std::to_string(m));
                    }
                    continue;
                }
                int first = PackFirstDay(p), last = PackLastLessonDay(schedule, m, p);
                name += " (" + MonthName(m) + " " + std::to_string(first) + "-" +
                        std::to_string(last) + ")";
                if (status == ResourceStatus::kMissing) {
                    Fault(name + ": missing");
                    continue;
                }
                if (status != ResourceStatus::kFound || pack.empty()) {
                    Fault(name + ": empty");
                    continue;
                }
                ++packs_;
                WalkedPack walked;
                if (!WalkStrict(name, pack, &walked)) continue;
                int lastField = PackLastDayField(schedule, m, p);
                if (walked.firstDay != first || walked.lastDay != lastField) {
                    Fault(name + ": day fields " + std::to_string(walked.firstDay) + "-" +
                          std::to_string(walked.lastDay) + ", expected " + std::to_string(first) +
                          "-" + std::to_string(lastField));
                }
                size_t expected = static_cast<size_t>(last - first + 1);
                if (walked.chunks.size() != expected) {
                    Fault(name + ": " + std::to_string(walked.chunks.size()) +
                          " chunks, expected " + std::to_string(expected));
                }
                for (size_t i = 0; i < walked.chunks.size() && i < expected; ++i) {
                    uint16_t code = ScheduleDayCode(schedule, m, first + static_cast<int>(i));
                    std::string chunkName =
                        name + " chunk " + std::to_string(i) + " (" + DayCodeText(code) + ")";
                    auto lesson = Expand(chunkName, pack, walked.chunks[i]);
                    if (lesson && CheckLesson(chunkName, *lesson)) lessons_.insert(code);
                }
            }
        }
    }

    void CheckContents() {
        const std::string name = "contents (resource 32767)";
        std::span<const uint8_t> pack;
        ResourceStatus status = book_.Find(kContentsResourceId, &pack);
        if (status == ResourceStatus::kMissing) {
            Fault(name + ": missing");
            return;
        }
        if (status != ResourceStatus::kFound || pack.empty()) {
            Fault(name + ": empty");
            return;
        }
        ++packs_;
        WalkedPack walked;
        if (!WalkStrict(name, pack, &walked)) return;
        if (walked.firstDay != kContentsFirstDay || walked.lastDay != kContentsLastDay) {
            Fault(name + ": day fields " + std::to_string(walked.firstDay) + "-" +
                  std::to_string(walked.lastDay) + ", expected 1-255");
        }
        if (walked.chunks.size() != 1) {
            Fault(name + ": " + std::to_string(walked.chunks.size()) + " chunks, expected 1");
            if (walked.chunks.empty()) return;
        }
        auto data = Expand(name, pack, walked.chunks[0]);
        if (!data) return;
        CheckOutline(name, *data);
    }

    void CheckOutline(const std::string& name, const std::vector<uint8_t>& data) {
        std::set<uint16_t> branchKeys;
        size_t pos = 0;
        int previousLevel = 0;
        while (true) {
            std::string at = name + " at offset " + std::to_string(pos);
            if (data.size() - pos < 4) {
                Fault(at + ": the data ends without the end record");
                return;
            }
            uint16_t key = static_cast<uint16_t>(data[pos] | (data[pos + 1] << 8));
            uint8_t style = data[pos + 2], level = data[pos + 3];
            if (style == 0) {
                if (data.size() - pos < 5 || key != 0 || level != 0 || data[pos + 4] != 0) {
                    Fault(at + ": the end record is not five zero bytes");
                }
                return;
            }
            size_t labelStart = pos + 4;
            size_t labelEnd = labelStart;
            while (labelEnd < data.size() && data[labelEnd] != 0) ++labelEnd;
            if (labelEnd == data.size()) {
                Fault(at + ": the label runs to the end of the data");
                return;
            }
            std::string label(reinterpret_cast<const char*>(data.data()) + labelStart,
                              labelEnd - labelStart);
            std::string entry = at + " ('" + BookTextToUtf8(label) + "')";
            ++outlineEntries_;
            if (level < 1 || level > 3) {
                Fault(entry + ": level " + std::to_string(level) + ", not 1 to 3");
            } else if (level > previousLevel + 1) {
                Fault(entry + ": level " + std::to_string(level) + " follows level " +
                      std::to_string(previousLevel));
            }
            previousLevel = level;
            if (label.empty()) Fault(entry + ": empty label");
            bool branch = (key & 0xC000) == 0x8000, leaf = (key & 0xC000) == 0x4000;
            if (branch) {
                if (!branchKeys.insert(key).second) {
                    Fault(entry + ": branch key " + Hex(key, 4) + " is used twice");
                }
            } else if (leaf) {
                uint16_t code = key & 0x3FFF;
                if (!lessons_.count(code)) {
                    Fault(entry + ": the leaf opens " + Hex(code, 4) + " (" + DayCodeText(code) +
                          "), which has no lesson in the book");
                }
            } else {
                Fault(entry + ": key " + Hex(key, 4) + " is neither a branch nor a lesson key");
            }
            pos = labelEnd + 1;
        }
    }

    const BookFile& book_;
    std::ostream& out_;
    int faults_ = 0;
    int packs_ = 0;
    int outlineEntries_ = 0;
    std::set<uint16_t> lessons_;  // day codes whose lessons expanded and checked cleanly
};

// --- dump ---------------------------------------------------------------------------------

std::string Shortened(std::string_view text, size_t limit) {
    if (text.size() <= limit) return BookTextToUtf8(text);
    return BookTextToUtf8(text.substr(0, limit)) + "...";
}

void DumpRecords(const std::vector<uint8_t>& lesson, std::ostream& out) {
    LessonRecordWalker walker(lesson);
    LessonRecord record;
    while (walker.Next(&record)) {
        out << "    " << record.offset << " " << Hex(record.style, 2) << " "
            << Hex(record.parameter, 2) << " " << Shortened(record.text, 60) << "\n";
    }
    out << "    " << walker.EndOffset()
        << (walker.AtEndMarker() ? " end\n" : " (the data ends without the end marker)\n");
}

void DumpOutline(const std::vector<uint8_t>& data, std::ostream& out) {
    size_t pos = 0;
    while (data.size() - pos >= 4 && data[pos + 2] != 0) {
        size_t labelEnd = pos + 4;
        while (labelEnd < data.size() && data[labelEnd] != 0) ++labelEnd;
        std::string_view label(reinterpret_cast<const char*>(data.data()) + pos + 4,
                               labelEnd - pos - 4);
        uint16_t key = static_cast<uint16_t>(data[pos] | (data[pos + 1] << 8));
        out << "    " << pos << " " << Hex(key, 4) << " " << Hex(data[pos + 2], 2) << " "
            << static_cast<int>(data[pos + 3]) << " " << Shortened(label, 60) << "\n";
        pos = labelEnd + 1;
        if (pos >= data.size()) break;
    }
    out << "    " << pos << " end\n";
}

int Dump(const BookFile& book, std::ostream& out) {
    for (const auto& [id, pack] : book.Resources()) {
        bool isPack =
            (id >= 1001 && id <= 1039) || (id >= 1049 && id <= 1087) || id == kContentsResourceId;
        if (!isPack || pack.size() < 6) {
            out << "resource " << id << ": " << pack.size() << " bytes, not a pack\n";
            continue;
        }
        std::optional<PackInfo> info = WalkPack(pack);
        if (!info) {
            out << "resource " << id << ": " << pack.size() << " bytes, not a pack\n";
            continue;
        }
        out << "pack " << id << " L=" << info->length << " days " << info->firstDay << "-"
            << info->lastDay << " (" << pack.size() << " bytes"
            << (info->endMarker ? "" : ", no clean end marker") << ")\n";
        for (size_t i = 0; i < info->chunks.size(); ++i) {
            const ChunkInfo& c = info->chunks[i];
            out << "  chunk " << i << " N=" << c.n << " U=" << c.u;
            if (id != kContentsResourceId) {
                int leap = id >= 1049 ? 1 : 0;
                int k = static_cast<int>(id) - 1000 + 2 - 48 * leap;  // 3m + pack
                uint16_t code = static_cast<uint16_t>(((k / 3) << 8) |
                                                      (11 * (k % 3) + static_cast<int>(i) + 1) |
                                                      (leap ? kLeapDayCodeFlag : 0));
                out << " day " << Hex(code, 4) << " (" << DayCodeText(code) << ")";
            }
            out << "\n";
            if (c.offset > pack.size() || pack.size() - c.offset < c.n || c.u == 0) {
                out << "    (the chunk lies outside the pack)\n";
                continue;
            }
            std::vector<uint8_t> data(c.u);
            DecodeResult r = PalmDocDecode(pack.subspan(c.offset, c.n), data);
            if (r.status != DecodeStatus::kOk) {
                out << "    (the chunk does not expand: " << r.written << " of " << c.u
                    << " bytes)\n";
                data.resize(r.written);
            }
            if (id == kContentsResourceId) {
                DumpOutline(data, out);
            } else {
                DumpRecords(data, out);
            }
        }
    }
    return kExitOk;
}

// --- build --------------------------------------------------------------------------------

bool ReadFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return false;
    *text = buffer.str();
    return true;
}

// Writes beside the target and renames, so a failed write never leaves a half-written book.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

int Build(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> sources;
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o") {
            if (i + 1 >= args.size() || !output.empty()) {
                err << "velin-book build: -o needs one book file name\n";
                return kExitFault;
            }
            output = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            err << "velin-book build: unknown option " << args[i] << "\n";
            return kExitFault;
        } else {
            sources.push_back(args[i]);
        }
    }
    if (sources.empty() || output.empty()) {
        err << kBuildHelp;
        return kExitFault;
    }
    std::vector<SourceFile> files;
    for (const std::string& path : sources) {
        SourceFile file{path, {}};
        if (!ReadFile(path, &file.text)) {
            err << path << ": cannot be read\n";
            return kExitFault;
        }
        files.push_back(std::move(file));
    }
    BookSource book;
    std::vector<std::string> errors;
    std::map<uint32_t, std::vector<uint8_t>> resources;
    bool ok =
        ParseBookSources(files, &book, &errors) && BuildBookResources(book, &resources, &errors);
    for (const std::string& e : errors) err << e << "\n";
    if (!ok) {
        err << "velin-book build: " << errors.size() << (errors.size() == 1 ? " error" : " errors")
            << "; " << output << " was not written\n";
        return kExitFault;
    }
    std::vector<uint8_t> image = WriteBookFile(resources);
    if (!WriteFileAtomically(output, image)) {
        err << output << ": cannot be written\n";
        return kExitFault;
    }
    out << output << ": " << book.lessons.size() << " lessons in " << resources.size() - 1
        << " packs and the contents, " << image.size() << " bytes\n";
    return kExitOk;
}

// --- dates and lesson ---------------------------------------------------------------------

struct DateFacts {
    DayNumber day;
    CalendarDate hebrew;
    DayCode code;
    std::string caption;  // 8-bit
};
DateFacts FactsOf(const CalendarDate& date) {
    DateFacts facts;
    facts.day = GregorianToDayNumber(date.month, date.day, date.year);
    DayNumberToHebrew(facts.day, facts.hebrew);
    facts.code = DayCodeOfDate(facts.hebrew.month, facts.hebrew.day, facts.hebrew.year);
    char caption[kCaptionSize] = {};
    int length = FormatDateCaption(facts.hebrew, caption);
    facts.caption.assign(caption, length > 0 ? static_cast<size_t>(length) : 0);
    return facts;
}

std::string IsoText(const CalendarDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(date.year),
                  static_cast<int>(date.month), static_cast<int>(date.day));
    return text;
}

int Dates(std::istream& in, std::ostream& out, std::ostream& err) {
    int result = kExitOk;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) continue;  // a blank line
        CalendarDate date;
        if (!ParseIsoDate(line.substr(start), &date)) {
            err << "line " << number << ": '" << line.substr(start)
                << "' is not a date YYYY-MM-DD of the years 1 to 9999\n";
            result = kExitFault;
            continue;
        }
        out << DateLine(date) << "\n";
    }
    return result;
}

int Lesson(const std::vector<std::string>& args, const std::string& bookPath, std::ostream& out,
           std::ostream& err) {
    if (args.size() != 1) {
        err << kLessonHelp;
        return kExitFault;
    }
    CalendarDate date;
    if (args[0] == "today") {
        date = TodayDate();
    } else if (!ParseIsoDate(args[0], &date)) {
        err << "velin-book lesson: '" << args[0]
            << "' is not a date YYYY-MM-DD of the years 1 to 9999 (or 'today')\n";
        return kExitFault;
    }
    if (date.year < kMinGregorianYear || date.year > kMaxGregorianYear) {
        err << "velin-book lesson: today's date lies outside the years 1 to 9999\n";
        return kExitFault;
    }
    std::string error;
    if (!InstallBook(bookPath, &error)) {
        err << "velin-book: " << error << "\n";
        return kExitFault;
    }
    DateFacts facts = FactsOf(date);
    out << BookTextToUtf8(facts.caption) << "\n";
    int reason = 0;
    size_t length = 0;
    ByteBuffer lesson = LoadLesson(facts.code, &reason, &length);
    if (!lesson) {
        if (!(facts.code & kLeapDayCodeFlag)) {
            err << IsoText(date) << ": the study year of this day has 12 months, and the book "
                << "has no lesson for it (" << Hex(facts.code, 4) << ")\n";
        } else {
            err << IsoText(date) << ": the book has no lesson for this day (" << Hex(facts.code, 4)
                << ", reason " << reason << ")\n";
        }
        return kExitNoLesson;
    }
    std::span<const uint8_t> bytes(lesson.get(), length);
    if (!LessonIsAcceptable(bytes)) {
        err << IsoText(date) << ": the lesson of this day is damaged (the reader refuses it)\n";
        return kExitFault;
    }
    out << Utf16ToUtf8(ExportText(bytes), LineEnds::kLf);
    return kExitOk;
}

// A UTF-8 command-line argument as the book's 8-bit text (code points up to U+00FF); false for
// malformed UTF-8 or a character the book cannot hold.
bool Utf8ToBookText(const std::string& text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out->push_back(static_cast<char>(c));
            ++i;
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            out->push_back(static_cast<char>(((c & 0x03) << 6) | (text[i + 1] & 0x3F)));
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

// The study year's days in order, as the search walks them: 19 Kislev to the 31st of Kislev's
// day field, Tevet to Adar II, Nisan to Cheshvan, then Kislev 1 to 18.
std::vector<DayCode> StudyYearCodes(DayCode leapFlag) {
    std::vector<DayCode> codes;
    auto add = [&](int month, int first, int last) {
        for (int d = first; d <= last; ++d) codes.push_back(static_cast<DayCode>(leapFlag | month << 8 | d));
    };
    add(9, 19, 31);
    for (int m : {10, 11, 12, 13, 1, 2, 3, 4, 5, 6, 7, 8}) add(m, 1, 31);
    add(9, 1, 18);
    return codes;
}

int Search(const std::vector<std::string>& args, const std::string& bookPath, std::ostream& out,
           std::ostream& err) {
    std::string text;
    MatchCase matchCase = MatchCase::kNo;
    int texts = 0;
    for (const std::string& a : args) {
        if (a == "--case") {
            matchCase = MatchCase::kYes;
        } else {
            text = a;
            ++texts;
        }
    }
    std::string pattern;  // the book's 8-bit text: each character one byte
    if (texts != 1 || text.empty() || !Utf8ToBookText(text, &pattern) || pattern.size() > 33) {
        err << kSearchHelp;
        return kExitFault;
    }
    std::string error;
    if (!InstallBook(bookPath, &error)) {
        err << "velin-book: " << error << "\n";
        return kExitFault;
    }
    CalendarDate today;
    DayNumberToHebrew(GregorianToDayNumber(TodayDate().month, TodayDate().day, TodayDate().year),
                      today);
    // The first day of the current study year: 19 Kislev of this Hebrew year or the last.
    CalendarDate studyStart{9, 19, today.year};
    const bool beforeStart = (today.month >= 7 && today.month <= 8) ||
                             (today.month == 9 && today.day < 19);
    if (beforeStart) studyStart.year -= 1;
    int found = 0;
    for (DayCode flag : {kLeapScheduleFlag, DayCode{0}}) {
        for (DayCode code : StudyYearCodes(flag)) {
            int reason = 0;
            size_t length = 0;
            ByteBuffer lesson = LoadLesson(code, &reason, &length);
            if (!lesson) continue;
            const std::span<const uint8_t> bytes(lesson.get(), length);
            CalendarDate date{0, 0, 0};
            const DayNumber day = ChooseHitDay(code, studyStart);
            if (day != 0) DayNumberToHebrew(day, date);
            for (size_t hit = SearchLessonText(bytes, 0, pattern, matchCase); hit != 0;
                 hit = SearchLessonText(bytes, hit + 1, pattern, matchCase)) {
                ++found;
                // The context stays inside the hit's record.
                LessonRecordWalker walker(bytes);
                LessonRecord record;
                std::string_view context;
                size_t at = 0;
                while (walker.Next(&record)) {
                    const size_t start = record.offset + 2;
                    if (hit >= start && hit < start + record.text.size()) {
                        at = hit - start;
                        context = record.text;
                        break;
                    }
                }
                const size_t from = at > 24 ? at - 24 : 0;
                const size_t to = std::min(context.size(), at + pattern.size() + 24);
                out << Hex(code, 4) << " " << date.month << "-" << date.day << "-" << date.year
                    << " " << hit << " " << (from > 0 ? "..." : "")
                    << BookTextToUtf8(std::string(context.substr(from, to - from)))
                    << (to < context.size() ? "..." : "") << "\n";
            }
        }
    }
    return found > 0 ? kExitOk : kExitNoLesson;
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

}  // namespace

bool ParseIsoDate(const std::string& text, CalendarDate* date) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    int fields[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
    for (int f = 0; f < 3; ++f) {
        for (int i = 0; i < lengths[f]; ++i) {
            char c = text[starts[f] + i];
            if (c < '0' || c > '9') return false;
            fields[f] = fields[f] * 10 + (c - '0');
        }
    }
    int year = fields[0], month = fields[1], day = fields[2];
    if (year < kMinGregorianYear || year > kMaxGregorianYear || month < 1 || month > 12) {
        return false;
    }
    if (day < 1 || day > kGregorianMonthDays[IsGregorianLeapYear(year) ? 1 : 0][month]) {
        return false;
    }
    *date = CalendarDate{month, day, year};
    return true;
}

std::string DateLine(const CalendarDate& date) {
    DateFacts facts = FactsOf(date);
    char middle[64];
    std::snprintf(middle, sizeof middle, " %d %d-%d-%d 0x%04X ", static_cast<int>(facts.day),
                  static_cast<int>(facts.hebrew.month), static_cast<int>(facts.hebrew.day),
                  static_cast<int>(facts.hebrew.year), static_cast<unsigned>(facts.code));
    return IsoText(date) + middle + BookTextToUtf8(facts.caption);
}

int RunBookTool(const std::vector<std::string>& argsIn, std::istream& in, std::ostream& out,
                std::ostream& err) {
    // --book FILE may stand anywhere.
    std::string bookPath;
    std::vector<std::string> args;
    for (size_t i = 0; i < argsIn.size(); ++i) {
        if (argsIn[i] == "--book") {
            if (i + 1 >= argsIn.size() || argsIn[i + 1].empty()) {
                err << "velin-book: --book needs a file name\n";
                return kExitFault;
            }
            bookPath = argsIn[++i];
        } else {
            args.push_back(argsIn[i]);
        }
    }
    if (args.empty()) {
        err << kUsage;
        return kExitFault;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    struct Help {
        const char* command;
        const char* text;
    };
    static const Help kHelps[] = {{"build", kBuildHelp},
                                  {"check", kCheckHelp},
                                  {"dump", kDumpHelp},
                                  {"lesson", kLessonHelp},
                                  {"dates", kDatesHelp},
                                  {"search", kSearchHelp}};
    const char* help = nullptr;
    for (const Help& h : kHelps) {
        if (command == h.command) help = h.text;
    }
    if (!help) {
        err << "velin-book: unknown command '" << command << "'\n" << kUsage;
        return kExitFault;
    }
    if (WantsHelp(args)) {
        out << help;
        return kExitOk;
    }

    if (command == "build") return Build(args, out, err);
    if (command == "dates") {
        if (!args.empty()) {
            err << kDatesHelp;
            return kExitFault;
        }
        return Dates(in, out, err);
    }
    if (command == "lesson") return Lesson(args, bookPath, out, err);
    if (command == "search") return Search(args, bookPath, out, err);

    // check and dump read a whole book: the one named, or the built-in one.
    if (args.size() > 1 || (args.size() == 1 && !bookPath.empty())) {
        err << help;
        return kExitFault;
    }
    if (args.size() == 1) bookPath = args[0];
    LoadedBook book;
    if (!LoadBook(bookPath, &book, err)) return kExitFault;
    if (command == "check") return BookChecker(*book.file, out).Run(book.name);
    return Dump(*book.file, out);
}
