#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char16_t* kSettings = u"Ostrelle\\Velin-English";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<uint8_t> Utf16Bytes(std::u16string_view s) {
    std::vector<uint8_t> out;
    for (char16_t c : s) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/velin-registry-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        file_ = dir_ / "registry.reg";
        SetRegistryFilePath(file_.string());
    }
    void TearDown() override {
        SetRegistryFilePath("");
        fs::remove_all(dir_);
    }

    // Sets values in one opening of the settings key and closes it, which writes the file.
    LONG SetValues(const std::vector<RegValueEntry>& values) {
        HKEY key = nullptr;
        LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS,
                                      nullptr, &key, nullptr);
        if (status != ERROR_SUCCESS) return status;
        for (const RegValueEntry& v : values) {
            EXPECT_EQ(RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(),
                                     static_cast<DWORD>(v.data.size())),
                      ERROR_SUCCESS);
        }
        return RegCloseKey(key);
    }

    // Reads a value as a fresh program would: the file is loaded anew.
    bool Query(std::u16string_view keyPath, const std::u16string& name, DWORD* type,
               std::vector<uint8_t>* data) {
        HKEY key = nullptr;
        std::u16string path(keyPath);
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        DWORD size = 0;
        LONG status = RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size);
        if (status == ERROR_SUCCESS) {
            data->assign(size, 0xCC);
            status = RegQueryValueExW(key, name.c_str(), nullptr, type, data->data(), &size);
        }
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        return status == ERROR_SUCCESS;
    }

    void Reload() { SetRegistryFilePath(file_.string()); }

    fs::path dir_;
    fs::path file_;
};

TEST_F(RegistryTest, ValuesOfEveryTypeSurviveTheFile) {
    std::vector<uint8_t> longBinary;
    for (int i = 0; i < 100; ++i) longBinary.push_back(static_cast<uint8_t>(i * 7));
    const std::vector<RegValueEntry> kValues = {
        {u"Flags", REG_DWORD, {0x40, 0x00, 0x14, 0xD1}},
        {u"FontName", REG_SZ, Utf16Bytes(u"Tahoma")},
        {u"Bookmarks", REG_BINARY, {0x13, 0x19, 0x00, 0x00}},
        // Latin-1, a quote, a backslash and a character outside the BMP.
        {u"Caption", REG_SZ, Utf16Bytes(u"\u00D5r \"a\\b\" \u05D0 \U0001F600")},
        // long enough to be written over several lines
        {u"Long", REG_BINARY, longBinary},
        {u"Empty", REG_BINARY, {}},
        // no terminating zero: kept byte for byte
        {u"Unterminated", REG_SZ, {'a', 0, 'b', 0}},
        // a line break cannot stand in a quoted string
        {u"Lines", REG_SZ, Utf16Bytes(u"a\r\nb")},
        {u"", REG_SZ, Utf16Bytes(u"default value")},
        {u"Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0}},
    };
    ASSERT_EQ(SetValues(kValues), ERROR_SUCCESS);

    std::string text = ReadText(file_);
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u) << text;
    EXPECT_NE(text.find("[Ostrelle\\Velin-English]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Flags\"=dword:d1140040\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"FontName\"=\"Tahoma\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Bookmarks\"=hex:13,19,00,00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Caption\"=\"\xC3\x95r \\\"a\\\\b\\\" \xD7\x90 \xF0\x9F\x98\x80\"\n"),
              std::string::npos)
        << text;

    Reload();
    for (const RegValueEntry& v : kValues) {
        SCOPED_TRACE(std::string(v.name.begin(), v.name.end()));
        DWORD type = 0;
        std::vector<uint8_t> data;
        ASSERT_TRUE(Query(kSettings, v.name, &type, &data));
        EXPECT_EQ(type, v.type);
        EXPECT_EQ(data, v.data);
    }
}

TEST_F(RegistryTest, SizeQueriesAndShortBuffers) {
    ASSERT_EQ(SetValues({{u"FontName", REG_SZ, Utf16Bytes(u"Tahoma")}, {u"Empty", REG_BINARY, {}}}),
              ERROR_SUCCESS);
    Reload();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettings, 0, KEY_READ, &key), ERROR_SUCCESS);

    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"FontName", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 14u);  // six characters and the terminating zero

    BYTE buffer[14] = {};
    size = 13;
    EXPECT_EQ(RegQueryValueExW(key, u"FontName", nullptr, nullptr, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 14u);
    EXPECT_EQ(buffer[0], 0) << "a short buffer must be left alone";
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExW(key, u"FontName", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 14), Utf16Bytes(u"Tahoma"));

    // An empty value read into a buffer: nothing is copied, the size becomes 0.
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExW(key, u"Empty", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);

    EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(key, u"FontName", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key, u"FontName", 0, REG_SZ, buffer, 2), ERROR_ACCESS_DENIED)
        << "a key opened for reading";
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    HKEY missing = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Ostrelle\\Nothing", 0, KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(RegistryTest, ArgumentsThatAreRefused) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const BYTE three[3] = {1, 2, 3};
    EXPECT_EQ(RegSetValueExW(key, u"Flags", 0, REG_DWORD, three, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key, u"Bad\nName", 0, REG_BINARY, three, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key, u"Flags", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    HKEY sub = nullptr;
    EXPECT_EQ(
        RegCreateKeyExW(key, u"a\\\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, u"Flags", 0, REG_BINARY, three, 3), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, NamesIgnoreLetterCase) {
    WriteText(file_,
              "REGEDIT4\n\n[software\\Ostrelle]\n\"FullScreen\"=dword:00000001\n"
              "\n[Ostrelle\\Velin-English]\n\"FontName\"=\"\xC3\x84rial\"\n");
    DWORD type;
    std::vector<uint8_t> data;
    EXPECT_TRUE(Query(u"SOFTWARE\\ostrelle", u"fullscreen", &type, &data));
    EXPECT_TRUE(Query(u"ostrelle\\VELIN-english", u"FONTNAME", &type, &data));
    // A key holding only keys below it exists too.
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key), ERROR_SUCCESS);
    HKEY below = nullptr;
    EXPECT_EQ(RegOpenKeyExW(key, u"OSTRELLE", 0, KEY_READ, &below), ERROR_SUCCESS);
    EXPECT_TRUE(RegQueryValueExW(below, u"FullScreen", nullptr, &type, nullptr, nullptr) ==
                ERROR_SUCCESS);
    RegCloseKey(below);
    RegCloseKey(key);

    // Setting a value under another letter case replaces it and keeps one entry.
    ASSERT_EQ(SetValues({{u"FONTNAME", REG_SZ, Utf16Bytes(u"Tahoma")}}), ERROR_SUCCESS);
    std::string text = ReadText(file_);
    EXPECT_EQ(text.find("\xC3\x84rial"), std::string::npos) << text;
    EXPECT_NE(text.find("=\"Tahoma\""), std::string::npos) << text;
}

TEST_F(RegistryTest, ReadsWhatAPersonOrAnotherToolWrites) {
    WriteText(file_,
              "\xEF\xBB\xBFREGEDIT4\r\n"
              "; the reader's settings\r\n"
              "[HKEY_CURRENT_USER\\Ostrelle\\Velin-English]\r\n"
              "\"Flags\"=DWORD:D1140040\r\n"
              "\"Day\" = dword:2a\r\n"
              "\"Bookmarks\"=hex:13,19,\\\r\n"
              "  14,19,\\\r\n"
              "  00,00\r\n");
    DWORD type;
    std::vector<uint8_t> data;
    ASSERT_TRUE(Query(kSettings, u"Flags", &type, &data));
    EXPECT_EQ(data, (std::vector<uint8_t>{0x40, 0x00, 0x14, 0xD1}));
    ASSERT_TRUE(Query(kSettings, u"Day", &type, &data));
    EXPECT_EQ(data, (std::vector<uint8_t>{0x2a, 0, 0, 0}));
    ASSERT_TRUE(Query(kSettings, u"Bookmarks", &type, &data));
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(data, (std::vector<uint8_t>{0x13, 0x19, 0x14, 0x19, 0, 0}));
}

TEST_F(RegistryTest, DamagedLinesAreSkippedWarnedAndKept) {
    const struct {
        const char* line;
        const char* why;  // part of the warning
    } kCases[] = {
        {"\"Nine\"=dword:123456789", "1 to 8 hex digits"},
        {"\"NotHex\"=dword:12g4", "1 to 8 hex digits"},
        {"\"Open\"=\"no closing quote", "no closing quote"},
        {"\"Escape\"=\"a\\nb\"", "backslash"},
        {"\"Byte\"=hex:01,1g", "hex digits"},
        {"\"Wide\"=hex:01,123", "1 or 2 digits"},
        {"\"NoEquals\" dword:1", "not followed by ="},
        {"\"Latin1\"=\"\xD5\"", "not UTF-8"},
        {"Flags=dword:1", "neither a key"},
        {"\"Kind\"=qword:1", "neither a string"},
    };
    std::string text = "REGEDIT4\n\n[Ostrelle\\Velin-English]\n\"Before\"=dword:00000001\n";
    for (const auto& c : kCases) text += std::string(c.line) + "\n";
    text += "\"After\"=dword:00000002\n";
    WriteText(file_, text);

    testing::internal::CaptureStderr();
    DWORD type;
    std::vector<uint8_t> data;
    EXPECT_TRUE(Query(kSettings, u"Before", &type, &data));
    EXPECT_TRUE(Query(kSettings, u"After", &type, &data));
    std::string warnings = testing::internal::GetCapturedStderr();
    int lineNo = 5;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.line);
        std::string expected = "line " + std::to_string(lineNo++) + ": skipped a damaged line";
        size_t at = warnings.find(expected);
        ASSERT_NE(at, std::string::npos) << warnings;
        EXPECT_NE(warnings.substr(at, warnings.find('\n', at) - at).find(c.why), std::string::npos)
            << warnings;
    }
    EXPECT_FALSE(Query(kSettings, u"Nine", &type, &data));

    // Rewriting the file keeps every damaged line as it was typed.
    testing::internal::CaptureStderr();
    ASSERT_EQ(SetValues({{u"New", REG_DWORD, {1, 0, 0, 0}}}), ERROR_SUCCESS);
    testing::internal::GetCapturedStderr();
    std::string rewritten = ReadText(file_);
    for (const auto& c : kCases) EXPECT_NE(rewritten.find(c.line), std::string::npos) << c.line;
}

TEST_F(RegistryTest, LinesWithoutAKeyAreNotPutUnderAnother) {
    WriteText(file_,
              "REGEDIT4\n"
              "\"Stray\"=dword:00000001\n"  // before any key
              "[Ostrelle\\Velin-English]\n"
              "\"Flags\"=dword:00000001\n"
              "[Ostrelle\\Broken\n"  // the values below have no key to go to
              "\"Lost\"=dword:00000002\n"
              "[Ostrelle\\Other]\n"
              "\"Kept\"=dword:00000003\n");
    testing::internal::CaptureStderr();
    DWORD type;
    std::vector<uint8_t> data;
    EXPECT_TRUE(Query(kSettings, u"Flags", &type, &data));
    EXPECT_FALSE(Query(kSettings, u"Lost", &type, &data));
    EXPECT_FALSE(Query(kSettings, u"Stray", &type, &data));
    EXPECT_TRUE(Query(u"Ostrelle\\Other", u"Kept", &type, &data));
    ASSERT_EQ(SetValues({{u"Day", REG_DWORD, {1, 0, 0, 0}}}), ERROR_SUCCESS);
    Reload();
    EXPECT_TRUE(Query(kSettings, u"Day", &type, &data)) << "a new value must not land under the "
                                                           "damaged key line";
    EXPECT_FALSE(Query(kSettings, u"Lost", &type, &data));
    EXPECT_TRUE(Query(u"Ostrelle\\Other", u"Kept", &type, &data));
    testing::internal::GetCapturedStderr();
}

TEST_F(RegistryTest, KeysAndValuesOfOthersSurviveARewrite) {
    WriteText(file_,
              "REGEDIT4\n\n[Other\\Program]\n\"List\"=hex(7):61,00,00,00,00,00\n"
              "@=\"default\"\n\n[Ostrelle\\Velin-English]\n\"Unknown\"=\"kept\"\n");
    ASSERT_EQ(SetValues({{u"Flags", REG_DWORD, {1, 0, 0, 0}}}), ERROR_SUCCESS);
    Reload();
    DWORD type;
    std::vector<uint8_t> data;
    ASSERT_TRUE(Query(u"Other\\Program", u"List", &type, &data));
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(data, (std::vector<uint8_t>{0x61, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(Query(u"Other\\Program", u"", &type, &data));
    EXPECT_EQ(data, Utf16Bytes(u"default"));
    EXPECT_TRUE(Query(kSettings, u"Unknown", &type, &data));
    EXPECT_TRUE(Query(kSettings, u"Flags", &type, &data));
}

// Every way a write can fail leaves the old file as it was, reports the failure, and keeps
// the new values in memory for the next write.
TEST_F(RegistryTest, AFailedWriteKeepsTheOldFile) {
    const std::string kOld = "REGEDIT4\n\n[Ostrelle\\Velin-English]\n\"Flags\"=dword:00000007\n";
    const fs::path temp = file_.string() + ".tmp-" + std::to_string(getpid());
    const struct {
        const char* name;
        RegistryWriteFault fault;
        bool blockTemporary;  // a folder stands where the temporary file would go
    } kCases[] = {
        {"temporary file cannot be made", RegistryWriteFault::kNone, true},
        {"disk full halfway", RegistryWriteFault::kDiskFullHalfway, false},
        {"rename fails", RegistryWriteFault::kFailRename, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        WriteText(file_, kOld);
        Reload();
        if (c.blockTemporary) fs::create_directory(temp);
        InjectRegistryWriteFault(c.fault);
        testing::internal::CaptureStderr();
        EXPECT_EQ(SetValues({{u"Flags", REG_DWORD, {9, 0, 0, 0}}}), ERROR_REGISTRY_IO_FAILED);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write the settings"),
                  std::string::npos);
        EXPECT_EQ(ReadText(file_), kOld);
        if (c.blockTemporary) {
            fs::remove(temp);
        } else {
            EXPECT_FALSE(fs::exists(temp)) << "the temporary file is removed";
        }
        // The values are still there to be written by the next try.
        EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
        EXPECT_NE(ReadText(file_).find("dword:00000009"), std::string::npos);
    }
}

TEST_F(RegistryTest, AFolderThatCannotExistFailsTheWrite) {
    WriteText(dir_ / "plain-file", "x");
    SetRegistryFilePath((dir_ / "plain-file" / "registry.reg").string());
    testing::internal::CaptureStderr();
    EXPECT_EQ(SetValues({{u"Flags", REG_DWORD, {1, 0, 0, 0}}}), ERROR_REGISTRY_IO_FAILED);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadText(dir_ / "plain-file"), "x");
}

TEST_F(RegistryTest, MakesTheFoldersOfANewFile) {
    SetRegistryFilePath((dir_ / "config" / "velin" / "registry.reg").string());
    ASSERT_EQ(SetValues({{u"Flags", REG_DWORD, {1, 0, 0, 0}}}), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(dir_ / "config" / "velin" / "registry.reg"));
}

TEST_F(RegistryTest, AFileThatCannotBeReadIsNeverReplaced) {
    fs::create_directory(file_);  // exists, but reading it fails
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettings, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_REGISTRY_IO_FAILED);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot read the settings"),
              std::string::npos);
    EXPECT_TRUE(fs::is_directory(file_));
}

// A process killed between writing the temporary file and renaming it: the old file is whole,
// the next start reads it, and the stray temporary file neither disturbs the load nor outlives
// the next successful write.
TEST_F(RegistryTest, AKillBeforeTheRenameLeavesTheOldFile) {
    const std::string kOld = "REGEDIT4\n\n[Ostrelle\\Velin-English]\n\"Flags\"=dword:00000007\n";
    WriteText(file_, kOld);
    Reload();
    InjectRegistryWriteFault(RegistryWriteFault::kKillBeforeRename);
    testing::internal::CaptureStderr();
    EXPECT_NE(SetValues({{u"Flags", REG_DWORD, {9, 0, 0, 0}}}), ERROR_SUCCESS);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadText(file_), kOld);
    // As a new process would find it: the temporary file of a process that no longer runs.
    const fs::path mine = file_.string() + ".tmp-" + std::to_string(getpid());
    const fs::path stray = file_.string() + ".tmp-999999999";
    ASSERT_TRUE(fs::exists(mine));
    fs::rename(mine, stray);

    Reload();
    DWORD type;
    std::vector<uint8_t> data;
    ASSERT_TRUE(Query(kSettings, u"Flags", &type, &data));
    EXPECT_EQ(data, (std::vector<uint8_t>{7, 0, 0, 0}));
    ASSERT_EQ(SetValues({{u"Flags", REG_DWORD, {8, 0, 0, 0}}}), ERROR_SUCCESS);
    EXPECT_NE(ReadText(file_).find("dword:00000008"), std::string::npos);
    EXPECT_FALSE(fs::exists(stray));
}

TEST_F(RegistryTest, NothingIsWrittenUntilAChangedKeyIsClosed) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const BYTE one[4] = {1, 0, 0, 0};
    ASSERT_EQ(RegSetValueExW(key, u"Flags", 0, REG_DWORD, one, 4), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(file_));
    // Closing a key that only read leaves the file alone too.
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettings, 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(reader), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(file_));
}

// The parser is also reached from the fuzzer; this pins the round trip it checks.
TEST(RegistryTextTest, WritingThenParsingGivesTheSameValues) {
    std::vector<std::string> warnings;
    RegistryData first = ParseRegistryText(
        "REGEDIT4\n[A]\n\"x\"=hex:zz,\\\n\"y\"=dword:1\nabc\n[B]\n\"z\"=hex:01,\\\n  02\n",
        &warnings);
    EXPECT_EQ(warnings.size(), 2u);
    std::string written = WriteRegistryText(first);
    RegistryData second = ParseRegistryText(written, nullptr);
    ASSERT_EQ(second.keys.size(), 2u);
    EXPECT_EQ(second.keys[0].values.size(), 1u);
    EXPECT_EQ(second.keys[1].values[0].data, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(WriteRegistryText(second), written);
}

}  // namespace
