// What the march asks at a point of the line: the gradient, its parts, the
// holdup and the regime. The march takes it as a value, so another method of
// the pressure gradient is another implementation of PointModel.
#ifndef FLOWMODEL_MARCH_POINT_MODEL_HPP
#define FLOWMODEL_MARCH_POINT_MODEL_HPP

#include <array>
#include <cstdint>

#include "flowmodel/fluids.hpp"
#include "flowmodel/methods.hpp"
#include "march/state.hpp"

namespace flowmodel::march {

class PointModel {
public:
    virtual ~PointModel() = default;
    // The answer at flow coordinate s of segment g with pressure p. Throws
    // Stop where the line cannot go on (no fluid state, no answer, critical
    // flow, the pressure below what the model takes).
    // T is the fluid's temperature where the segment marches it, else unused.
    virtual Eval at(const Segment& g, double s, double p, double T) const = 0;
};

// The point where flow coordinate s of segment g lies, with pressure p, and
// the eleven properties of the flow there from the fluid. Throws Stop where
// the pressure is below what the methods take or the fluid has no state.
Inputs point_inputs(const Segment& g, double s, double p, double T, const Fluid& fluid, RangeLog& log,
                    TraversePoint& pt);

// A method of the pressure gradient along the line, as its row of the
// method table says: its answer integrated as it is, no answer or critical
// flow stopping the march. Where the row says its invalid answers are bridged
// (the model's separated solution marked invalid, iter 99), the gradient,
// its parts, the holdup and the regime are interpolated in pressure between
// the nearest valid answers at the same point (looked for up to 5 % of the
// pressure on either side), or its own numbers kept where there are none (the
// rule is described at the head of driver.cpp). Counts its evaluations;
// notes the fluid's ranges and the method's fitted ranges left.
class MethodModel : public PointModel {
public:
    // Lowest and highest value met outside each fitted range of the method.
    struct RangesLeft {
        std::uint32_t bits = 0;
        std::array<double, 8> low{}, high{};
    };
    MethodModel(const MethodInfo& method, const Fluid& fluid, RangeLog& log, RangesLeft& left, long& evaluations)
        : method_(method), fluid_(fluid), log_(log), left_(left), evaluations_(evaluations) {}
    Eval at(const Segment& g, double s, double p, double T) const override;

private:
    Eval raw(const Segment& g, double s, double p, double T) const;  // the method's own answer
    bool nearest_valid(const Segment& g, double s, double p, double T, int side, Eval& out, double& p_out) const;
    void note_ranges(const PointAnswer& a, const Inputs& in) const;

    const MethodInfo& method_;
    const Fluid& fluid_;
    RangeLog& log_;
    RangesLeft& left_;
    long& evaluations_;
};

// Another point model with its liquid holdup times `holdup` (at most 1) and
// its friction part times `friction`: the gravity part follows the mixture
// density the new holdup gives, the acceleration part is kept.
class TunedModel : public PointModel {
public:
    TunedModel(const PointModel& inner, double holdup, double friction)
        : inner_(inner), holdup_(holdup), friction_(friction) {}
    Eval at(const Segment& g, double s, double p, double T) const override;

private:
    const PointModel& inner_;
    double holdup_, friction_;
};

// Another point model with the energy balance: the rate of the fluid's
// temperature and of the heat lost, from the inner model's gradient, the
// fluid's specific heats and the heat-transfer law against the
// surroundings' temperature (the line's).
class HeatedModel : public PointModel {
public:
    HeatedModel(const PointModel& inner, const Fluid& fluid, const HeatTransfer& heat, double gravity, RangeLog& log)
        : inner_(inner), fluid_(fluid), heat_(heat), gravity_(gravity), log_(log) {}
    Eval at(const Segment& g, double s, double p, double T) const override;

private:
    const PointModel& inner_;
    const Fluid& fluid_;
    const HeatTransfer& heat_;
    double gravity_;  // m/s2, the inner model's
    RangeLog& log_;
};

}  // namespace flowmodel::march

#endif
