// Helpers of the reader's unit tests: a settings file per test, and reading values back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"

namespace velin::app::testing {

// A fresh folder under the test's temporary directory.
inline std::string TempDir(const std::string& name) {
    const char* base = std::getenv("TEST_TMPDIR");
    std::filesystem::path dir = std::filesystem::path(base ? base : ::testing::TempDir()) /
                                ("velin-app-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

// Points the registry at `dir`/registry.reg holding `body` under the settings key (nothing when
// body is empty and `keyLine` false) and clears AppState.
inline std::string UseSettings(const std::string& dir, const std::string& body,
                               const std::string& switches = "") {
    const std::string path = dir + "/registry.reg";
    std::ofstream out(path, std::ios::trunc);
    out << "REGEDIT4\n\n";
    if (!body.empty()) out << "[Ostrelle\\Velin-English]\n" << body << "\n";
    if (!switches.empty()) out << "[software\\Ostrelle]\n" << switches << "\n";
    out.close();
    SetRegistryFilePath(path);
    ClearAppState();
    return path;
}

struct StoredValue {
    DWORD type = 0;
    std::vector<uint8_t> data;
};

// A settings value as the file holds it now (read afresh from disk).
inline std::optional<StoredValue> Stored(const char16_t* name) {
    SetRegistryFilePath(RegistryFilePath());  // forget what is in memory
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    StoredValue v;
    DWORD size = 0;
    std::optional<StoredValue> result;
    if (RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        if (RegQueryValueExW(key, name, nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS) {
            result = v;
        }
    }
    RegCloseKey(key);
    return result;
}

inline std::optional<uint32_t> StoredDword(const char16_t* name) {
    auto v = Stored(name);
    if (!v || v->type != REG_DWORD || v->data.size() != 4) return std::nullopt;
    return static_cast<uint32_t>(v->data[0] | v->data[1] << 8 | v->data[2] << 16 |
                                 static_cast<uint32_t>(v->data[3]) << 24);
}

}  // namespace velin::app::testing
