// Turning the registered server's file name into its directory: pure text handling, free of
// any platform call, so it is also compiled and tested natively.
#ifndef ZENTA_DIR_CUT_H
#define ZENTA_DIR_CUT_H

#include <stddef.h>

namespace zenta {

// value: buffer of `capacity` bytes into which the registry wrote `returnedBytes` bytes,
// with or without a terminating NUL. Terminates the text within the buffer, then cuts it
// at its last backslash (the backslash becomes the terminator).
// Returns the directory length, or -1 when the text holds no backslash (no directory).
int CutAtLastBackslash(char* value, size_t capacity, size_t returnedBytes);

// Copies at most maxChars characters of text into out (which holds maxChars + 1 bytes)
// and terminates it. Returns the number of characters copied.
int CopyAtMost(char* out, int maxChars, const char* text);

}  // namespace zenta

#endif
