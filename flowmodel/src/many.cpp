// pipeflow_many: the C entry for many cases, each one call of pipeflow on one
// of the library's worker threads.
#include "flowmodel/parallel.hpp"
#include "pipeflow.h"

extern "C" int pipeflow_many(const pipeflow_case* cases, pipeflow_result* results, char* msgs,
                             int lmsg, size_t n, int jobs) {
    if (jobs < 0 || (n > 0 && (cases == nullptr || results == nullptr)) ||
        (msgs != nullptr && lmsg < 0)) {
        return -1;
    }
    const size_t slot = msgs != nullptr ? static_cast<size_t>(lmsg) : 0;
    try {
        flowmodel::parallel_for(n, static_cast<unsigned>(jobs), 16, [&](size_t b, size_t e) {
            for (size_t k = b; k < e; ++k) {
                const pipeflow_case& c = cases[k];
                pipeflow_result& r = results[k];
                char* const msg = msgs != nullptr ? msgs + k * slot : nullptr;
                pipeflow(&r.vers, c.usl, c.usg, c.rol, c.rog, c.visl, c.visg, c.rough, c.sigma,
                         c.diam, c.angle, c.pres, &r.dpt, &r.hol, &r.id, &r.iter, &r.ierr, msg,
                         msgs != nullptr ? lmsg : 0, &r.dpf, &r.dpg, &r.dpa);
            }
        });
    } catch (...) {
        // No exception may cross the C boundary; the loop's own storage is
        // the only thing that can fail here (out of memory).
        return -1;
    }
    return 0;
}
