// Interface of the engine library zentaeng.dll: the one entry the launcher calls.
// The executable links it through a delay-import library, so the library is loaded on the
// first call, after the search path has been prepared.
#ifndef ZENTA_ZENTAENG_H
#define ZENTA_ZENTAENG_H

#include <windows.h>

#ifdef ZENTAENG_BUILDING
#define ZENTAENG_API __declspec(dllexport)
#else
#define ZENTAENG_API
#endif

// Runs the whole application; the result becomes the process exit code.
extern "C" ZENTAENG_API int __cdecl LoadZENTAApplication(HINSTANCE instance, HINSTANCE previous,
                                                         char* commandLine, int showState);

#endif
