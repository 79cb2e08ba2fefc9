// Directory of the registered server from its registry value; see dir_cut.h.
#include "dir_cut.h"

#include <string.h>

namespace zenta {

int CutAtLastBackslash(char* value, size_t capacity, size_t returnedBytes)
{
    if (value == nullptr || capacity == 0) {
        return -1;
    }
    // The registry does not promise a terminator: one is placed right after the returned
    // bytes, or on the last byte of the buffer when the value fills it.
    const size_t end = returnedBytes < capacity ? returnedBytes : capacity - 1;
    value[end] = '\0';

    char* lastBackslash = strrchr(value, '\\');
    if (lastBackslash == nullptr) {
        return -1;
    }
    *lastBackslash = '\0';
    return static_cast<int>(lastBackslash - value);
}

int CopyAtMost(char* out, int maxChars, const char* text)
{
    if (out == nullptr) {
        return 0;
    }
    int n = 0;
    if (text != nullptr) {
        while (n < maxChars && text[n] != '\0') {
            out[n] = text[n];
            ++n;
        }
    }
    out[n] = '\0';
    return n;
}

}  // namespace zenta
