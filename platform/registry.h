// platform/registry.h: the registry of the current user, kept in a text file a person can
// read and edit (the REGEDIT4 export format):
//
//     REGEDIT4
//
//     [Ostrelle\Velin-English]
//     "Flags"=dword:d1140040
//     "FontName"="Tahoma"
//     "Bookmarks"=hex:13,19,00,00
//
// Key paths are relative to HKEY_CURRENT_USER. Strings are UTF-8 in the file, with quotes and
// backslashes escaped by a backslash; a dword has 1 to 8 hex digits; hex data may continue
// over lines that end in a backslash; any other value type is kept as hex(N):... . Names of
// keys and values compare without regard to letter case.
//
// The file is read once, at the first open, and written whole when a key that was changed is
// closed (or flushed). A write goes to a temporary file in the same folder, which is flushed
// to disk and then renamed over the old one: a crash or a full disk leaves the old file or the
// new one, never a torn one. A write that fails leaves the old file and reports the failure.
// A damaged line is skipped with a warning on standard error and kept as written, so that a
// rewrite loses nothing a person typed; every other value loads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;

inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001));

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
// The settings file could not be read (then nothing is written over it) or written.
constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// `key` is HKEY_CURRENT_USER or an open key; `subKey` a path below it ("A\B"), null or empty
// for the key itself.
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                     REGSAM access, void* security, PHKEY result, LPDWORD disposition);
// With `data` null and `size` given: the size only. A buffer smaller than the value gives
// ERROR_MORE_DATA with the needed size in *size. A string's size counts its terminating zero.
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD size);
// Stores `size` bytes as given (a string with its terminating zero); a REG_DWORD takes 4.
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
// Writes the file when anything changed since it was last written.
LONG RegFlushKey(HKEY key);
// Closes the key; when it was used to change something, writes the file first and reports a
// failed write (the key is closed all the same; the changes stay in memory for the next try).
LONG RegCloseKey(HKEY key);

// ---------------------------------------------------------------------------------------------
// The file's location: --registry FILE or VELIN_REGISTRY, else
// $XDG_CONFIG_HOME/velin/registry.reg (~/.config/velin/registry.reg). Setting a path forgets
// what was loaded from the previous one; the next open reads the new file. The single-instance
// rendezvous is named after this path.

void SetRegistryFilePath(const std::string& path);
const std::string& RegistryFilePath();

// ---------------------------------------------------------------------------------------------
// The text format, for the loader and the fuzzer.

struct RegValueEntry {
    std::u16string name;  // empty: the key's default value, written "@"
    DWORD type;
    std::vector<uint8_t> data;
};
struct RegKeyEntry {
    std::u16string path;  // as first written, no leading or trailing backslash
    std::vector<RegValueEntry> values;
    // Damaged lines and comments met in this key's section (or after a damaged key line that
    // followed it), kept verbatim and written back after the values.
    std::vector<std::string> keptLines;
};
struct RegistryData {
    std::vector<std::string> keptLines;  // met before the first key
    std::vector<RegKeyEntry> keys;       // in the order of the file, each path once
};

// Parses a whole file. Never fails: a damaged line is kept and gets a warning
// ("line N: why").
RegistryData ParseRegistryText(std::string_view text, std::vector<std::string>* warnings);
std::string WriteRegistryText(const RegistryData& data);

// Tests only: makes the next write of the file fail at one step, as a full disk or a crash
// would. kKillBeforeRename leaves the complete temporary file behind and the old file in place,
// as a process killed just before the rename does.
enum class RegistryWriteFault { kNone, kDiskFullHalfway, kFailRename, kKillBeforeRename };
void InjectRegistryWriteFault(RegistryWriteFault fault);
