// The one parallel loop of the library: work over [0, n) shared out in
// chunks to a few threads, used by evaluate_many, pipeflow_many and the tools
// that evaluate many cases.
#ifndef FLOWMODEL_PARALLEL_HPP
#define FLOWMODEL_PARALLEL_HPP

#include <cstddef>
#include <functional>

namespace flowmodel {

// The number of threads meant by `jobs`: jobs itself, or one per core for 0.
unsigned resolve_jobs(unsigned jobs);

// Calls body(begin, end) for the ranges [k·chunk, min(n, (k+1)·chunk)),
// which together cover [0, n) once each, on min(resolve_jobs(jobs), number of
// chunks) threads, the calling thread among them. A thread takes the next
// range as soon as it has finished one, so none idles while ranges remain,
// however unequal their costs. Ranges are independent: which thread runs
// which range must not change what the body computes. If a body throws, no
// further ranges are started and the first exception is rethrown once every
// thread has stopped.
void parallel_for(std::size_t n, unsigned jobs, std::size_t chunk,
                  const std::function<void(std::size_t begin, std::size_t end)>& body);

}  // namespace flowmodel

#endif
