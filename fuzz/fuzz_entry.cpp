// libFuzzer target for the model's C entry `pipeflow`.
//
// The bytes decode into a message-buffer size (0..400) and eleven inputs; each
// input is chosen by a tag byte as raw IEEE bits (any NaN, infinity, denormal,
// signed zero, huge or tiny value), a listed special value, a typical value
// scaled by a power of two, or the typical value itself. The buffer is a heap
// block of exactly lmsg bytes, so AddressSanitizer sees any write past it.
// After every call the harness checks the contract of the entry and aborts on
// the first violation, printing the inputs as hexadecimal floats.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "fuzz_decode.h"
#include "flowmodel/flowmodel.hpp"
#include "pipeflow.h"

namespace {

struct Call {
    double in[11];
    int lmsg;
};

[[noreturn]] void fail(const Call& c, const char* what) {
    std::fprintf(stderr, "pipeflow contract violated: %s\n  lmsg = %d\n", what, c.lmsg);
    for (int k = 0; k < 11; ++k) std::fprintf(stderr, "  %-5s = %a (%.17g)\n", flowmodel::kInputFields[k].name, c.in[k], c.in[k]);
    std::abort();
}

// True when the first n bytes of buf equal the first n characters of text
// followed by blanks (the fill of a fixed message cut or padded to n).
bool filled_with(const char* buf, int n, const char* text) {
    const int len = static_cast<int>(std::strlen(text));
    for (int i = 0; i < n; ++i) {
        const char want = i < len ? text[i] : ' ';
        if (buf[i] != want) return false;
    }
    return true;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzdecode::Reader rd(data, size);
    Call c{};
    c.lmsg = static_cast<int>(rd.u16() % 401);
    for (int k = 0; k < 11; ++k) c.in[k] = fuzzdecode::input_value(rd, k);

    // Exactly lmsg bytes (new char[0] is a valid zero-size block).
    std::unique_ptr<char[]> msg(new char[static_cast<size_t>(c.lmsg)]);
    const unsigned char kPoison = 0xA5;
    std::memset(msg.get(), kPoison, static_cast<size_t>(c.lmsg));

    // Outputs start as values the entry never produces, so a missed write shows.
    const double junk = -7.25e123;
    double vers = junk, dpt = junk, hol = junk, dpf = junk, dpg = junk, dpa = junk;
    int id = -77, iter = -77, ierr = -77;
    pipeflow(&vers, c.in[0], c.in[1], c.in[2], c.in[3], c.in[4], c.in[5], c.in[6], c.in[7],
             c.in[8], c.in[9], c.in[10], &dpt, &hol, &id, &iter, &ierr, msg.get(), c.lmsg, &dpf,
             &dpg, &dpa);

    if (!same_bits(vers, 1.06)) fail(c, "vers is not 1.06");
    if (ierr < 0 || ierr > 3) fail(c, "ierr outside 0..3");
    if (id < 0 || id > 4) fail(c, "id outside 0..4");
    if (iter < 0 || iter > 99) fail(c, "iter outside 0..99");

    // Message buffer.
    const char* m = msg.get();
    if (c.lmsg >= 2 || (c.lmsg == 1 && ierr == 2)) {
        if (std::memchr(m, '\0', static_cast<size_t>(c.lmsg)) == nullptr)
            fail(c, "message not NUL-terminated inside the buffer");
    }
    if (c.lmsg <= 1 && ierr != 2) {
        for (int i = 0; i < c.lmsg; ++i)
            if (static_cast<unsigned char>(m[i]) != kPoison) fail(c, "fixed message written into lmsg <= 1");
    }
    if (c.lmsg >= 2) {
        const int n = c.lmsg - 1;  // characters of a fixed message, NUL at n
        switch (ierr) {
            case 0:
                if (!filled_with(m, n, "") || m[n] != '\0') fail(c, "status 0 without a blank message");
                break;
            case 1:
                if (!filled_with(m, n, "*** Warning: rol is modified by intest routine") || m[n] != '\0')
                    fail(c, "status 1 without its warning");
                break;
            case 3:
                if (!filled_with(m, n, "*** Error. id is undefined (Small usg)") || m[n] != '\0')
                    fail(c, "status 3 without its error message");
                break;
            default: {
                const char* head = "WARNING! Improper input data:";
                const size_t len = std::strlen(m);
                const size_t cmp = len < std::strlen(head) ? len : std::strlen(head);
                if (std::strncmp(m, head, cmp) != 0 || len != static_cast<size_t>(std::min(n, 159)))
                    fail(c, "status 2 without the improper-input message");
            }
        }
    }

    if (ierr == 2 || ierr == 3) {
        // Nothing computed: every result at its start value.
        if (!same_bits(dpt, 0.0) || !same_bits(hol, 0.0) || !same_bits(dpf, 0.0) ||
            !same_bits(dpg, 0.0) || !same_bits(dpa, 0.0) || id != 0 || iter != 0)
            fail(c, "status 2 or 3 with results other than their start values");
        return 0;
    }

    // Status 0 or 1: finite results or the critical-flow markers.
    const bool critical = dpt == 1e10 && dpa == 1e10 && dpf == 0.0 && dpg == 0.0 && id == 2 && iter == 0;
    if (!critical) {
        if (!std::isfinite(dpt) || !std::isfinite(dpf) || !std::isfinite(dpg) || !std::isfinite(dpa))
            fail(c, "accepted input gave a non-finite pressure gradient");
    }
    if (!(hol >= 0.0 && hol <= 1.0)) fail(c, "accepted input gave a holdup outside [0, 1]");
    return 0;
}
