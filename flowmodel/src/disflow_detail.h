// Internal observation point of the distributed-flow iteration, for tests:
// a few values of the last call on this thread that the outputs do not show.
#ifndef FLOWMODEL_DISFLOW_DETAIL_H
#define FLOWMODEL_DISFLOW_DETAIL_H

namespace flowmodel {
namespace detail {

struct DisflowTrace {
    int passes;        // passes made, 1 to 22
    double first_step; // film-velocity step (m/s) of the first derivative update
    double als;        // gas fraction of the liquid slug in the last pass
    int held;          // secant passes that kept vlf (target film holdup <= 0)
};

extern thread_local DisflowTrace disflow_trace;

}  // namespace detail
}  // namespace flowmodel

#endif
