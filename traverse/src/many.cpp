// Many independent traverses on the library's one parallel loop.
#include "flowmodel/parallel.hpp"
#include "flowmodel/traverse.hpp"

namespace flowmodel {

std::vector<TraverseResult> traverse_many(const std::vector<TraverseCase>& cases, unsigned jobs) {
    std::vector<TraverseResult> out(cases.size());
    // One traverse per range: they are long and of unequal cost.
    parallel_for(cases.size(), jobs, 1, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) out[i] = traverse(*cases[i].line, *cases[i].fluid, cases[i].options);
    });
    return out;
}

}  // namespace flowmodel
