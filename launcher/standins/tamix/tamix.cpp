// Stand-in for the host library tamix.dll, used only by the launcher's tests. It exports what
// the executable imports and appends one line per call, with its arguments, to the file
// named by ZENTA_HOST_RECORD (fields separated by tabs: the call, then key=value pairs).
// It allocates from a private heap, keeps a table of its live blocks with the function that
// made each, and flags any release of a block it did not make. At unload it writes
// "end\tlive=<blocks still allocated>".
//
// Knobs for the tests:
//   ZENTA_MATHERR_VERDICT  result Zematherr returns (default 1, "handled")
//   ZENTA_HOST_APP         "1": AppInstance returns a non-null application object
#define TAMIX_BUILDING
#include "tamix.h"
#include "../record_format.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <unordered_map>

namespace {

using standin::Escaped;
using standin::Number;

CRITICAL_SECTION g_lock;
HANDLE g_heap = nullptr;
HANDLE g_record = INVALID_HANDLE_VALUE;

struct BlockInfo {
    unsigned long serial;  // 1, 2, ... in order of allocation
    const char* madeBy;    // the export that produced the block
};
std::unordered_map<void*, BlockInfo>* g_blocks = nullptr;
unsigned long g_nextSerial = 1;
unsigned long g_matherrCalls = 0;

class Guard {
public:
    Guard() { EnterCriticalSection(&g_lock); }
    ~Guard() { LeaveCriticalSection(&g_lock); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
};

// Base file name of the module holding code address `where`.
std::string ModuleOf(const void* where)
{
    HMODULE module = nullptr;
    char path[MAX_PATH] = "";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(where), &module) &&
        GetModuleFileNameA(module, path, sizeof path) > 0) {
        const char* base = strrchr(path, '\\');
        return base != nullptr ? base + 1 : path;
    }
    return "<unknown>";
}

void Record(const std::string& line)
{
    if (g_record == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(g_record, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string BlockName(void* block)
{
    if (block == nullptr) return "<null>";
    auto it = g_blocks->find(block);
    if (it == g_blocks->end()) return "<foreign>";
    return "b" + std::to_string(it->second.serial);
}

// Registers a fresh block and returns its record name.
std::string Track(void* block, const char* madeBy)
{
    if (block == nullptr) return "<null>";
    (*g_blocks)[block] = BlockInfo{g_nextSerial++, madeBy};
    return BlockName(block);
}

// Releases a block this library made; a block it did not make is left alone. Returns the
// record fields describing the block.
std::string Release(void* block)
{
    if (block == nullptr) return "block=<null>";
    auto it = g_blocks->find(block);
    if (it == g_blocks->end()) return "block=<foreign>";
    std::string fields = "block=b" + std::to_string(it->second.serial) +
                         "\tmade-by=" + it->second.madeBy;
    g_blocks->erase(it);
    HeapFree(g_heap, 0, block);
    return fields;
}

std::string From(const void* caller) { return "\tfrom=" + ModuleOf(caller); }

// Untracked storage for Text contents: the host's internal use, not part of the record.
char* CopyChars(const char* text, unsigned int length)
{
    char* chars = static_cast<char*>(HeapAlloc(g_heap, 0, length + 1));
    if (chars != nullptr) {
        memcpy(chars, text, length);
        chars[length] = '\0';
    }
    return chars;
}

FPEnvironment g_fpEnvironment;
int g_applicationObject;  // its address stands for the running application

}  // namespace

// ---- allocator family ------------------------------------------------------------------

extern "C" {

void* __cdecl Tamix_malloc(size_t size)
{
    Guard guard;
    void* block = HeapAlloc(g_heap, 0, size);
    Record("Tamix_malloc\tsize=" + std::to_string(size) + From(__builtin_return_address(0)) +
           "\tret=" + Track(block, "Tamix_malloc"));
    return block;
}

void __cdecl Tamix_free(void* block)
{
    Guard guard;
    Record("Tamix_free\t" + Release(block) + From(__builtin_return_address(0)));
}

void* __cdecl Tamix_realloc(void* block, size_t size)
{
    Guard guard;
    const void* caller = __builtin_return_address(0);
    if (block == nullptr) {
        void* fresh = HeapAlloc(g_heap, 0, size);
        Record("Tamix_realloc\tblock=<null>\tsize=" + std::to_string(size) + From(caller) +
               "\tret=" + Track(fresh, "Tamix_realloc"));
        return fresh;
    }
    auto it = g_blocks->find(block);
    if (it == g_blocks->end()) {
        Record("Tamix_realloc\tblock=<foreign>\tsize=" + std::to_string(size) + From(caller) +
               "\tret=<null>");
        return nullptr;
    }
    const std::string old = "block=b" + std::to_string(it->second.serial) +
                            "\tmade-by=" + it->second.madeBy;
    if (size == 0) {  // the runtime's contract: frees the block, returns null
        g_blocks->erase(it);
        HeapFree(g_heap, 0, block);
        Record("Tamix_realloc\t" + old + "\tsize=0" + From(caller) + "\tret=<null>");
        return nullptr;
    }
    void* moved = HeapReAlloc(g_heap, 0, block, size);
    std::string result = "<null>";
    if (moved != nullptr) {
        g_blocks->erase(block);
        result = Track(moved, "Tamix_realloc");
    }
    Record("Tamix_realloc\t" + old + "\tsize=" + std::to_string(size) + From(caller) +
           "\tret=" + result);
    return moved;
}

void* __cdecl Tamix_calloc(size_t count, size_t size)
{
    Guard guard;
    void* block = nullptr;
    if (size == 0 || count <= static_cast<size_t>(-1) / size) {
        block = HeapAlloc(g_heap, HEAP_ZERO_MEMORY, count * size);
    }
    Record("Tamix_calloc\tcount=" + std::to_string(count) + "\tsize=" + std::to_string(size) +
           From(__builtin_return_address(0)) + "\tret=" + Track(block, "Tamix_calloc"));
    return block;
}

size_t __cdecl Tamix__msize(void* block)
{
    Guard guard;
    const std::string name = BlockName(block);
    const size_t size = (name[0] == 'b') ? HeapSize(g_heap, 0, block) : static_cast<size_t>(-1);
    Record("Tamix__msize\tblock=" + name + From(__builtin_return_address(0)) +
           "\tret=" + std::to_string(size));
    return size;
}

char* __cdecl Tamix_strdup(const char* text)
{
    Guard guard;
    char* copy = nullptr;
    if (text != nullptr) {
        const size_t bytes = strlen(text) + 1;
        copy = static_cast<char*>(HeapAlloc(g_heap, 0, bytes));
        if (copy != nullptr) memcpy(copy, text, bytes);
    }
    Record("Tamix_strdup\ttext=" + Escaped(text) + From(__builtin_return_address(0)) +
           "\tret=" + Track(copy, "Tamix_strdup"));
    return copy;
}

void* __cdecl Tamix_new(size_t size)
{
    Guard guard;
    void* block = HeapAlloc(g_heap, 0, size == 0 ? 1 : size);
    Record("Tamix_new\tsize=" + std::to_string(size) + From(__builtin_return_address(0)) +
           "\tret=" + Track(block, "Tamix_new"));
    if (block == nullptr) {
        // operator new must not return null; the stand-in has no exception to offer.
        RaiseException(STATUS_NO_MEMORY, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    return block;
}

void __cdecl Tamix_delete(void* block)
{
    Guard guard;
    Record("Tamix_delete\t" + Release(block) + From(__builtin_return_address(0)));
}

}  // extern "C"

// ---- Text ------------------------------------------------------------------------------

Text::Text(const char* chars)
    : chars_(nullptr), length_(chars != nullptr ? static_cast<unsigned int>(strlen(chars)) : 0)
{
    Guard guard;
    chars_ = CopyChars(chars != nullptr ? chars : "", length_);
    Record("Text::Text\ttext=" + Escaped(chars) + From(__builtin_return_address(0)));
}

Text::~Text()
{
    Guard guard;
    Record("Text::~Text\ttext=" + Escaped(chars_) + From(__builtin_return_address(0)));
    HeapFree(g_heap, 0, chars_);
}

Text& Text::operator=(const Text& other)
{
    Guard guard;
    Record("Text::operator=\ttext=" + Escaped(chars_) + "\tother=" + Escaped(other.chars_) +
           From(__builtin_return_address(0)));
    if (this != &other) {
        char* copy = CopyChars(other.chars_, other.length_);
        HeapFree(g_heap, 0, chars_);
        chars_ = copy;
        length_ = other.length_;
    }
    return *this;
}

Text Text::Lower() const
{
    std::string lowered(chars_, length_);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    {
        Guard guard;
        Record("Text::Lower\ttext=" + Escaped(chars_) + From(__builtin_return_address(0)) +
               "\tret=" + Escaped(lowered.c_str()));
    }
    return Text(lowered.c_str());
}

unsigned int Text::SearchForString(Text pattern) const
{
    const char* found = strstr(chars_, pattern.chars_);
    const unsigned int at = found != nullptr ? static_cast<unsigned int>(found - chars_) : length_;
    Guard guard;
    Record("Text::SearchForString\ttext=" + Escaped(chars_) + "\tpattern=" +
           Escaped(pattern.chars_) + From(__builtin_return_address(0)) +
           "\tret=" + std::to_string(at));
    return at;
}

unsigned int Text::Length() const
{
    Guard guard;
    Record("Text::Length\ttext=" + Escaped(chars_) + From(__builtin_return_address(0)) +
           "\tret=" + std::to_string(length_));
    return length_;
}

// ---- program identity, floating point, type library -------------------------------------

void FPEnvironment::BreakOnFloatingPointException(unsigned char on)
{
    Guard guard;
    Record("FPEnvironment::BreakOnFloatingPointException\ton=" + std::to_string(on) +
           From(__builtin_return_address(0)));
}

FPEnvironment* pFPEnv()
{
    Guard guard;
    Record("pFPEnv" + From(__builtin_return_address(0)));
    return &g_fpEnvironment;
}

void SetProgramName(const char* name, const char* second)
{
    Guard guard;
    Record("SetProgramName\tname=" + Escaped(name) + "\tsecond=" + Escaped(second) +
           From(__builtin_return_address(0)));
}

void SetTypeLibraryID(GUID id)
{
    char text[64];
    snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
             id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    Guard guard;
    Record(std::string("SetTypeLibraryID\tid=") + text + From(__builtin_return_address(0)));
}

// ---- math errors ------------------------------------------------------------------------

const char* GetModuleName()
{
    static char name[MAX_PATH];
    Guard guard;
    snprintf(name, sizeof name, "%s", ModuleOf(__builtin_return_address(0)).c_str());
    Record(std::string("GetModuleName\tret=") + name);
    return name;
}

int Zematherr(const char* moduleName, struct _exception* e)
{
    Guard guard;
    const char* verdictText = getenv("ZENTA_MATHERR_VERDICT");
    const int verdict = verdictText != nullptr ? atoi(verdictText) : 1;
    // A replacement result that no math function would produce by itself, distinct per call.
    ++g_matherrCalls;
    const double replacement = 1000.0 + static_cast<double>(g_matherrCalls) + 0.25;
    Record("Zematherr\tmodule=" + Escaped(moduleName) + "\ttype=" + std::to_string(e->type) +
           "\tname=" + Escaped(e->name) + "\targ1=" + Number(e->arg1) + "\targ2=" +
           Number(e->arg2) + "\tretval=" + Number(e->retval) + "\tnew-retval=" +
           Number(replacement) + "\tret=" + std::to_string(verdict) +
           From(__builtin_return_address(0)));
    e->retval = replacement;
    return verdict;
}

// ---- application and frame window -------------------------------------------------------

void* AppInstance()
{
    const char* app = getenv("ZENTA_HOST_APP");
    void* instance = (app != nullptr && strcmp(app, "1") == 0) ? &g_applicationObject : nullptr;
    Guard guard;
    Record(std::string("AppInstance\tret=") + (instance != nullptr ? "app" : "<null>") +
           From(__builtin_return_address(0)));
    return instance;
}

HWND FrameWindow()
{
    // The stand-in has no frame window of its own.
    Guard guard;
    Record("FrameWindow\tret=<null>" + From(__builtin_return_address(0)));
    return nullptr;
}

// ---- library lifetime -------------------------------------------------------------------

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&g_lock);
        g_heap = HeapCreate(0, 0, 0);
        g_blocks = new std::unordered_map<void*, BlockInfo>();
        char path[MAX_PATH];
        const DWORD n = GetEnvironmentVariableA("ZENTA_HOST_RECORD", path, sizeof path);
        if (n > 0 && n < sizeof path) {
            g_record = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        return g_heap != nullptr;
    }
    if (reason == DLL_PROCESS_DETACH) {
        Record("end\tlive=" + std::to_string(g_blocks->size()));
        if (g_record != INVALID_HANDLE_VALUE) CloseHandle(g_record);
        g_record = INVALID_HANDLE_VALUE;
    }
    return TRUE;
}
