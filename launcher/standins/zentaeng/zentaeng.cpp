// Stand-in for the engine library zentaeng.dll, used only by the launcher's tests. Its
// LoadZENTAApplication records what it was handed and what it sees, runs the probes the
// test asks for, and returns the exit code the test chose.
//
//   ZENTA_ENGINE_RECORD    file receiving one line per fact: a kind, then tab-separated
//                          key=value fields (cmdline, show, path, ...)
//   ZENTA_ENGINE_EXIT      value returned, hence the process exit code (default 0)
//   ZENTA_HOST_RECORD      the host stand-in's record; a line "engine.LoadZENTAApplication"
//                          is appended to it so the two records share one order
//   ZENTA_ENGINE_PROBES    comma list of probes exported by the test build of the
//                          executable: alloc, math, prepend-again, activate
//                          (also model-math), and pipeflow: the flow model's exported entry
//                          looked up in the instance and run over ZENTA_PIPEFLOW_CASES
//   ZENTA_PIPEFLOW_CASES   cases, one a line: the eleven inputs as 16 hex digits of their bits
//   ZENTA_PIPEFLOW_RESULTS file receiving a line per case: vers dpt hol dpf dpg dpa as bits,
//                          id iter ierr, and the message (tab-separated, message escaped)
//   ZENTA_PROBE_RESOURCES  file receiving the resources found through the instance handle
#define ZENTAENG_BUILDING
#include "zentaeng.h"
#include "../record_format.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

using standin::Escaped;
using standin::Number;

std::string Env(const char* name)
{
    const DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
    if (n == 0) return "";
    std::vector<char> value(n + 1, '\0');
    GetEnvironmentVariableA(name, value.data(), n + 1);
    return value.data();
}

// Appends lines to a file that other modules may be writing at the same time.
class LineFile {
public:
    explicit LineFile(const std::string& path)
    {
        if (!path.empty()) {
            handle_ = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        }
    }
    ~LineFile()
    {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    void Line(const std::string& line)
    {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        const std::string text = line + "\n";
        DWORD written = 0;
        WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

std::string ModuleFileName(HMODULE module)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    return path;
}

// Probes exported by the test build of the executable (absent from the product).
using MathProbe = double(__cdecl*)(const char* function, double a, double b, int* errnoAfter);
using AllocProbe = int(__cdecl*)();
using ActivateProbe = void(__cdecl*)();
using ModelMathProbe = double(__cdecl*)(double, double);
using PipeflowEntry = void(__cdecl*)(double*, double, double, double, double, double, double, double,
                                     double, double, double, double, double*, double*, int*, int*, int*,
                                     char*, int, double*, double*, double*);

template <class Fn>
Fn ExeProbe(HINSTANCE exe, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(exe, name)));
}

std::string Bits(double v)
{
    unsigned long long u = 0;
    memcpy(&u, &v, sizeof u);
    static const char hex[] = "0123456789abcdef";
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, u >>= 4) s[i] = hex[u & 15];
    return s;
}

double FromBits(const char* text)
{
    unsigned long long u = 0;
    for (int i = 0; i < 16 && text[i] != '\0'; ++i) {
        const char c = text[i];
        u = (u << 4) | static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    double v = 0;
    memcpy(&v, &u, sizeof v);
    return v;
}

// Every case of the list through the instance's `pipeflow`, as a host library would call it.
void RunPipeflowCases(HINSTANCE exe, LineFile& record)
{
    auto entry = ExeProbe<PipeflowEntry>(exe, "pipeflow");
    if (entry == nullptr) {
        record.Line("probe-missing\tname=pipeflow");
        return;
    }
    FILE* in = fopen(Env("ZENTA_PIPEFLOW_CASES").c_str(), "r");
    LineFile out(Env("ZENTA_PIPEFLOW_RESULTS"));
    if (in == nullptr) {
        record.Line("pipeflow\tcases=<unreadable>");
        return;
    }
    char line[512];
    int n = 0;
    while (fgets(line, sizeof line, in) != nullptr) {
        double v[11];
        const char* p = line;
        int k = 0;
        for (; k < 11 && strlen(p) >= 16; ++k, p += 17) v[k] = FromBits(p);
        if (k < 11) continue;
        double vers = 0, dpt = 0, hol = 0, dpf = 0, dpg = 0, dpa = 0;
        int id = 0, iter = 0, ierr = 0;
        char msg[160];
        entry(&vers, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], &dpt, &hol, &id, &iter,
              &ierr, msg, static_cast<int>(sizeof msg), &dpf, &dpg, &dpa);
        out.Line(Bits(vers) + "\t" + Bits(dpt) + "\t" + Bits(hol) + "\t" + Bits(dpf) + "\t" + Bits(dpg) + "\t" +
                 Bits(dpa) + "\t" + std::to_string(id) + "\t" + std::to_string(iter) + "\t" +
                 std::to_string(ierr) + "\t" + Escaped(msg));
        ++n;
    }
    fclose(in);
    record.Line("pipeflow\tcases=" + std::to_string(n));
}
using PrependProbe = void(__cdecl*)();

void RunProbes(HINSTANCE exe, const std::string& list, LineFile& record)
{
    const std::string probes = "," + list + ",";
    if (probes.find(",alloc,") != std::string::npos) {
        auto probe = ExeProbe<AllocProbe>(exe, "ZentaProbeAlloc");
        if (probe == nullptr) {
            record.Line("probe-missing\tname=ZentaProbeAlloc");
        } else {
            record.Line("alloc\tfailed-checks=" + std::to_string(probe()));
        }
    }
    if (probes.find(",math,") != std::string::npos) {
        auto probe = ExeProbe<MathProbe>(exe, "ZentaProbeMath");
        if (probe == nullptr) {
            record.Line("probe-missing\tname=ZentaProbeMath");
        } else {
            struct Case {
                const char* function;
                double a, b;
            };
            const double inf = HUGE_VAL;
            // Domain errors of the functions the flow model calls.
            const Case cases[] = {{"log10", -1.0, 0.0}, {"sqrt", -1.0, 0.0}, {"pow", -8.0, 0.5},
                                  {"acos", 2.0, 0.0},   {"sin", inf, 0.0},   {"cos", -inf, 0.0}};
            for (const Case& c : cases) {
                int err = -1;
                const double result = probe(c.function, c.a, c.b, &err);
                record.Line(std::string("math\tname=") + c.function + "\targ1=" + Number(c.a) +
                            "\targ2=" + Number(c.b) + "\tresult=" + Number(result) +
                            "\terrno=" + std::to_string(err));
            }
        }
    }
    if (probes.find(",pipeflow,") != std::string::npos) RunPipeflowCases(exe, record);
    if (probes.find(",model-math,") != std::string::npos) {
        auto probe = ExeProbe<ModelMathProbe>(exe, "ZentaProbeModelMath");
        if (probe == nullptr) {
            record.Line("probe-missing\tname=ZentaProbeModelMath");
        } else {
            // A negative wave amplitude: the model's wave friction takes a decimal power
            // of a negative number, a domain error of pow.
            const double amp = -0.002, dh = 0.05;
            record.Line("model-math\tamp=" + Number(amp) + "\tdh=" + Number(dh) + "\tresult=" +
                        Number(probe(amp, dh)));
        }
    }
    if (probes.find(",prepend-again,") != std::string::npos) {
        auto probe = ExeProbe<PrependProbe>(exe, "ZentaProbePrependAgain");
        if (probe == nullptr) {
            record.Line("probe-missing\tname=ZentaProbePrependAgain");
        } else {
            probe();
            record.Line("path-after-second-call\tvalue=" + Escaped(Env("PATH").c_str()));
        }
    }
    if (probes.find(",activate,") != std::string::npos) {
        auto probe = ExeProbe<ActivateProbe>(exe, "ZentaProbeActivate");
        if (probe == nullptr) {
            record.Line("probe-missing\tname=ZentaProbeActivate");
        } else {
            probe();
            record.Line("activate-returned");
        }
    }
}

// One line per resource the application libraries expect to find through the instance.
void ProbeResources(HINSTANCE instance, const std::string& path)
{
    LineFile out(path);
    out.Line(std::string("icon1998 ") +
             (LoadIconA(instance, MAKEINTRESOURCEA(1998)) != nullptr ? "ok" : "fail"));
    out.Line(std::string("icon2160x16 ") +
             (LoadImageA(instance, MAKEINTRESOURCEA(2160), IMAGE_ICON, 16, 16, 0) != nullptr
                  ? "ok"
                  : "fail"));

    HACCEL accel = LoadAcceleratorsA(instance, "MDIACCEL");
    if (accel == nullptr) {
        out.Line("accel fail");
    } else {
        const int count = CopyAcceleratorTableA(accel, nullptr, 0);
        std::vector<ACCEL> entries(count > 0 ? count : 1);
        const int copied = CopyAcceleratorTableA(accel, entries.data(), count);
        std::string line = "accel " + std::to_string(copied);
        for (int i = 0; i < copied; ++i) {
            line += " " + std::to_string(entries[i].fVirt) + ":" + std::to_string(entries[i].key) +
                    ":" + std::to_string(entries[i].cmd);
        }
        out.Line(line);
    }

    HRSRC dialog = FindResourceA(instance, "PRINTDLGBOX", MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (dialog != nullptr && LoadResource(instance, dialog) != nullptr) {
        out.Line("dialog " + std::to_string(SizeofResource(instance, dialog)));
    } else {
        out.Line("dialog fail");
    }

    std::string version = "fail";
    const std::string file = ModuleFileName(instance);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size > 0) {
        std::vector<char> block(size);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedBytes = 0;
        if (GetFileVersionInfoA(file.c_str(), 0, size, block.data()) &&
            VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedBytes) &&
            fixed != nullptr && fixedBytes >= sizeof(VS_FIXEDFILEINFO)) {
            version = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                      std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                      std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                      std::to_string(LOWORD(fixed->dwFileVersionLS));
        }
    }
    out.Line("version " + version);
}

}  // namespace

extern "C" int __cdecl LoadZENTAApplication(HINSTANCE instance, HINSTANCE previous,
                                            char* commandLine, int showState)
{
    {
        LineFile host(Env("ZENTA_HOST_RECORD"));
        host.Line("engine.LoadZENTAApplication");
    }

    LineFile record(Env("ZENTA_ENGINE_RECORD"));
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&LoadZENTAApplication), &self);

    record.Line(std::string("instance\tis-exe=") +
                (instance == GetModuleHandleA(nullptr) ? "1" : "0") +
                "\tfile=" + Escaped(ModuleFileName(instance).c_str()));
    record.Line(std::string("previous\tvalue=") + (previous == nullptr ? "<null>" : "non-null"));
    record.Line("cmdline\tvalue=" + Escaped(commandLine));
    record.Line("show\tvalue=" + std::to_string(showState));
    record.Line("startup-show\tvalue=" + ((startup.dwFlags & STARTF_USESHOWWINDOW)
                                              ? std::to_string(startup.wShowWindow)
                                              : std::string("<none>")));
    record.Line("path\tvalue=" + Escaped(Env("PATH").c_str()));
    record.Line("engine-file\tvalue=" + Escaped(ModuleFileName(self).c_str()));

    const std::string resources = Env("ZENTA_PROBE_RESOURCES");
    if (!resources.empty()) ProbeResources(instance, resources);

    const std::string probes = Env("ZENTA_ENGINE_PROBES");
    if (!probes.empty()) RunProbes(instance, probes, record);

    const std::string exitCode = Env("ZENTA_ENGINE_EXIT");
    record.Line("return\tvalue=" + (exitCode.empty() ? std::string("0") : exitCode));
    return exitCode.empty() ? 0 : atoi(exitCode.c_str());
}
