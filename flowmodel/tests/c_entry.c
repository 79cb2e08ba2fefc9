/* Compiled as C: the public header must be valid C and the entry callable from C. */
#include "pipeflow.h"

#include <string.h>

/* Evaluates one air-water case; returns its status, or -1 when the entry
 * left an output unset or the message unterminated. */
int c_entry_evaluate(double usl, double usg, int *id, double *hol) {
    double vers = 0, dpt = -1, dpf = -1, dpg = -1, dpa = -1;
    int iter = -1, ierr = -1;
    char msg[PIPEFLOW_MSG_SIZE];
    memset(msg, 'x', sizeof msg);
    *id = -1;
    *hol = -1;
    pipeflow(&vers, usl, usg, 1000.0, 1.2, 1e-3, 1.8e-5, 1.5e-6, 0.072, 0.05, 0.0, 101300.0, &dpt,
             hol, id, &iter, &ierr, msg, (int)sizeof msg, &dpf, &dpg, &dpa);
    if (vers != PIPEFLOW_VERSION || memchr(msg, '\0', sizeof msg) == NULL || iter < 0) return -1;
    return ierr;
}

/* Evaluates n cases through pipeflow_many from C into caller-owned arrays
 * with message slots of lmsg bytes; returns pipeflow_many's result. */
int c_entry_many(const pipeflow_case *cases, pipeflow_result *results, char *msgs, int lmsg,
                 size_t n, int jobs) {
    return pipeflow_many(cases, results, msgs, lmsg, n, jobs);
}
