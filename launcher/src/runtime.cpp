// The C runtime routed to the host library: memory functions, the math-error hook, the
// binding of the math functions to the runtime DLL, and the frame-window activation.
//
// What this toolchain (MinGW-w64 with msvcrt.dll, statically linked libgcc/libstdc++) allows:
// - Routed: every call to malloc/free/realloc/calloc/_msize/_strdup/strdup and operator
//   new/delete made by code linked into the executable: our own code, the MinGW start-up
//   objects (the argument-vector copy the start-up makes before WinMain), libmingwex,
//   libgcc and libstdc++ (its exception emergency pool, operator new[]/delete[] and the
//   sized/nothrow variants, which all call the plain operators). The definitions below
//   pre-empt the import stubs of libmsvcrt.a at link time, so they are in force from the
//   first instruction of the start-up code.
// - Not routed: allocations made inside msvcrt.dll itself (its environment copy, the
//   argument vector of __getmainargs, stdio buffers, locale and per-thread data, and blocks
//   returned by DLL functions such as _getcwd(NULL), _fullpath(NULL), _tempnam, _wcsdup).
//   Those live on the DLL's heap and must never reach free() in this executable.
//   strdup is routed like _strdup for that reason: its import would return such a block.
//   Calls compiled as DLL imports (the headers declare _msize and _strdup that way) are
//   routed too, through the import slots defined below.
// - Math errors: the start-up registers _matherr through __mingw_setusermatherr when
//   _MINGW_INSTALL_DEBUG_MATHERR is 1, which reaches both msvcrt.dll's math functions and
//   the libmingwex ones. The libmingwex versions of pow, sqrt, sin and cos call the hook but
//   discard its verdict and the replacement value; they are therefore bound to msvcrt.dll's
//   own exports, which honour both (as log10 and acos already do).
#include <stddef.h>
#include <stdlib.h>
#include <windows.h>

#include <new>

#include "runtime.h"
#include "tamix.h"

extern "C" {

void* __cdecl malloc(size_t size) { return Tamix_malloc(size); }
void __cdecl free(void* block) { Tamix_free(block); }
void* __cdecl realloc(void* block, size_t size) { return Tamix_realloc(block, size); }
void* __cdecl calloc(size_t count, size_t size) { return Tamix_calloc(count, size); }
// The runtime headers declare _msize and _strdup as DLL imports; defining them here is the
// point, so the "dllimport ignored" warning is expected for these two definitions only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
size_t __cdecl _msize(void* block) { return Tamix__msize(block); }
char* __cdecl _strdup(const char* text) { return Tamix_strdup(text); }
#pragma GCC diagnostic pop
char* __cdecl strdup(const char* text) { return Tamix_strdup(text); }

// Code compiled against those dllimport declarations calls through the import slots
// __imp_<name>; defining the slots here sends such calls to the forwarders as well, instead
// of to msvcrt.dll. The other forwarders get their slot too, for objects built that way.
void*(__cdecl* __MINGW_IMP_SYMBOL(malloc))(size_t) = malloc;
void(__cdecl* __MINGW_IMP_SYMBOL(free))(void*) = free;
void*(__cdecl* __MINGW_IMP_SYMBOL(realloc))(void*, size_t) = realloc;
void*(__cdecl* __MINGW_IMP_SYMBOL(calloc))(size_t, size_t) = calloc;
size_t(__cdecl* __MINGW_IMP_SYMBOL(_msize))(void*) = _msize;
char*(__cdecl* __MINGW_IMP_SYMBOL(_strdup))(const char*) = _strdup;
char*(__cdecl* __MINGW_IMP_SYMBOL(strdup))(const char*) = strdup;

// The host judges every math-library error: a non-zero verdict means handled (no errno);
// either way the failing function returns what e->retval holds afterwards.
int __cdecl _matherr(struct _exception* e)
{
    const char* moduleName = GetModuleName();
    return Zematherr(moduleName, e);
}

// Read by the MinGW start-up before any constructor runs: 1 makes it register _matherr.
int _MINGW_INSTALL_DEBUG_MATHERR = 1;

// Import slots of the runtime DLL's math functions.
extern double(__cdecl* __MINGW_IMP_SYMBOL(pow))(double, double);
extern double(__cdecl* __MINGW_IMP_SYMBOL(sqrt))(double);
extern double(__cdecl* __MINGW_IMP_SYMBOL(sin))(double);
extern double(__cdecl* __MINGW_IMP_SYMBOL(cos))(double);

double __cdecl pow(double x, double y) { return __MINGW_IMP_SYMBOL(pow)(x, y); }
double __cdecl sqrt(double x) { return __MINGW_IMP_SYMBOL(sqrt)(x); }
double __cdecl sin(double x) { return __MINGW_IMP_SYMBOL(sin)(x); }
double __cdecl cos(double x) { return __MINGW_IMP_SYMBOL(cos)(x); }

}  // extern "C"

void* operator new(size_t size) { return Tamix_new(size); }
void operator delete(void* block) noexcept { Tamix_delete(block); }
// The sized form releases through the same host function; the size is not needed there.
void operator delete(void* block, size_t) noexcept { Tamix_delete(block); }

void ActivateFrameWindowAndExit()
{
    if (AppInstance() == nullptr) {
        return;
    }
    HWND frame = FrameWindow();
    if (IsIconic(frame)) {
        ShowWindow(frame, SW_RESTORE);
    } else {
        BringWindowToTop(frame);
    }
    exit(1);
}
