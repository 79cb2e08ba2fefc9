#!/usr/bin/env python3
"""Integration tests of the start-up executable, run for real under Wine, and checks of the
64-bit and 32-bit PE files.

One fresh Wine prefix serves every case. Inside it:
  C:\\app\\                          zenta.exe, zenta-probe.exe, tamix.dll (no engine)
  C:\\app-side\\                     zenta.exe, tamix.dll and the engine beside them
  C:\\Program Files\\Zenta Engine\\bin\\  the engine, reachable only through the registry
The stand-in host and engine write their records into C:\\rec\\ (see their sources).

Usage: wine_tests.py <64-bit build dir> <32-bit build dir>
Prints one PASS/FAIL line per case and ends with "wine-tests: N passed, M failed".
"""

import csv
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import traceback

WINE = "/usr/lib/wine/wine64"
SERVER_KEY = r"HKCR\CLSID\{3A7C19E2-5B40-4D8E-A1F6-0C92D7E4B358}"
TYPE_LIBRARY_ID = "{8E14B6D0-2C7A-11D0-9F35-00A0C98D4E21}"
ENGINE_DIR = r"C:\Program Files\Zenta Engine\bin"
SHOW_DEFAULT = 10        # SW_SHOWDEFAULT, what the start-up passes without start-up info
EDOM = 33
# Exit code of a process ended by the delay-load helper's "module not found" exception
# 0xC06D007E, as a Unix exit status (its low byte).
DELAY_LOAD_MODULE_NOT_FOUND = 0xC06D007E & 0xFF
ALLOC_FAMILY = {"Tamix_malloc", "Tamix_free", "Tamix_realloc", "Tamix_calloc",
                "Tamix__msize", "Tamix_strdup", "Tamix_new", "Tamix_delete"}
MALLOC_MAKERS = {"Tamix_malloc", "Tamix_realloc", "Tamix_calloc", "Tamix_strdup"}


# ---- records ---------------------------------------------------------------------------

def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"\\": "\\", "t": "\t", "n": "\n", "r": "\r"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def parse_record(path):
    """Lines "kind<TAB>key=value..." as a list of (kind, {key: value})."""
    entries = []
    if not os.path.exists(path):
        return None
    with open(path, encoding="latin-1") as f:
        for line in f.read().splitlines():
            if not line:
                continue
            kind, *fields = line.split("\t")
            values = {}
            for field in fields:
                key, _, value = field.partition("=")
                values[key] = unescape(value)
            entries.append((kind, values))
    return entries


class Run:
    """Outcome of one start of an executable: exit status and both records."""

    def __init__(self, status, host, engine, stderr):
        self.status = status
        self.host = host          # list of (call, fields), or None when never written
        self.engine = engine      # list of (kind, fields), or None when the engine never ran
        self.stderr = stderr

    def engine_value(self, kind):
        check(self.engine is not None, "the engine did not run (status %d)" % self.status)
        values = [fields.get("value") for k, fields in self.engine if k == kind]
        check(len(values) == 1, "engine record has %d '%s' lines" % (len(values), kind))
        return values[0]

    def engine_lines(self, kind):
        check(self.engine is not None, "the engine did not run (status %d)" % self.status)
        return [fields for k, fields in self.engine if k == kind]

    def host_index(self, call):
        for i, (k, _) in enumerate(self.host):
            if k == call:
                return i
        raise Failure("host record has no %s" % call)


# ---- the Wine prefix -------------------------------------------------------------------

class Prefix:
    def __init__(self, build64):
        self.dir = tempfile.mkdtemp(prefix="zenta-wine-")
        self.env = dict(os.environ, WINEPREFIX=self.dir, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        for name in list(self.env):
            if name.startswith("ZENTA_"):
                del self.env[name]
        self.runs = 0
        self.server = next((p for p in ("/usr/lib/wine/wineserver64", "/usr/lib/wine/wineserver",
                                        shutil.which("wineserver") or "") if p and os.path.exists(p)),
                           None)
        self.records = os.path.join(self.dir, "drive_c", "rec")
        try:
            self._prepare(build64)
        except BaseException:
            self.close()
            raise

    def _prepare(self, build64):
        self.wine(["wineboot", "--init"], timeout=300)
        if self.server:
            quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
            subprocess.run([self.server, "-w"], env=self.env, timeout=300, **quiet)
            # Keep one server alive for the whole session: every start is then quick.
            subprocess.run([self.server, "-p"], env=self.env, timeout=60, **quiet)
        # An unhandled exception must end the process, not start a debugger: Wine falls back
        # to winedbg when no debugger is named, so name one that does not exist.
        self.wine(["reg", "add", r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug",
                   "/v", "Debugger", "/d", r"C:\windows\system32\no-debugger.exe %ld %ld", "/f"])
        drive = os.path.join(self.dir, "drive_c")
        self.install(build64, os.path.join(drive, "app"), ["zenta.exe", "zenta-probe.exe", "tamix.dll"])
        self.install(build64, os.path.join(drive, "app-side"), ["zenta.exe", "tamix.dll", "zentaeng.dll"])
        self.install(build64, os.path.join(drive, "Program Files", "Zenta Engine", "bin"), ["zentaeng.dll"])
        os.makedirs(self.records)

    @staticmethod
    def install(build, folder, names):
        os.makedirs(folder, exist_ok=True)
        for name in names:
            shutil.copy2(os.path.join(build, name), folder)

    def wine(self, args, timeout=120, env=None):
        """Runs wine64 with args and waits for that process only. Its output goes to files:
        services Wine starts on the way (wineserver, winedevice) inherit the output handles
        and outlive the process, so waiting for the end of a pipe would hang."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run([WINE] + args, env=env or self.env, timeout=timeout,
                                  stdout=out, stderr=err)
            out.seek(0)
            err.seek(0)
            done.stdout, done.stderr = out.read(), err.read()
        return done

    def register(self, value, kind="REG_SZ"):
        # Wine's reg has been seen to fail once, with no message, on a loaded machine: try
        # again before calling the set-up broken.
        for attempt in range(3):
            done = self.wine(["reg", "add", SERVER_KEY + r"\InProcServer32", "/ve", "/t", kind,
                              "/d", value, "/f"])
            if done.returncode == 0:
                return
        check(False, "reg add failed (exit %d) three times: %s"
              % (done.returncode, done.stderr.decode(errors="replace")))

    def unregister(self):
        self.wine(["reg", "delete", SERVER_KEY, "/f"])

    def start(self, exe, args=(), env=None, launcher=()):
        """Starts C:\\<exe> with args; launcher (e.g. start /wait /min) goes before it."""
        self.runs += 1
        host = "host-%d.txt" % self.runs
        engine = "engine-%d.txt" % self.runs
        run_env = dict(self.env, ZENTA_HOST_RECORD="C:\\rec\\" + host,
                       ZENTA_ENGINE_RECORD="C:\\rec\\" + engine)
        run_env.update(env or {})
        done = self.wine(list(launcher) + ["C:\\" + exe] + list(args), env=run_env)
        return Run(done.returncode, parse_record(os.path.join(self.records, host)),
                   parse_record(os.path.join(self.records, engine)),
                   done.stderr.decode(errors="replace"))

    def close(self):
        if self.server:
            subprocess.run([self.server, "-k"], env=self.env, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.dir, ignore_errors=True)


# ---- test harness ----------------------------------------------------------------------

class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_equal(actual, expected, what):
    if actual != expected:
        raise Failure("%s: expected %r, got %r" % (what, expected, actual))


TESTS = []


def test(function):
    TESTS.append(function)
    return function


class Context:
    """What the cases share: the prefix, the build folders, the unchanged search path."""

    def __init__(self, build64, build32):
        self.build64, self.build32 = build64, build32
        self.prefix = None
        self.prefix_error = None
        self._baseline = None

    def wine(self):
        """The shared prefix, made on first use; if that failed, every later case fails at once."""
        if self.prefix_error is not None:
            raise Failure("no Wine prefix: %s" % self.prefix_error)
        if self.prefix is None:
            try:
                self.prefix = Prefix(self.build64)
            except Exception as error:
                self.prefix_error = "%s: %s" % (type(error).__name__, error)
                raise
        return self.prefix

    def baseline_path(self):
        """The search path a process gets when nothing is prepended (engine beside the exe)."""
        if self._baseline is None:
            p = self.wine()
            p.unregister()
            run = p.start(r"app-side\zenta.exe")
            check_equal(run.status, 0, "exit status of the baseline run")
            self._baseline = run.engine_value("path")
            check(self._baseline != "", "baseline path is empty")
        return self._baseline


def exe_calls(run, exe="zenta.exe"):
    """Host calls made by the executable itself, allocator family and records left out."""
    return [(k, f) for k, f in run.host
            if f.get("from") == exe and k not in ALLOC_FAMILY]


def check_release_pairs(run):
    """Every release names a block the host made, through the family that made it."""
    for call, fields in run.host:
        if call in ("Tamix_free", "Tamix_delete") or (call == "Tamix_realloc" and fields.get("block") != "<null>"):
            block = fields.get("block")
            check(block != "<foreign>", "%s released a block the host did not make" % call)
            if block == "<null>":
                continue
            made_by = fields.get("made-by")
            if call == "Tamix_delete":
                check_equal(made_by, "Tamix_new", "maker of a block released by Tamix_delete")
            else:
                check(made_by in MALLOC_MAKERS, "%s released a block made by %s" % (call, made_by))
        if call == "Tamix__msize":
            check(fields.get("block") != "<foreign>", "_msize asked about a foreign block")


# ---- start-up sequence -----------------------------------------------------------------

@test
def exit_code_is_the_engine_result(ctx):
    p = ctx.wine()
    p.register(ENGINE_DIR + r"\zentaeng.dll")
    for code in (0, 42):
        run = p.start(r"app\zenta.exe", env={"ZENTA_ENGINE_EXIT": str(code)})
        check_equal(run.engine_value("return"), str(code), "engine's chosen result")
        check_equal(run.status, code, "process exit status")


@test
def show_state_follows_options_and_command_line_is_passed_unchanged(ctx):
    p = ctx.wine()
    p.register(ENGINE_DIR + r"\zentaeng.dll")
    cases = [([], SHOW_DEFAULT), (["/MIN"], 7), (["/Max"], 3), (["xx/minimal"], 7),
             (["/max", "/min"], 7), (["/MIN", "file.zen", "/MAX"], 7), (["Report.zen"], SHOW_DEFAULT)]
    for args, expected in cases:
        run = p.start(r"app\zenta.exe", args)
        check_equal(run.status, 0, "exit status for %r" % args)
        check_equal(int(run.engine_value("show")), expected, "show state for %r" % args)
        check_equal(run.engine_value("cmdline"), " ".join(args), "command line for %r" % args)
        check_equal(run.engine_lines("instance")[0]["is-exe"], "1", "instance is the executable's module")
        check_equal(run.engine_value("previous"), "<null>", "previous instance")
        if expected == SHOW_DEFAULT:
            # Started from a shell, Wine hands over no show state: the start-up's default applies.
            check_equal(run.engine_value("startup-show"), "<none>", "start-up information")


@test
def platform_show_state_is_kept_unless_an_option_overrides_it(ctx):
    p = ctx.wine()
    p.register(ENGINE_DIR + r"\zentaeng.dll")
    launcher = ["start", "/wait", "/min"]
    plain = p.start(r"app\zenta.exe", ["Report.zen"], launcher=launcher,
                    env={"ZENTA_ENGINE_EXIT": "9"})
    check_equal(plain.status, 9, "exit status through start /wait")
    platform = plain.engine_value("startup-show")
    check(platform not in ("<none>", str(SHOW_DEFAULT)), "start /min gave no show state")
    check_equal(plain.engine_value("show"), platform, "show state without option")
    maxed = p.start(r"app\zenta.exe", ["/Max"], launcher=launcher)
    check_equal(maxed.engine_value("show"), "3", "show state with /Max under start /min")


@test
def host_calls_come_in_the_specified_order(ctx):
    p = ctx.wine()
    p.register(ENGINE_DIR + r"\zentaeng.dll")
    run = p.start(r"app\zenta.exe", ["Hello", "/Max"])
    check_equal(run.status, 0, "exit status")
    lowered = "hello /max"
    expected = [
        ("Text::Text", {"text": "Hello /Max"}),
        ("Text::Lower", {"text": "Hello /Max", "ret": lowered}),
        ("Text::operator=", {"text": "Hello /Max", "other": lowered}),
        ("Text::~Text", {"text": lowered}),                       # the temporary from Lower
        ("Text::Text", {"text": "/min"}),
        ("Text::SearchForString", {"text": lowered, "pattern": "/min", "ret": "10"}),
        ("Text::~Text", {"text": "/min"}),
        ("Text::Length", {"text": lowered, "ret": "10"}),
        ("Text::Text", {"text": "/max"}),
        ("Text::SearchForString", {"text": lowered, "pattern": "/max", "ret": "6"}),
        ("Text::~Text", {"text": "/max"}),
        ("Text::Length", {"text": lowered, "ret": "10"}),
        ("SetProgramName", {"name": "ZENTA", "second": "<null>"}),
        ("pFPEnv", {}),
        ("FPEnvironment::BreakOnFloatingPointException", {"on": "0"}),
        ("SetTypeLibraryID", {"id": TYPE_LIBRARY_ID}),
        ("Text::~Text", {"text": lowered}),                       # after the engine returned
    ]
    calls = exe_calls(run)
    check_equal(len(calls), len(expected), "number of host calls from zenta.exe (%s)" % [c for c, _ in calls])
    for i, ((call, fields), (want_call, want_fields)) in enumerate(zip(calls, expected)):
        check_equal(call, want_call, "host call %d" % i)
        for key, value in want_fields.items():
            check_equal(fields.get(key), value, "%s %s (call %d)" % (call, key, i))

    # Between the type library and the engine: the joined path, allocated and freed by the
    # host allocator, sized directory + ";" + old path + terminator + 1.
    type_lib = run.host_index("SetTypeLibraryID")
    engine = run.host_index("engine.LoadZENTAApplication")
    between = run.host[type_lib + 1:engine]
    check_equal([c for c, _ in between], ["Tamix_malloc", "Tamix_free"], "calls while extending the path")
    path = run.engine_value("path")
    old = path[len(ENGINE_DIR) + 1:]
    check_equal(int(between[0][1]["size"]), len(ENGINE_DIR) + len(old) + 1 + 2, "size of the joined path")
    check_equal(between[1][1]["block"], between[0][1]["ret"], "block freed after setting the path")
    check(engine < len(run.host) - 1 and run.host[-2][0] == "Text::~Text",
          "the Text is destroyed only after the engine returned")
    check_release_pairs(run)


# ---- engine directory on the search path -----------------------------------------------

@test
def registered_directory_is_put_in_front_of_path(ctx):
    baseline = ctx.baseline_path()
    p = ctx.wine()
    p.register(ENGINE_DIR + r"\zentaeng.dll")
    run = p.start(r"app\zenta.exe", env={"ZENTA_ENGINE_PROBES": "prepend-again"})
    check_equal(run.status, 0, "exit status")
    check_equal(run.engine_value("path"), ENGINE_DIR + ";" + baseline, "path seen by the engine")
    check_equal(run.engine_value("engine-file"), ENGINE_DIR + r"\zentaeng.dll",
                "engine loaded from the registered directory")
    # zenta.exe has no probes; the second extension is checked with the probe build below.
    check_equal(run.engine_lines("probe-missing")[0]["name"], "ZentaProbePrependAgain",
                "the product exports no test probe")
    again = p.start(r"app\zenta-probe.exe", env={"ZENTA_ENGINE_PROBES": "prepend-again"})
    check_equal(again.engine_value("path-after-second-call"), ENGINE_DIR + ";" + baseline,
                "path after a second PrependServerDirectoryToPath")


@test
def unregistered_class_ends_in_the_delay_load_failure(ctx):
    p = ctx.wine()
    p.unregister()
    # Started through "start /wait", which reports the exit code Windows recorded for the
    # process: the Unix status of a wine64 whose process died of an unhandled exception is
    # occasionally 0 (about 1 run in 12 here), which would make the check flaky.
    run = p.start(r"app\zenta.exe", ["/min"], env={"ZENTA_ENGINE_EXIT": "0"},
                  launcher=["start", "/wait"])
    check(run.status != 0, "process ended with status 0 although the engine cannot be found")
    check_equal(run.status, DELAY_LOAD_MODULE_NOT_FOUND, "exit status (low byte of 0xC06D007E)")
    check(run.engine is None, "the engine ran although it is installed only in an unregistered directory")
    calls = [c for c, _ in run.host]
    check("SetTypeLibraryID" in calls, "start-up did not reach SetTypeLibraryID")
    after = calls[calls.index("SetTypeLibraryID") + 1:]
    check("Tamix_malloc" not in after, "path was joined although no directory was found")
    check("engine.LoadZENTAApplication" not in after, "engine marker present")


@test
def long_registered_directory_is_cut_to_252_characters(ctx):
    baseline = ctx.baseline_path()
    p = ctx.wine()
    # 253 characters of directory and "\e.dll": 259 characters, the most the 260-byte
    # buffer holds with its terminator.
    directory = ("C:\\" + "\\".join("d%02d" % i + "x" * 27 for i in range(9)))[:253]
    check(len(directory) == 253 and not directory.endswith("\\"), "test directory shape")
    value = directory + r"\e.dll"
    check(len(value) <= 259, "registered value must fit the 260-byte buffer with its terminator")
    p.register(value)
    run = p.start(r"app-side\zenta.exe")
    check_equal(run.status, 0, "exit status")
    check_equal(run.engine_value("path"), directory[:252] + ";" + baseline, "path with a long directory")


@test
def value_without_backslash_changes_nothing(ctx):
    baseline = ctx.baseline_path()
    p = ctx.wine()
    p.register("zentaeng.dll")
    run = p.start(r"app-side\zenta.exe")
    check_equal(run.status, 0, "exit status")
    check_equal(run.engine_value("path"), baseline, "path with a value holding no backslash")
    calls = [c for c, _ in run.host]
    check("Tamix_malloc" not in calls[calls.index("SetTypeLibraryID"):], "path was joined")


@test
def unterminated_value_is_read_within_its_260_bytes(ctx):
    baseline = ctx.baseline_path()
    p = ctx.wine()
    # 260 bytes without a terminator whose last byte is a backslash: reading beyond the buffer
    # would cut there; kept within the buffer, the terminator takes that byte.
    value = "C:\\" + "a" * 20 + "\\" + "b" * 235 + "\\"
    check_equal(len(value), 260, "test value length")
    p.register(value.encode("ascii").hex(), kind="REG_BINARY")
    run = p.start(r"app-side\zenta.exe")
    check_equal(run.status, 0, "exit status")
    check_equal(run.engine_value("path"), "C:\\" + "a" * 20 + ";" + baseline, "path from an unterminated value")


# ---- runtime routed to the host library ------------------------------------------------

@test
def allocations_in_the_executable_reach_the_host_allocator(ctx):
    p = ctx.wine()
    p.register(ENGINE_DIR + r"\zentaeng.dll")
    run = p.start(r"app\zenta-probe.exe", ["one", "two"], env={"ZENTA_ENGINE_PROBES": "alloc"})
    check_equal(run.status, 0, "exit status")
    check_equal(run.engine_lines("alloc")[0]["failed-checks"], "0", "memory behaviour seen by the probe")

    # Start-up blocks: the copy of the argument vector is made before WinMain.
    first_text = run.host_index("Text::Text")
    startup = [f for c, f in run.host[:first_text] if c == "Tamix_malloc"]
    check(all(f["from"] == "zenta-probe.exe" for f in startup), "start-up block from another module")
    sizes = [int(f["size"]) for f in startup]
    check(len("C:\\app\\zenta-probe.exe") + 1 in sizes and len("one") + 1 in sizes,
          "argument-vector copies missing from the start-up allocations %s" % sizes)

    def one(call, **want):
        found = [f for c, f in run.host if c == call and all(f.get(k) == v for k, v in want.items())]
        check_equal(len(found), 1, "%s with %s" % (call, want))
        check_equal(found[0]["from"], "zenta-probe.exe", "caller of %s" % call)
        return found[0]

    made = one("Tamix_malloc", size="1231")
    grown = one("Tamix_realloc", block=made["ret"], size="2463")
    check(int(one("Tamix__msize", block=grown["ret"])["ret"]) >= 2463, "_msize of the grown block")
    zeroed = one("Tamix_calloc", count="3", size="411")
    dup = one("Tamix_strdup", text="zenta-probe-strdup")
    posix = one("Tamix_strdup", text="zenta-probe-posix-strdup")
    marker = one("Tamix_new", size="777")
    array = one("Tamix_new", size="555")
    string = one("Tamix_new", size="301")
    for block in (grown, zeroed, dup, posix):
        one("Tamix_free", block=block["ret"])
    for block in (marker, array, string):
        one("Tamix_delete", block=block["ret"])
    check_release_pairs(run)


@test
def math_domain_errors_reach_the_host_handler(ctx):
    p = ctx.wine()
    p.register(ENGINE_DIR + r"\zentaeng.dll")
    for verdict, expected_errno in (("1", 0), ("0", EDOM)):
        run = p.start(r"app\zenta-probe.exe", env={"ZENTA_ENGINE_PROBES": "math",
                                                    "ZENTA_MATHERR_VERDICT": verdict})
        check_equal(run.status, 0, "exit status")
        results = run.engine_lines("math")
        check_equal([r["name"] for r in results], ["log10", "sqrt", "pow", "acos", "sin", "cos"],
                    "math probe cases")
        handled = [f for c, f in run.host if c == "Zematherr"]
        names = [f["ret"] for c, f in run.host if c == "GetModuleName"]
        check_equal(len(handled), len(results), "Zematherr calls")
        check_equal(len(names), len(results), "GetModuleName calls")
        for result, hook, name in zip(results, handled, names):
            what = "%s(%s) with verdict %s" % (result["name"], result["arg1"], verdict)
            check_equal(hook["name"], result["name"], "function named to Zematherr for " + what)
            check_equal(hook["type"], "1", "error type (_DOMAIN) for " + what)
            check_equal(hook["arg1"], result["arg1"], "first argument for " + what)
            check_equal(hook["module"], name, "module name handed to Zematherr for " + what)
            check_equal(name, "zenta-probe.exe", "GetModuleName for " + what)
            check_equal(result["result"], hook["new-retval"], "value returned by " + what)
            check_equal(int(result["errno"]), expected_errno, "errno after " + what)


@test
def frame_window_activation_returns_or_exits(ctx):
    p = ctx.wine()
    p.register(ENGINE_DIR + r"\zentaeng.dll")
    run = p.start(r"app\zenta-probe.exe", env={"ZENTA_ENGINE_PROBES": "activate", "ZENTA_ENGINE_EXIT": "42"})
    check_equal(run.status, 42, "exit status without an application")
    check(run.engine_lines("activate-returned"), "activation did not return without an application")
    check("FrameWindow" not in [c for c, _ in run.host], "frame window asked for without an application")

    run = p.start(r"app\zenta-probe.exe", env={"ZENTA_ENGINE_PROBES": "activate", "ZENTA_ENGINE_EXIT": "42",
                                               "ZENTA_HOST_APP": "1"})
    check_equal(run.status, 1, "exit status after activation")
    check(not run.engine_lines("activate-returned"), "activation returned although an application exists")
    # The orderly exit ends the process from inside the engine: WinMain's Text is never
    # destroyed, and nothing else of the executable runs.
    calls = [c for c, _ in exe_calls(run, "zenta-probe.exe")]
    check_equal(calls[calls.index("AppInstance"):], ["AppInstance", "FrameWindow"],
                "calls from activation to the end")


# ---- the flow model carried by the executable ------------------------------------------

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MODEL_FLOATS = ("vers", "dpt", "hol", "dpf", "dpg", "dpa")
MODEL_INTS = ("id", "iter", "ierr")
MODEL_INPUTS = ("usl", "usg", "rol", "rog", "visl", "visg", "rough", "sigma", "diam", "angle", "pres")


def bits(x):
    return "%016x" % struct.unpack("<Q", struct.pack("<d", x))[0]


def from_bits(text):
    return struct.unpack("<d", struct.pack("<Q", int(text, 16)))[0]


def close_enough(a, b):
    if math.isnan(a) or math.isnan(b):
        return math.isnan(a) and math.isnan(b)
    if math.isinf(a) or math.isinf(b):
        return a == b
    return abs(a - b) <= max(1e-12, 1e-9 * max(abs(a), abs(b)))


@test
def model_in_the_executable_matches_the_native_build(ctx):
    """The engine looks `pipeflow` up in the instance it is handed and evaluates every case
    of the reference list; the results are compared with the native command's."""
    cases_csv = os.path.join(REPO, "flowmodel", "tests", "data", "reference", "cases.csv")
    native_exe = os.environ.get("PIPEFLOW_EXE", os.path.join(REPO, "build", "bin", "pipeflow"))
    check(os.path.exists(native_exe), "native pipeflow command not built at %s" % native_exe)
    native_out = subprocess.run([native_exe, "batch", "--input", cases_csv, "--jobs", "1"], check=True,
                                capture_output=True, text=True).stdout
    native = list(csv.DictReader(native_out.splitlines()))
    cases = list(csv.DictReader(open(cases_csv, newline="")))
    check_equal(len(native), len(cases), "native rows")
    p = ctx.wine()
    with open(os.path.join(p.records, "cases.txt"), "w") as f:
        for row in cases:
            f.write(" ".join(bits(float(row[k])) for k in MODEL_INPUTS) + "\n")
    run = p.start(r"app-side\zenta.exe", env={"ZENTA_ENGINE_PROBES": "pipeflow",
                                               "ZENTA_PIPEFLOW_CASES": r"C:\rec\cases.txt",
                                               "ZENTA_PIPEFLOW_RESULTS": r"C:\rec\results.txt"})
    check_equal(run.status, 0, "exit status")
    check_equal([f["cases"] for f in run.engine_lines("pipeflow")], [str(len(cases))], "cases evaluated")
    lines = open(os.path.join(p.records, "results.txt")).read().splitlines()
    check_equal(len(lines), len(cases), "result lines")
    equal, identical, differ = 0, 0, []
    for k, (line, want) in enumerate(zip(lines, native)):
        f = line.split("\t")
        got = dict(zip(MODEL_FLOATS, (from_bits(x) for x in f[:6])))
        got.update(zip(MODEL_INTS, f[6:9]))
        msg = unescape(f[9]).rstrip(" ") if len(f) > 9 else ""
        bad = [name for name in MODEL_FLOATS if not close_enough(got[name], float(want[name]))]
        bad += [name for name in MODEL_INTS if got[name] != want[name]]
        if msg != want["msg"]:
            bad.append("msg")
        if bad:
            differ.append((k + 2, cases[k]["set"], bad, {n: (got[n], want[n]) for n in bad if n != "msg"},
                           (msg, want["msg"]) if "msg" in bad else None))
        else:
            equal += 1
            identical += all(bits(got[n]) == bits(float(want[n])) for n in MODEL_FLOATS)
    print("  model in zenta.exe against the native build: %d/%d cases equal within 1e-9 (%.2f%%), "
          "%d bit for bit" % (equal, len(cases), 100.0 * equal / len(cases), identical))
    for row in differ:
        print("  differs: line %d (%s): %s %s %s" % row)
    # Messages, statuses and regimes are the model's own decisions: every one must agree;
    # last-bit differences of the runtime's math functions may move a few numbers.
    check(all("msg" not in r[2] and "ierr" not in r[2] for r in differ), "status or message differs")
    check(equal >= 0.99 * len(cases), "fewer than 99%% of the cases agree (%d)" % equal)


@test
def math_error_in_the_model_reaches_the_host_handler(ctx):
    """No accepted input makes the model's math fail, so a test-only probe of the test build
    calls the model's wave-friction correlation with a negative amplitude: its pow meets a
    domain error, the host's Zematherr judges it, and the model uses the replacement."""
    p = ctx.wine()
    p.register(ENGINE_DIR + r"\zentaeng.dll")
    run = p.start(r"app\zenta-probe.exe", env={"ZENTA_ENGINE_PROBES": "model-math"})
    check_equal(run.status, 0, "exit status")
    result = run.engine_lines("model-math")
    check_equal(len(result), 1, "model-math lines")
    handled = [f for c, f in run.host if c == "Zematherr"]
    check_equal(len(handled), 1, "Zematherr calls")
    hook = handled[0]
    check_equal(hook["name"], "pow", "function named to Zematherr")
    check_equal(hook["type"], "1", "error type (_DOMAIN)")
    check_equal(hook["module"], "zenta-probe.exe", "module name handed to Zematherr")
    # fricwa = 0.01 * pow(1e4 * amp / dh, 0.314): the replacement of pow, times 0.01.
    check_equal(float(hook["arg1"]), 1e4 * float(result[0]["amp"]) / float(result[0]["dh"]), "pow's base")
    check_equal(float(result[0]["result"]), 0.01 * float(hook["new-retval"]), "the model's use of the replacement")


# ---- the PE files ----------------------------------------------------------------------

def tool(arch, name):
    return "%s-w64-mingw32-%s" % (arch, name)


def output(args):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE).stdout.decode(errors="replace")


def imports_by_dll(objdump_p):
    """{dll name: [imported names]} from the import tables printed by objdump -p."""
    tables, current, in_names = {}, None, False
    for line in objdump_p.splitlines():
        stripped = line.strip()
        if stripped.startswith("DLL Name:"):
            current = stripped.split(":", 1)[1].strip()
            tables[current] = []
            in_names = False
        elif current and stripped.startswith("vma:") and "Hint/Ord" in stripped:
            in_names = True
        elif current and in_names:
            parts = stripped.split()
            if len(parts) >= 3:
                tables[current].append(parts[-1])
            else:
                current, in_names = None, False
    return tables


def exported_names(objdump_p):
    names, in_table = [], False
    for line in objdump_p.splitlines():
        if line.startswith("[Ordinal/Name Pointer] Table"):
            in_table = True
            continue
        if in_table:
            stripped = line.strip()
            if not stripped.startswith("["):
                break
            names.append(stripped.split()[-1])
    return names


def read_at_address(path, objdump_h, address, size):
    """Bytes of the image at virtual address, found through the section table."""
    for line in objdump_h.splitlines():
        parts = line.split()
        if len(parts) >= 6 and parts[0].isdigit():
            length, vma, offset = int(parts[2], 16), int(parts[3], 16), int(parts[5], 16)
            if vma <= address < vma + length:
                with open(path, "rb") as f:
                    f.seek(offset + address - vma)
                    return f.read(size)
    raise Failure("address %#x is in no section" % address)


def delay_imported_dll(arch, exe):
    """Name of the DLL in the delay-import descriptor of exe (32 bytes: attributes, name RVA,
    module handle RVA, IAT RVA, ...), found through its symbol; GNU ld does not fill the
    header's delay-import directory for dlltool's delay libraries."""
    symbols = output([tool(arch, "nm"), exe])
    descriptor = [int(l.split()[0], 16) for l in symbols.splitlines()
                  if l.endswith("__DELAY_IMPORT_DESCRIPTOR_libzentaeng_delay_a")]
    check_equal(len(descriptor), 1, "delay-import descriptors for zentaeng.dll")
    base = int([l for l in output([tool(arch, "objdump"), "-p", exe]).splitlines()
                if l.startswith("ImageBase")][0].split()[1], 16)
    sections = output([tool(arch, "objdump"), "-h", exe])
    raw = read_at_address(exe, sections, descriptor[0], 32)
    attributes = int.from_bytes(raw[0:4], "little")
    check_equal(attributes & 1, 1, "descriptor uses relative addresses")
    name_rva = int.from_bytes(raw[4:8], "little")
    name = read_at_address(exe, sections, base + name_rva, 64).split(b"\0")[0]
    return name.decode()


@test
def pe_files_are_gui_executables_for_both_targets(ctx):
    for build, arch, expected in ((ctx.build64, "x86_64", "PE32+ executable (GUI) x86-64"),
                                  (ctx.build32, "i686", "PE32 executable (GUI) Intel 80386")):
        description = output(["file", "-b", os.path.join(build, "zenta.exe")])
        check(description.startswith(expected), "%s zenta.exe is %r" % (arch, description.strip()))


@test
def host_is_imported_and_engine_is_delay_imported(ctx):
    for build, arch in ((ctx.build64, "x86_64"), (ctx.build32, "i686")):
        exe = os.path.join(build, "zenta.exe")
        headers = output([tool(arch, "objdump"), "-p", exe])
        imports = imports_by_dll(headers)
        check("tamix.dll" in imports, "%s: tamix.dll not imported (%s)" % (arch, sorted(imports)))
        check("zentaeng.dll" not in {d.lower() for d in imports},
              "%s: zentaeng.dll is a load-time import" % arch)
        check_equal(delay_imported_dll(arch, exe), "zentaeng.dll", "%s delay-imported DLL" % arch)
        check("LoadZENTAApplication" in output([tool(arch, "nm"), exe]),
              "%s: no delay-load thunk for LoadZENTAApplication" % arch)
        # The product carries no test entry points: its one export is the flow model's entry.
        check_equal(exported_names(headers), ["pipeflow"], "%s zenta.exe exports" % arch)


@test
def host_stand_in_exports_exactly_what_the_executable_imports(ctx):
    for build, arch in ((ctx.build64, "x86_64"), (ctx.build32, "i686")):
        imported = imports_by_dll(output([tool(arch, "objdump"), "-p", os.path.join(build, "zenta.exe")]))
        exported = exported_names(output([tool(arch, "objdump"), "-p", os.path.join(build, "tamix.dll")]))
        missing = sorted(set(imported["tamix.dll"]) - set(exported))
        check(not missing, "%s tamix.dll lacks %s" % (arch, missing))
        # g++ also exports the base-object variants (C2, D2) of an exported constructor or
        # destructor as aliases of the complete-object ones (C1, D1) the executable uses.
        aliases = {n.replace("C1", "C2", 1).replace("D1", "D2", 1) for n in imported["tamix.dll"]
                   if n.startswith("_ZN4Text")}
        extra = sorted(set(exported) - set(imported["tamix.dll"]) - aliases)
        check(not extra, "%s tamix.dll exports what zenta.exe does not import: %s" % (arch, extra))


# ---- driver ----------------------------------------------------------------------------

def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    ctx = Context(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]))
    passed = failed = 0
    only = os.environ.get("LAUNCHER_TESTS")  # optional comma list of case names
    try:
        for case in TESTS:
            if only and case.__name__ not in only.split(","):
                continue
            try:
                case(ctx)
            except Failure as error:
                failed += 1
                print("FAIL %s: %s" % (case.__name__, error))
            except Exception:  # a broken harness is a failure too, with its trace
                failed += 1
                print("FAIL %s: error\n%s" % (case.__name__, traceback.format_exc()))
            else:
                passed += 1
                print("PASS %s" % case.__name__)
            sys.stdout.flush()
    finally:
        if ctx.prefix is not None:
            ctx.prefix.close()
    print("wine-tests: %d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
