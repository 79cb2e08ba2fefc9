// Surveys and field inputs as engineers bring them: exported survey files,
// gauge pressures, temperatures without units, and what the model refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "flowmodel/option_error.hpp"
#include "flowmodel/blackoil.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/traverse_request.hpp"

namespace flowmodel {
namespace {

constexpr double kFt = 0.3048;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Line parse(const std::string& text, double unit = 1.0, double diam = 0.1) {
    std::istringstream in(text);
    return read_profile(in, "survey.csv", diam, 0.0, unit);
}

std::string profile_error(const std::string& text, double unit = 1.0) {
    try {
        parse(text, unit);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

#define EXPECT_HAS(text, part) EXPECT_NE(std::string(text).find(part), std::string::npos) << (text)

// The example well (scripts/make-directional-well.py): TVD of a station at md
// (ft) from its circular arcs, by hand: TVD = TVD0 + R (sin I - sin I0).
double hand_tvd(double md) {
    const double deg = 3.14159265358979323846 / 180;
    if (md <= 2000) return md;
    const double r1 = 100 / (3 * deg), r2 = 100 / (1 * deg);
    if (md <= 5000) return 2000 + r1 * std::sin((md - 2000) * 0.03 * deg);
    const double tvd_h = 2000 + r1;
    if (md <= 6500) return tvd_h;
    if (md <= 6800) return tvd_h + r2 * (std::sin((90 + (md - 6500) * 0.01) * deg) - 1);
    const double tvd_t = tvd_h + r2 * (std::sin(93 * deg) - 1);
    return tvd_t + (md - 6800) * std::cos(93 * deg);
}

TEST(Survey, TheExampleWellReadsAsExportedAndByInclinationAlone) {
    const std::string text = slurp(std::string(FLOWMODEL_EXAMPLES_DIR) + "/directional-well.csv");
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");               // a byte-order mark
    ASSERT_NE(text.find("\r\n"), std::string::npos);            // CRLF
    const Line tvd = parse(text, kFt);                          // MD,Inc,TVD with --profile-unit ft
    // The same with units in the headers, in any case and with blanks.
    std::string named = text;
    named.replace(named.find("MD,Inc,TVD"), 10, " MD (ft) ,Inc (deg),tvd [FT]");
    const Line headed = parse(named);
    std::string only_inc;  // MD,Inc: the elevations by minimum curvature
    {
        std::istringstream in(text);
        for (std::string row; std::getline(in, row);) only_inc += row.substr(0, row.rfind(',')) + "\n";
    }
    const Line inc = parse(only_inc, kFt);
    ASSERT_EQ(tvd.nodes.size(), 83u);
    ASSERT_EQ(inc.nodes.size(), tvd.nodes.size());
    for (size_t i = 0; i < tvd.nodes.size(); ++i) {
        EXPECT_EQ(headed.nodes[i].z, tvd.nodes[i].z);
        const double md_ft = inc.nodes[i].md / kFt;
        EXPECT_NEAR(-inc.nodes[i].z / kFt, hand_tvd(md_ft), 0.01) << "md " << md_ft;
    }
    // The bottom-hole pressure of the oil well on both surveys.
    auto bhp = [](const Line& line) {
        TraverseRequest r;
        for (const auto& [k, v] : std::map<std::string, std::string>{
                 {"diam", "2.441in"}, {"rough", "0.0006in"}, {"outlet-pres", "200psia"}, {"temp-in", "180degF"},
                 {"temp-out", "100degF"}, {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.07"},
                 {"oil-rate", "1000 STB/d"}, {"water-rate", "300 STB/d"}, {"gor", "600 scf/STB"}, {"length", "1"}}) {
            set_option(r, k, v);
        }
        r.flow_decreasing = true;
        TraverseSetup s = setup_traverse(r);
        s.line.nodes = line.nodes;
        for (LineNode& n : s.line.nodes) n.diam = 2.441 * 0.0254, n.rough = 0.0006 * 0.0254;
        // temperature linear in md from the wellhead (100 degF) to the bottom (180 degF)
        const double md1 = s.line.nodes.back().md;
        for (LineNode& n : s.line.nodes) n.temp = (100 + 80 * n.md / md1 + 459.67) / 1.8;
        const TraverseResult res = traverse(s);
        EXPECT_TRUE(res.summary.complete) << res.summary.message;
        return res.summary.inlet_pres;
    };
    const double a = bhp(tvd), b = bhp(inc);
    EXPECT_NEAR(b, a, 1e-4 * a);
}

TEST(Survey, VerticalSegmentsWrittenToTwoDecimalsAreVertical) {
    // 95 ft of md and 95.00 ft of tvd: the subtraction of rounded doubles came
    // out above the length; a tvd 0.01 ft above its md is an export's rounding.
    EXPECT_NO_THROW(parse("md,tvd\n0,0\n1995.05,1995.05\n2090.05,2090.05\n", kFt));
    EXPECT_NO_THROW(parse("md,tvd\n0,0\n950,950.01\n1045,1045\n", kFt));
    EXPECT_NO_THROW(parse("md,z\n0,0\n10,10.02\n", 1.0));
    // Beyond the rounding: the line, both stations and by how much.
    const std::string e = profile_error("md,tvd\n0,0\n100,100\n195,195.5\n", kFt);
    EXPECT_HAS(e, "line 4: from md 100 ft to 195 ft the tvd changes by 95.5 ft, 0.5 ft more than the md");
}

TEST(Survey, HeadersAsExportersWriteThem) {
    // Unused columns, a trailing separator, ';' and tab with decimal commas.
    const Line a = parse("MD,Inc,Azi,TVD,NS,EW,DLS,Comment,\n0,0,0,0,0,0,0,top,\n100,10,45,99.49,6.2,6.2,10,,\n", kFt);
    EXPECT_NEAR(a.nodes[1].z, -99.49 * kFt, 1e-12);
    const Line b = parse("md;tvd;diam\n0;0;0,1\n100;99,5;0,1\n");
    EXPECT_DOUBLE_EQ(b.nodes[1].z, -99.5);
    const Line c = parse("md\ttvd\n0\t0\n100\t99,5\n");
    EXPECT_DOUBLE_EQ(c.nodes[1].z, -99.5);
    const Line d = parse("md_ft,z_ft\n0,0\n100,-50\n");
    EXPECT_DOUBLE_EQ(d.nodes[1].z, -50 * kFt);
    // A decimal comma in a comma-separated row: more fields than the header.
    EXPECT_HAS(profile_error("md,z,diam\n0,0,0.15\n1500,-25,5,0.15\n"), "line 3: 4 fields where the header has 3");
    EXPECT_HAS(profile_error("md,z\n0,0\n1500\n"), "line 3: 1 fields where the header has 2");
    // Unknown and missing columns list what is accepted.
    EXPECT_HAS(profile_error("md,elev\n0,0\n"), "unknown column 'elev'; a profile takes md and one of tvd, z, angle or inc");
    EXPECT_HAS(profile_error("depth,tvd\n0,0\n"), "unknown column 'depth'");
    EXPECT_HAS(profile_error("tvd\n0\n"), "no column 'md'; a profile takes");
    EXPECT_HAS(profile_error("md,z,tvd\n0,0,0\n"), "give one of the columns tvd, z, angle or inc");
    EXPECT_HAS(profile_error("md (furlong),tvd\n0,0\n1,1\n"), "unit 'furlong' not known");
    EXPECT_HAS(profile_error("md,inc (ft)\n0,0\n1,1\n"), "unit 'ft' not known");
}

TEST(Survey, MinimumCurvatureWithAzimuthAndTheTvdCheck) {
    // A 90-degree turn in azimuth at 45 degrees inclination: a dogleg of
    // 60 degrees (cos DL = cos²45 + sin²45 cos 90 = 0.5); dTVD = ds cos45 RF.
    const double deg = 3.14159265358979323846 / 180;
    const double dl = 60 * deg, rf = 2 / dl * std::tan(dl / 2);
    EXPECT_NEAR(minimum_curvature_dtvd(100, 45 * deg, 45 * deg, 0, 90 * deg), 100 * std::cos(45 * deg) * rf, 1e-9);
    const Line a = parse("md,inc,azi\n0,45,0\n100,45,90\n");
    EXPECT_NEAR(a.nodes[1].z, -100 * std::cos(45 * deg) * rf, 1e-9);
    // Without azi, in the vertical plane: straight at 45 degrees.
    EXPECT_NEAR(parse("md,inc\n0,45\n100,45\n").nodes[1].z, -100 * std::cos(45 * deg), 1e-9);
    // Above 90 degrees the hole rises.
    EXPECT_GT(parse("md,inc\n0,95\n100,95\n").nodes[1].z, 0);
    // tvd and inc together: tvd is used, the inclinations checked against it.
    EXPECT_DOUBLE_EQ(parse("md,inc,tvd\n0,0,0\n100,10,99.49\n").nodes[1].z, -99.49);
    EXPECT_HAS(profile_error("md,inc,tvd\n0,0,0\n100,60,99\n"), "line 3: from md 0 m to 100 m the tvd changes by 99 m, "
                                                               "but the inclinations give");
    EXPECT_HAS(profile_error("md,inc\n0,0\n100,181\n"), "column 'inc' must be within 0");
}

TEST(Survey, TemperaturesWithoutAUnitBelow200KAreRefused) {
    EXPECT_HAS(profile_error("md,z,temp\n0,0,25\n100,0,25\n"), "line 2: column 'temp' is 25 K without a unit");
    const Line ok = parse("md,z,temp_degC\n0,0,25\n100,0,25\n");
    EXPECT_DOUBLE_EQ(ok.nodes[0].temp, 298.15);
    EXPECT_DOUBLE_EQ(parse("md,z,Temp (degF)\n0,0,32\n100,0,32\n").nodes[1].temp, 273.15);
    EXPECT_DOUBLE_EQ(parse("md,z,temp_K\n0,0,77\n100,0,77\n").nodes[1].temp, 77);  // a cryogenic line says K
    EXPECT_NO_THROW(parse("md,z,temp\n0,0,300\n100,0,300\n"));
}

// A traverse request from option texts, as the command and Python give them.
TraverseRequest request(const std::map<std::string, std::string>& options) {
    TraverseRequest r;
    for (const auto& [k, v] : options) set_option(r, k, v);
    return r;
}

std::string setup_error(const TraverseRequest& r) {
    try {
        setup_traverse(r);
    } catch (const OptionError& e) {
        return e.text();
    }
    return "accepted";
}

std::string setup_error_of(const std::map<std::string, std::string>& options) {
    try {
        return setup_error(request(options));
    } catch (const OptionError& e) {
        return e.text();
    }
}

const std::map<std::string, std::string> kGasLine = {
    {"length", "1000"}, {"diam", "0.1"}, {"liquid-rate", "1"}, {"gas-rate", "0.1"}, {"rol", "850"},
    {"visl", "5e-3"}, {"sigma", "0.02"}, {"gas-molar-mass", "18"}, {"visg", "1.2e-5"}, {"temp", "300"},
    {"inlet-pres", "1e6"}};

std::map<std::string, std::string> with(std::map<std::string, std::string> o, const std::string& k, const std::string& v) {
    o[k] = v;
    return o;
}

TEST(FieldInputs, GaugePressuresAreReadAboveTheAtmosphere) {
    const double psi = blackoil::kPsi;
    const TraverseSetup a = setup_traverse(request(with(kGasLine, "inlet-pres", "185.304psig")));
    EXPECT_NEAR(a.options.pres, 185.304 * psi + 101325, 1e-6);  // 14.696 psia taken as 101325 Pa
    EXPECT_DOUBLE_EQ(a.atm_pres, 101325);
    auto high = request(with(kGasLine, "inlet-pres", "10barg"));
    set_option(high, "atm-pres", "12psia");  // a field at altitude sets its own
    const TraverseSetup b = setup_traverse(high);
    EXPECT_NEAR(b.options.pres, 1e6 + 12 * psi, 1e-6);
    EXPECT_NEAR(setup_traverse(request(with(kGasLine, "inlet-pres", "500 kPag"))).options.pres, 601325, 1e-9);
    // No gauge reading: nothing to state.
    EXPECT_EQ(setup_traverse(request(kGasLine)).atm_pres, 0);
    EXPECT_EQ(traverse(a).summary.atm_pres, 101325);
    // A bare psi is ambiguous for a pressure; the atmosphere is absolute.
    EXPECT_HAS(setup_error_of(with(kGasLine, "inlet-pres", "200 psi")), "'psi' is ambiguous");
    EXPECT_HAS(setup_error_of(with(kGasLine, "atm-pres", "1 psig")), "{atm-pres} is an absolute pressure");
    EXPECT_HAS(setup_error_of(with(kGasLine, "atm-pres", "1 psia")), "{atm-pres} must be from 10 to 200 kPa");
}

// A tolerance finer than the methods' iterations resolve would send every
// step to the shortest and spend the whole budget (a fuzz input at 1e-30 Pa
// took 13 s for one well): refused, the finest one taken.
TEST(FieldInputs, ATolerancePastWhatTheMethodsResolveIsRefused) {
    EXPECT_HAS(setup_error_of(with(kGasLine, "tol", "1e-30")), "{tol} must be at least 0.001 Pa");
    EXPECT_HAS(setup_error_of(with(kGasLine, "tol", "0")), "{tol} must be at least 0.001 Pa");
    EXPECT_EQ(setup_error_of(with(kGasLine, "tol", "0.001")), "accepted");
}

// Standard volume rates and gas ratios differ by orders of magnitude
// between oilfield and metric units: a bare number is refused with what it
// would be; a mass rate of the constant fluid stays SI.
TEST(FieldInputs, BareRatesAndRatiosAreRefusedWithWhatTheyWouldBe) {
    std::map<std::string, std::string> oil = {{"length", "1000"}, {"angle", "90"}, {"diam", "0.1"}, {"temp", "300K"},
                                              {"inlet-pres", "100bar"}, {"api", "35"}, {"gas-gravity", "0.65"},
                                              {"oil-rate", "1000 STB/d"}, {"gor", "500 scf/STB"}};
    EXPECT_EQ(setup_error_of(oil), "accepted");
    EXPECT_HAS(setup_error_of(with(oil, "gor", "800")),
               "{gor} 800 has no unit and would be 800 Sm3/Sm3 (4492 scf/STB): write its unit ('800 scf/STB', '800 Sm3/Sm3')");
    EXPECT_HAS(setup_error_of(with(oil, "oil-rate", "1500")), "{oil-rate} 1500 has no unit and would be 1500 Sm3/s");
    auto liquid = with(oil, "liquid-rate", "1500");
    liquid.erase("oil-rate");
    liquid["water-cut"] = "0.3";
    liquid["water-gravity"] = "1.05";
    EXPECT_HAS(setup_error_of(liquid), "{liquid-rate} 1500 has no unit: with {api} it is a volume rate at standard conditions");
    EXPECT_HAS(setup_error_of(with(oil, "lift-gas-rate", "500")), "{lift-gas-rate} 500 has no unit");
    EXPECT_EQ(setup_error_of(with(kGasLine, "liquid-rate", "5")), "accepted");  // kg/s
}

// A profile that descends as a well does may be a producer or an injector:
// the direction must be said; a line and a well whose direction is said are taken.
TEST(FieldInputs, AWellsDirectionOfFlowMustBeSaid) {
    const std::string path = ::testing::TempDir() + "/descending.csv";
    std::ofstream(path) << "md (m),tvd (m)\n0,0\n1000,990\n2000,1950\n";
    auto line = kGasLine;
    line.erase("length");
    TraverseRequest r = request(line);
    r.profile = path;
    EXPECT_HAS(setup_error(r), "{profile} descends as a well does (its last point {length=1950} below its first): give "
                               "{flow-direction} decreasing for a producer");
    EXPECT_HAS(command_words(setup_error(r), UnitSystem::Field), "(its last point 6397.6 ft below its first)");
    for (const char* direction : {"increasing", "decreasing"}) {
        TraverseRequest said = r;
        set_flow_direction(said, direction);
        EXPECT_EQ(setup_error(said), "accepted") << direction;
    }
    std::ofstream(path) << "md (m),z (m)\n0,0\n1000,-50\n2000,-150\n";  // a line running downhill
    EXPECT_EQ(setup_error(r), "accepted");
    // A deviated well's survey, its bottom less than half its length down, is a well.
    std::ofstream(path) << "md (m),inc\n0,0\n1000,60\n2400,88\n";
    EXPECT_HAS(setup_error(r), "{profile} descends as a well does");
    std::ofstream(path) << "md (m),z (m)\n0,0\n1000,-300\n2000,-300\n";  // steeper than terrain: a well
    EXPECT_HAS(setup_error(r), "{profile} descends as a well does");
}

TEST(FieldInputs, BareTemperaturesBelow200KAreRefused) {
    EXPECT_HAS(setup_error_of(with(kGasLine, "temp", "25")), "{temp} 25 has no unit and would be 25 K");
    EXPECT_HAS(setup_error_of(with(kGasLine, "temp", "25")), "25degC, 25degF");
    EXPECT_EQ(setup_error_of(with(kGasLine, "temp", "25degC")), "accepted");
    EXPECT_EQ(setup_error_of(with(kGasLine, "temp", "77K")), "accepted");
}

TEST(FieldInputs, WhatTheModelRefusesIsNamedBeforeTheMarch) {
    EXPECT_HAS(setup_error_of(with(kGasLine, "rough", "0.2")), "{rough} 0.2 m is larger than {diam} 0.1 m");
    EXPECT_HAS(setup_error_of(with(kGasLine, "diam", "2000")), "{diam} 2000 m is outside the model's range");
    EXPECT_HAS(setup_error_of(with(kGasLine, "sigma", "1e-7")), "{sigma} 1e-07 N/m is outside the model's range");
    // The profile's own diameter and roughness: named by line.
    const std::string dir = ::testing::TempDir();
    std::ofstream(dir + "/rough.csv") << "md,z,diam,rough\n0,0,0.1,0\n100,0,0.05,0.06\n200,0,0.05,0\n";
    auto profile = with(kGasLine, "length", "");
    profile.erase("length");
    TraverseRequest r = request(profile);
    r.profile = dir + "/rough.csv";
    r.profile_unit = 1.0;
    EXPECT_HAS(setup_error(r), "profile line 3: the roughness 0.06 m is larger than the diameter 0.05 m");
    // What a fluid table gives at the first point.
    std::ofstream(dir + "/thin.csv") << "pres,temp,rol,rog,visl,visg,sigma\n"
                                        "1e5,290,800,1,1e-3,1e-5,1e-6\n1e5,310,800,1,1e-3,1e-5,1e-6\n"
                                        "2e6,290,800,20,1e-3,1e-5,1e-6\n2e6,310,800,20,1e-3,1e-5,1e-6\n";
    auto tabled = kGasLine;
    for (const char* k : {"rol", "visl", "sigma", "gas-molar-mass", "visg"}) tabled.erase(k);
    TraverseRequest t = request(tabled);
    t.fluid_table = dir + "/thin.csv";
    EXPECT_HAS(setup_error(t), "the fluid table gives a surface tension of 1e-06 N/m at the first point (md 0.0 m, 1000000 Pa, 300.00 K)");
}

TEST(FieldInputs, AGasGravityThatContradictsItsImpuritiesIsRefused) {
    const std::map<std::string, std::string> oil = {
        {"length", "1000"}, {"angle", "90"}, {"diam", "0.062"}, {"inlet-pres", "200psia"}, {"temp", "150degF"},
        {"api", "35"}, {"gas-gravity", "0.65"}, {"oil-rate", "1000 STB/d"}, {"gor", "600 scf/STB"}};
    EXPECT_EQ(setup_error_of(oil), "accepted");
    const std::string e = setup_error_of(with(oil, "co2", "0.5"));
    EXPECT_HAS(e, "{gas-gravity} 0.65 with mole fractions CO2 0.5, H2S 0, N2 0 leaves the hydrocarbon part a gravity of");
    EXPECT_HAS(e, "below methane's 0.55");
    EXPECT_EQ(setup_error_of(with(oil, "co2", "0.05")), "accepted");
}

TEST(FieldInputs, RangeWarningsDoNotFireOnTheEdgeOfTheRange) {
    // Standing's bubble point is fitted from 100 to 258 °F, Lee-Gonzalez-Eakin
    // from 100 °F and 100 psia: a line at exactly 100 °F and 5000 psia is inside.
    blackoil::BlackOilInputs in;
    in.api = 35;
    in.gas_gravity = 0.65;
    in.oil_rate = 1e-3;
    in.gas_rate = 0.1;
    in.water_rate = 1e-4;
    in.water_gravity = 1.07;
    const std::pair<double, const char*> edges[] = {
        {100, "Standing bubble point used outside its range: temperature"},
        {100, "Lee-Gonzalez-Eakin gas viscosity used outside its range: temperature"},
        {100, "McCain water viscosity used outside its range: temperature"},
        {258, "Standing bubble point used outside its range: temperature"},
        {295, "Beggs-Robinson dead-oil viscosity used outside its range: temperature"},
        {340, "Lee-Gonzalez-Eakin gas viscosity used outside its range: temperature"}};
    for (const auto& [degF, wrong] : edges) {
        const blackoil::BlackOil fluid(in);
        RangeLog log;
        fluid.at(5000 * blackoil::kPsi, (degF + 459.67) / 1.8, &log);
        for (const std::string& w : fluid.warnings(log)) {
            EXPECT_EQ(w.find(wrong), std::string::npos) << w;
            EXPECT_EQ(w.find("McCain water volume factor used outside its range: pressure"), std::string::npos) << w;
        }
    }
}

}  // namespace
}  // namespace flowmodel
