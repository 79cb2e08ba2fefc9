// The default case through the installed C++ API; prints the same line as
// consumer.c so the two can be compared, and the regime name.
#include <cstdio>

#include <flowmodel/flowmodel.hpp>

int main() {
    flowmodel::Inputs in;
    in.usl = 0.1;
    in.usg = 5.0;
    in.rol = 1000.0;
    in.rog = 1.2;
    in.visl = 1e-3;
    in.visg = 1.8e-5;
    in.rough = 1.5e-6;
    in.sigma = 0.072;
    in.diam = 0.05;
    in.angle = 0.0;
    in.pres = 101300.0;
    const flowmodel::Result r = flowmodel::evaluate(in);
    if (r.status != flowmodel::Status::Ok) {
        std::fprintf(stderr, "unexpected status: %s\n", flowmodel::status_name(r.status));
        return 1;
    }
    std::printf("id %d holdup %.17g dpt %.17g\n", static_cast<int>(r.regime), r.holdup, r.dpt);
    std::fprintf(stderr, "regime %s\n", flowmodel::regime_name(r.regime));
    return 0;
}
