/*
 * pipeflow.h - C entry of the steady two-phase (gas-liquid) pipe-flow model.
 *
 * One call evaluates one point of a straight circular pipe: from eleven flow
 * and fluid properties it returns the flow regime, the liquid holdup and the
 * pressure gradient with its frictional, gravitational and accelerational
 * parts, a status code and a text message. SI units throughout.
 *
 * Thread safety: each thread has its own copy of the model's working record,
 * so calls on different threads may run at the same time. A single thread's
 * calls must not nest (the model calls nothing back).
 */
#ifndef PIPEFLOW_H
#define PIPEFLOW_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Model version written to *vers on every call. */
#define PIPEFLOW_VERSION 1.06

/* Flow regime (*id). */
#define PIPEFLOW_STRATIFIED_SMOOTH 0
#define PIPEFLOW_STRATIFIED_WAVY 1
#define PIPEFLOW_ANNULAR 2 /* also reported at the critical-flow limit */
#define PIPEFLOW_SLUG 3
#define PIPEFLOW_DISPERSED_BUBBLE 4

/* Status (*ierr). */
#define PIPEFLOW_OK 0              /* normal end, message blank */
#define PIPEFLOW_INPUT_CORRECTED 1 /* liquid density raised to 1.001 rog, results computed */
#define PIPEFLOW_IMPROPER_INPUT 2  /* input out of range, non-finite or without flow: nothing
                                      computed, results 0, message lists the inputs */
#define PIPEFLOW_NO_REGIME 3       /* usg < 1e-6 and no slug/dispersed-bubble answer, results 0 */

/* Marker values. */
#define PIPEFLOW_CRITICAL_DPT 1e10 /* *dpt (and *dpa) at the critical-flow limit */
#define PIPEFLOW_ITER_INVALID 99   /* *iter: separated solution not converged or critical */

/* Size of a message buffer that holds every message whole (159 characters + NUL). */
#define PIPEFLOW_MSG_SIZE 160

/*
 * vers   out  model version, always 1.06
 * usl    in   superficial liquid velocity, m/s (0 to 1e4)
 * usg    in   superficial gas velocity, m/s (>= 0)
 * rol    in   liquid density, kg/m3 (1e-10 to 1e5, after being raised to 1.001 rog
 *             when not above rog)
 * rog    in   gas density, kg/m3 (>= 1e-10)
 * visl   in   liquid dynamic viscosity, Pa s (>= 1e-10)
 * visg   in   gas dynamic viscosity, Pa s (>= 1e-10)
 * rough  in   absolute wall roughness, m (0 to diam)
 * sigma  in   gas-liquid surface tension, N/m (1e-5 to 100)
 * diam   in   pipe inner diameter, m (1e-6 to 1e3)
 * angle  in   inclination from the horizontal, degrees, positive for rising flow
 *             (-360 to 360)
 * pres   in   pressure, Pa (>= 100)
 * dpt    out  total pressure gradient, Pa/m, positive when pressure falls along the flow
 * hol    out  liquid holdup, fraction of the cross-section filled with liquid, 0..1
 * id     out  flow regime, PIPEFLOW_STRATIFIED_SMOOTH .. PIPEFLOW_DISPERSED_BUBBLE
 * iter   out  iterations of the separated-flow solution; 99 marks it invalid; 0 when not run
 * ierr   out  status, PIPEFLOW_OK .. PIPEFLOW_NO_REGIME
 * msg    out  message buffer of lmsg bytes: blank-padded to lmsg - 1 characters and
 *             NUL-terminated; may be NULL; nothing is written when lmsg <= 1 for the
 *             fixed messages (< 1 for the improper-input message, which is cut to fit)
 * lmsg   in   size of msg in bytes; PIPEFLOW_MSG_SIZE or more holds every message whole
 * dpf    out  frictional part of dpt, Pa/m
 * dpg    out  gravitational part of dpt, Pa/m
 * dpa    out  accelerational part of dpt, Pa/m
 */
void pipeflow(double *vers, double usl, double usg, double rol, double rog, double visl,
              double visg, double rough, double sigma, double diam, double angle, double pres,
              double *dpt, double *hol, int *id, int *iter, int *ierr, char *msg, int lmsg,
              double *dpf, double *dpg, double *dpa);

/* One case for pipeflow_many: the eleven inputs in pipeflow's order and units. */
typedef struct pipeflow_case {
    double usl, usg, rol, rog, visl, visg, rough, sigma, diam, angle, pres;
} pipeflow_case;

/* What pipeflow returns for one case, apart from the message. */
typedef struct pipeflow_result {
    double vers, dpt, hol, dpf, dpg, dpa;
    int id, iter, ierr;
} pipeflow_result;

/*
 * Evaluates n cases, each exactly as one call of pipeflow would, on `jobs`
 * threads (0: one per core). results[i] and the message slot
 * msgs + i * lmsg receive what pipeflow gives for cases[i]; the slot obeys
 * pipeflow's rules for its buffer (msgs may be NULL, then lmsg is ignored).
 * The results never depend on the number of threads: each case is evaluated
 * on its own and written to its own place.
 *
 * The cases are an array of structs rather than eleven arrays with strides:
 * one pointer and one count are all a C caller has to get right, a case is
 * one record as it is in the caller's own tables, and pipeflow_case is laid
 * out as eleven doubles in pipeflow's argument order.
 *
 * Returns 0, or -1 without evaluating anything when cases or results is NULL
 * while n > 0, or lmsg < 0 while msgs is not NULL, or jobs < 0.
 */
int pipeflow_many(const pipeflow_case *cases, pipeflow_result *results, char *msgs, int lmsg,
                  size_t n, int jobs);

#ifdef __cplusplus
}
#endif

#endif /* PIPEFLOW_H */
