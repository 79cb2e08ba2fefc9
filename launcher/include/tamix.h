// Interface of the host library tamix.dll as the launcher imports it: the allocator family,
// the Text string class, the program identity and floating-point setting, the type-library
// registration, the math-error judgement and the frame-window queries.
// Built with TAMIX_BUILDING defined, the same declarations are the host's exports.
#ifndef ZENTA_TAMIX_H
#define ZENTA_TAMIX_H

#include <stddef.h>
#include <windows.h>

#ifdef TAMIX_BUILDING
#define TAMIX_API __declspec(dllexport)
#else
#define TAMIX_API __declspec(dllimport)
#endif

struct _exception;

// Allocator family: plain C names with the Tamix_ prefix. Every block handed out here must
// come back through the same family.
extern "C" {
TAMIX_API void* __cdecl Tamix_malloc(size_t size);
TAMIX_API void __cdecl Tamix_free(void* block);
TAMIX_API void* __cdecl Tamix_realloc(void* block, size_t size);
TAMIX_API void* __cdecl Tamix_calloc(size_t count, size_t size);
TAMIX_API size_t __cdecl Tamix__msize(void* block);
TAMIX_API char* __cdecl Tamix_strdup(const char* text);
TAMIX_API void* __cdecl Tamix_new(size_t size);
TAMIX_API void __cdecl Tamix_delete(void* block);
}

// The host's string class. Only the members the launcher uses are declared; the launcher
// never copies a Text, so the copy constructor is not part of what it imports.
class Text {
public:
    TAMIX_API Text(const char* chars);
    TAMIX_API ~Text();
    Text(const Text&) = delete;
    TAMIX_API Text& operator=(const Text& other);

    // A new Text holding this one in lower case.
    TAMIX_API Text Lower() const;
    // Position of the first occurrence of pattern, or Length() when there is none.
    TAMIX_API unsigned int SearchForString(Text pattern) const;
    // Number of characters, terminator excluded.
    TAMIX_API unsigned int Length() const;

private:
    char* chars_;          // NUL-terminated, owned by the host
    unsigned int length_;  // characters before the terminator
};

// The process's floating-point policy, owned by the host.
class FPEnvironment {
public:
    // on = 0: floating-point exceptions give their default results instead of trapping.
    TAMIX_API void BreakOnFloatingPointException(unsigned char on);
};

TAMIX_API FPEnvironment* pFPEnv();
TAMIX_API void SetProgramName(const char* name, const char* second);
TAMIX_API void SetTypeLibraryID(GUID typeLibraryId);

// Name of the calling module, as the host knows it.
TAMIX_API const char* GetModuleName();
// The host's judgement of a math-library error; may replace e->retval. Non-zero: handled.
TAMIX_API int Zematherr(const char* moduleName, struct _exception* e);

// The running application object, null before the application exists.
TAMIX_API void* AppInstance();
// The application's frame window.
TAMIX_API HWND FrameWindow();

#endif
