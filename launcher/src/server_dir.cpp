// Server-directory look-up in HKEY_CLASSES_ROOT and the once-only extension of "path".
// Every failure is silent and leaves the environment as it was.
#include "server_dir.h"

#include <objbase.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "dir_cut.h"

namespace {

// Class identifier of the in-process server installed beside the engine.
const CLSID kServerClassId = {0x3A7C19E2, 0x5B40, 0x4D8E,
                              {0xA1, 0xF6, 0x0C, 0x92, 0xD7, 0xE4, 0xB3, 0x58}};

// The registry value is read into one process-wide buffer of the platform's path limit.
char g_serverValue[MAX_PATH];  // 260 bytes

// Set once "path" has been extended.
bool g_pathExtended = false;

constexpr int kKeyNameBytes = 200;
constexpr int kDirectoryBytes = 256;
constexpr int kDirectoryMaxChars = 252;

// Builds "CLSID\{...}\InProcServer32" into keyName; false when the class identifier has no
// text form.
bool BuildServerKeyName(char (&keyName)[kKeyNameBytes])
{
    LPOLESTR wide = nullptr;
    if (FAILED(StringFromCLSID(kServerClassId, &wide)) || wide == nullptr) {
        return false;
    }
    // ANSI text of the identifier, sized as two bytes per wide character plus a terminator;
    // a class identifier's text is 38 characters, so 80 bytes always suffice.
    char ansi[80];
    const int ansiBytes = 2 * lstrlenW(wide) + 2;
    bool built = false;
    if (ansiBytes <= static_cast<int>(sizeof ansi) &&
        WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, ansiBytes, nullptr, nullptr) > 0) {
        const int n = snprintf(keyName, sizeof keyName, "CLSID\\%s\\InProcServer32", ansi);
        built = n > 0 && n < kKeyNameBytes;
    }
    CoTaskMemFree(wide);
    return built;
}

}  // namespace

int GetServerDirectory(char* out, int maxChars)
{
    if (out == nullptr) {
        return 0;
    }
    out[0] = '\0';

    char keyName[kKeyNameBytes];
    if (!BuildServerKeyName(keyName)) {
        return 0;
    }

    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, keyName, &key) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD valueBytes = sizeof g_serverValue;
    const LONG queried = RegQueryValueExA(key, nullptr, nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(g_serverValue), &valueBytes);
    RegCloseKey(key);
    if (queried != ERROR_SUCCESS) {
        return 0;
    }

    // A value without any backslash names no directory: the look-up has failed.
    if (zenta::CutAtLastBackslash(g_serverValue, sizeof g_serverValue, valueBytes) < 0) {
        return 0;
    }
    return zenta::CopyAtMost(out, maxChars, g_serverValue);
}

void PrependServerDirectoryToPath()
{
    if (g_pathExtended) {
        return;
    }
    char directory[kDirectoryBytes];
    if (GetServerDirectory(directory, kDirectoryMaxChars) == 0 || directory[0] == '\0') {
        return;
    }

    // Size of the current value including its terminator; 0 when "path" is absent.
    const DWORD oldBytes = GetEnvironmentVariableA("path", nullptr, 0);
    const size_t dirLength = strlen(directory);
    char* joined = static_cast<char*>(malloc(dirLength + oldBytes + 2));
    if (joined == nullptr) {
        return;
    }
    memcpy(joined, directory, dirLength);
    joined[dirLength] = ';';
    joined[dirLength + 1] = '\0';
    bool complete = true;
    if (oldBytes > 0) {
        // On success the result is the character count, less than the space offered.
        const DWORD copied = GetEnvironmentVariableA("path", joined + dirLength + 1, oldBytes);
        complete = copied < oldBytes;
    }
    if (complete && SetEnvironmentVariableA("path", joined)) {
        g_pathExtended = true;
    }
    free(joined);
}
