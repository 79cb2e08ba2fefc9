/* Evaluates the default case (air-water, 0.1 / 5 m/s, horizontal 5 cm pipe)
 * through the installed C entry and prints regime, holdup and gradient. */
#include <stdio.h>

#include <pipeflow.h>

int main(void) {
    double vers, dpt, hol, dpf, dpg, dpa;
    int id, iter, ierr;
    char msg[PIPEFLOW_MSG_SIZE];
    pipeflow(&vers, 0.1, 5.0, 1000.0, 1.2, 1e-3, 1.8e-5, 1.5e-6, 0.072, 0.05, 0.0, 101300.0, &dpt, &hol, &id,
             &iter, &ierr, msg, (int)sizeof msg, &dpf, &dpg, &dpa);
    if (ierr != PIPEFLOW_OK || vers != PIPEFLOW_VERSION) {
        fprintf(stderr, "unexpected status %d, version %g\n", ierr, vers);
        return 1;
    }
    printf("id %d holdup %.17g dpt %.17g\n", id, hol, dpt);
    return 0;
}
