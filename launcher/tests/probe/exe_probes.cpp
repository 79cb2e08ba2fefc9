// Test-only entry points linked into zenta-probe.exe, the product's sources plus this file.
// The stand-in engine calls them through the executable's export table, so that allocations
// and math calls are made by code inside the executable, with its runtime binding, exactly as
// the flow model and the start-up code make them. The product zenta.exe has no exports.
#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "correlations.h"
#include "runtime.h"
#include "server_dir.h"

namespace {

// An object whose size (777 bytes) is easy to find in the host's record.
struct Marker {
    char bytes[777];
};

// Makes a block look used to the optimiser, which may otherwise drop a new/delete pair.
template <class T>
void Escape(T* block)
{
    asm volatile("" : : "r"(block) : "memory");
}

}  // namespace

// Evaluates one math function on arguments chosen by the caller (never constants here, so
// the compiler cannot fold the call away) and reports errno as the runtime left it.
extern "C" __declspec(dllexport) double __cdecl ZentaProbeMath(const char* function, double a,
                                                               double b, int* errnoAfter)
{
    errno = 0;
    double result = 0.0;
    if (strcmp(function, "log10") == 0) {
        result = log10(a);
    } else if (strcmp(function, "sqrt") == 0) {
        result = sqrt(a);
    } else if (strcmp(function, "pow") == 0) {
        result = pow(a, b);
    } else if (strcmp(function, "acos") == 0) {
        result = acos(a);
    } else if (strcmp(function, "sin") == 0) {
        result = sin(a);
    } else if (strcmp(function, "cos") == 0) {
        result = cos(a);
    }
    *errnoAfter = errno;
    return result;
}

// Test only: the flow model's wave-friction correlation, evaluated inside the executable
// on arguments the entry's input test would never let through, so that its pow meets a
// domain error. The product exports only `pipeflow`.
extern "C" __declspec(dllexport) double __cdecl ZentaProbeModelMath(double amp, double dh)
{
    return flowmodel::fricwa(amp, dh);
}

// Exercises every memory entry of the executable with recognisable sizes and texts, checks
// the blocks behave as memory, and releases them all. Returns a bit per failed check.
extern "C" __declspec(dllexport) int __cdecl ZentaProbeAlloc()
{
    int failed = 0;

    char* block = static_cast<char*>(malloc(1231));
    if (block == nullptr) return 1;
    memset(block, 'a', 1231);
    block = static_cast<char*>(realloc(block, 2463));
    if (block == nullptr) return 2;
    if (block[1230] != 'a') failed |= 4;
    if (_msize(block) < 2463) failed |= 8;

    unsigned char* zeroed = static_cast<unsigned char*>(calloc(3, 411));
    for (int i = 0; zeroed != nullptr && i < 3 * 411; ++i) {
        if (zeroed[i] != 0) failed |= 16;
    }

    char* copy = _strdup("zenta-probe-strdup");
    char* posixCopy = strdup("zenta-probe-posix-strdup");
    if (copy == nullptr || strcmp(copy, "zenta-probe-strdup") != 0) failed |= 32;
    if (posixCopy == nullptr || strcmp(posixCopy, "zenta-probe-posix-strdup") != 0) failed |= 64;

    Marker* marker = new Marker;
    char* array = new char[555];
    Escape(marker);
    Escape(array);
    // A library container allocates through operator new as well.
    std::string* text = new std::string(300, 'x');
    Escape(text);

    delete text;
    delete[] array;
    delete marker;
    free(posixCopy);
    free(copy);
    free(zeroed);
    free(block);
    return failed;
}

// Calls the frame-window activation, which ends the process when the host has an application.
extern "C" __declspec(dllexport) void __cdecl ZentaProbeActivate()
{
    ActivateFrameWindowAndExit();
}

// A second extension of "path" in the same process must change nothing.
extern "C" __declspec(dllexport) void __cdecl ZentaProbePrependAgain()
{
    PrependServerDirectoryToPath();
}
