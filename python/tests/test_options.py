"""Every option a verb accepts reaches its computation or is refused: a walk
over the option table for each verb of the command, and the cases where an
option was once accepted and then dropped, in the command and in Python."""
import json
import os
import subprocess

import pytest

import flowmodel

EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples")
PSI = 6894.757293168361

UNHEATED = ["--profile", os.path.join(EXAMPLES, "oil-well.csv"), "--profile-unit", "ft", "--diam", "2.441in",
            "--rough", "0.0006in", "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07"]
WELL = UNHEATED + ["--temp-in", "180degF", "--temp-out", "100degF"]
RATES = ["--oil-rate", "1000 STB/d", "--water-rate", "300 STB/d", "--gor", "600 scf/STB"]

# Each verb's base run: a well it computes, in JSON.
BASE = {
    "traverse": WELL + RATES + ["--flow-direction", "decreasing", "--outlet-pres", "200psia", "--json"],
    "match": UNHEATED + ["--measured", os.path.join(EXAMPLES, "well-tests.csv"), "--method", "hagedorn-brown",
                     "--json"],
    "nodal": WELL + ["--outlet-pres", "200psia", "--water-cut", "30%", "--gor", "600 scf/STB",
                     "--res-pres", "3000psia", "--ipr", "vogel", "--q-max", "2500 STB/d", "--json"],
    "vfp": WELL + ["--tol", "100", "--rates", "200,800 STB/d", "--thp", "200 psia", "--water-cut", "20%",
                   "--gor", "600 scf/STB"],
}

# A value for each option of the traverse's table that differs from what the
# base runs assume, so that an option honoured changes the answer.
VALUES = {
    "length": "3000ft", "angle": "60", "diam": "2.992in", "rough": "0.002in", "temp": "150degF",
    "temp-in": "200degF", "temp-out": "80degF", "liquid-rate": "1200 STB/d", "gas-rate": "900 Mscf/d",
    "rol": "900", "visl": "2e-3", "sigma": "0.02", "gas-molar-mass": "20", "z": "0.9", "visg": "1.5e-5",
    "inlet-pres": "2500psia", "outlet-pres": "300psia", "tol": "0.5psi", "max-pres": "1500psia",
    "output-step": "100ft", "atm-pres": "13psia", "holdup-factor": "1.2", "friction-factor": "1.3",
    "lift-gas-rate": "800 Mscf/d", "injection-depth": "7000ft", "lift-gas-gravity": "0.8",
    "casing-pres": "1200psia", "injection-dp": "50psi", "u-value": "5 Btu/hr/ft2/F", "ambient": "60degF",
    "producing-time": "30d", "formation-conductivity": "1.4 Btu/hr/ft/F", "formation-diffusivity": "0.04 ft2/hr",
    "hole-diam": "8.5in", "cpl": "2000", "cpg": "2200", "api": "28", "gas-gravity": "0.8",
    "water-gravity": "1.1", "salinity": "5%", "co2": "0.05", "h2s": "0.02", "n2": "0.03",
    "oil-rate": "1500 STB/d", "water-rate": "500 STB/d", "water-cut": "50%", "gor": "900 scf/STB",
    "glr": "500 scf/STB", "z-method": "dranchuk-abou-kassem", "dead-oil": "glaso", "live-oil": "chew-connally",
    "method": "gray", "mandrels": "3000,6000ft", "heat": "ramey", "geothermal": "60degF, 1.5degF/100ft",
    "loading": "turner", "cgr": "10 STB/MMscf", "wgr": "20 STB/MMscf",
}


def pipeflow(*args):
    return subprocess.run([os.environ["PIPEFLOW_EXE"], *args], capture_output=True, text=True)


def with_option(base, name, value):
    """The base arguments with --name value, replacing the base's own."""
    args = list(base)
    flag = "--" + name
    if flag in args:
        args[args.index(flag) + 1] = value
    else:
        args += [flag, value]
    return args


def test_every_option_of_every_verb_is_honoured_or_refused():
    names = flowmodel._traverse_options()
    assert set(names) <= set(VALUES) | {"profile", "profile-unit", "fluid-table"}, set(names) - set(VALUES)
    dropped = []
    for verb, base in BASE.items():
        plain = pipeflow(verb, *base)
        assert plain.returncode == 0, (verb, plain.stderr)
        for name in names:
            if name in ("profile", "profile-unit", "fluid-table"):
                continue
            run = pipeflow(verb, *with_option(base, name, VALUES[name]))
            if run.returncode == 2:
                assert run.stderr.strip(), (verb, name)  # refused, saying why
                continue
            # Honoured: the answer (or what is said of it) is not the base's.
            if run.stdout == plain.stdout and run.stderr == plain.stderr:
                dropped.append(f"{verb} --{name} {VALUES[name]} (exit {run.returncode})")
    assert not dropped, "accepted and then dropped:\n" + "\n".join(dropped)


def survey_of_own_traverse(tmp_path):
    t = pipeflow("traverse", *BASE["traverse"][:-1], "--csv", "--output-units", "field")
    assert t.returncode == 0
    rows = [line.split(",") for line in t.stdout.splitlines()[1:]]
    picked = {r[0]: r[3] for r in rows if r[0] in ("1000", "4000", "8000")}
    path = tmp_path / "survey.csv"
    path.write_text("md (ft),pres (psia)\n" + "".join(f"{md},{picked[md]}\n" for md in ("1000", "4000", "8000")))
    return path


def test_match_takes_the_direction_factors_and_lift_gas_it_is_given(tmp_path):
    survey = survey_of_own_traverse(tmp_path)
    well = WELL + RATES + ["--outlet-pres", "200psia", "--method", "model", "--json"]
    # A producing well's survey: the wellhead pressure at the top (the default), matched back to the march's tolerance.
    back = json.loads(pipeflow("match", "--measured", str(survey), *well).stdout)
    assert back["methods"][0]["mae"] < 1.0
    injector = pipeflow("match", "--measured", str(survey), *well, "--flow-direction", "increasing")
    assert json.loads(injector.stdout)["methods"][0]["mae"] > 50 * PSI
    # Given factors are scored and reported.
    tuned = json.loads(pipeflow("match", "--measured", str(survey), *well, "--holdup-factor", "1.0734",
                                "--friction-factor", "1.0059").stdout)["methods"][0]
    assert tuned["holdup_factor"] == 1.0734 and tuned["friction_factor"] == 1.0059
    assert tuned["mae"] > 10 * PSI
    lifted = json.loads(pipeflow("match", "--measured", str(survey), *well, "--lift-gas-rate", "1000 Mscf/d",
                                 "--injection-depth", "7500ft").stdout)["methods"][0]
    assert lifted["mae"] > 50 * PSI
    # Python the same.
    fluid = flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07, oil_rate="1000 STB/d",
                               water_rate="300 STB/d", gor="600 scf/STB")
    py = dict(profile=os.path.join(EXAMPLES, "oil-well.csv"), profile_unit="ft", diam="2.441in", rough="0.0006in",
              temp_in="180degF", temp_out="100degF", outlet_pres="200psia", fluid=fluid, method="model")
    assert flowmodel.match(str(survey), **py)["methods"]["mae"].iloc[0] < 1.0
    assert flowmodel.match(str(survey), **py, flow_direction="increasing")["methods"]["mae"].iloc[0] > 50 * PSI
    m = flowmodel.match(str(survey), **py, holdup_factor=1.0734, friction_factor=1.0059)["methods"]
    assert m["holdup_factor"].iloc[0] == 1.0734 and m["mae"].iloc[0] == pytest.approx(tuned["mae"], rel=1e-12)


def test_method_all_gives_every_method_what_it_gets_alone():
    lifted = BASE["traverse"][:-1] + ["--lift-gas-rate", "1000 Mscf/d", "--injection-depth", "7500ft",
                                      "--holdup-factor", "1.1", "--csv", "--output-units", "field"]
    listed = pipeflow("traverse", *lifted, "--method", "all")
    assert listed.returncode == 0, listed.stderr
    rows = {r.split(",")[0]: r.split(",") for r in listed.stdout.splitlines()[1:]}
    for name in ("model", "gray", "hagedorn-brown"):
        alone = pipeflow("traverse", *lifted[:-3], "--json", "--output-units", "field", "--method", name)
        summary = json.loads(alone.stdout)["summary"]
        assert float(rows[name][2]) == summary["inlet_pres_psia"], name


def test_a_table_refuses_a_lift_gas_rate_outside_its_alq_axis():
    run = pipeflow("vfp", *BASE["vfp"], "--lift-gas-rate", "800 Mscf/d", "--injection-depth", "7000ft")
    assert run.returncode == 2 and "--alq" in run.stderr
    with pytest.raises(ValueError, match="alq"):
        flowmodel.vfp_table(profile=os.path.join(EXAMPLES, "oil-well.csv"), profile_unit="ft", diam="2.441in",
                            rough="0.0006in", temp_in="180degF", temp_out="100degF",
                            fluid=flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07),
                            rates="200,800 STB/d", thp="200 psia", water_cut="20%",
                            gor="600 scf/STB", lift_gas_rate="800 Mscf/d", injection_depth="7000ft")


def test_match_says_when_nothing_was_computed_and_refuses_rows_it_cannot_read(tmp_path):
    tests = tmp_path / "tests.csv"
    tests.write_text("date,oil_rate (STB/d),water_rate (STB/d),gas_rate (Mscf/d),whp (psig),gauge_md (ft),"
                     "gauge_pres (psig)\nd,1e300,0,1e300,300,7900,2200\n")
    run = pipeflow("match", *WELL, "--measured", str(tests))
    assert run.returncode == 3 and "no measurement could be computed" in run.stderr
    assert "nan" not in run.stdout + run.stderr
    comma = tmp_path / "comma.csv"
    comma.write_text("date,oil_rate (STB/d),water_rate (STB/d),gas_rate (Mscf/d),whp (psig),gauge_md (ft),"
                     "gauge_pres (psig),gauge_temp (degF)\nd,519,169,301.2,322.0,7900,2259,5,176.9\n")
    run = pipeflow("match", *WELL, "--measured", str(comma))
    assert run.returncode == 2 and "line 2" in run.stderr and "9 fields" in run.stderr
    semi = tmp_path / "semi.csv"
    semi.write_text("date;oil_rate (STB/d);water_rate (STB/d);gas_rate (Mscf/d);whp (psig);gauge_md (ft);"
                    "gauge_pres (psig);gauge_temp (degF)\nd;519;169;301,2;322,0;7900;2259,5;176,9\n")
    run = pipeflow("match", *UNHEATED, "--measured", str(semi), "--temp", "150degF", "--json")
    assert run.returncode == 0, run.stderr


def test_no_mandrel_able_to_inject_is_said_in_the_output_units_without_a_profile():
    run = pipeflow("traverse", *BASE["traverse"][:-1], "--output-units", "field", "--lift-gas-rate", "1000 Mscf/d",
                   "--casing-pres", "100psig", "--mandrels", "3000,4500,6000,7500ft")
    assert run.returncode == 3
    assert "no mandrel can inject: at the shallowest (md 3000.0 ft) the annulus gives 122.4 psia" in run.stdout
    assert "nan" not in run.stdout + run.stderr and "injected at" not in run.stdout
    j = json.loads(pipeflow("traverse", *BASE["traverse"], "--lift-gas-rate", "1000 Mscf/d",
                            "--casing-pres", "100psig", "--mandrels", "3000,4500,6000,7500ft").stdout)
    assert j["points"] == [] and not j["summary"]["complete"]


def test_a_march_that_cannot_meet_its_boundary_reports_no_made_up_point():
    # A geothermal line that cools downward leaves the black oil without a
    # state at the bottom: no inlet pressure reaches the wellhead's, and the
    # guesses' points are no answer (once a point at 0 psia, -459.67 degF and nan).
    run = pipeflow("traverse", *UNHEATED, *RATES, "--flow-direction", "decreasing", "--outlet-pres", "200psia",
                   "--heat", "ramey", "--producing-time", "30d", "--hole-diam", "8.5in",
                   "--geothermal", "60degF,-1degF/100ft", "--csv", "--output-units", "field")
    assert run.returncode == 3
    assert run.stdout.count("\n") == 1 and "nan" not in run.stdout


def test_an_option_given_twice_is_refused_in_every_verb():
    for verb, base in BASE.items():
        run = pipeflow(verb, *base, "--diam", "2.992in")
        assert run.returncode == 2 and "--diam" in run.stderr, verb


def test_what_no_rock_gives_is_refused_and_what_a_table_says_is_in_its_own_units():
    heated = [*UNHEATED, *RATES, "--flow-direction", "decreasing", "--outlet-pres", "200psia", "--heat", "ramey",
              "--producing-time", "30d", "--hole-diam", "8.5in"]
    for gradient, said in (("50degF/100ft", "no rock's is steeper"), ("10degF/100ft", "reaches 733.2 K")):
        run = pipeflow("traverse", *heated, "--geothermal", f"60degF,{gradient}")
        assert run.returncode == 2 and said in run.stderr, run.stderr
    run = pipeflow("traverse", *heated, "--geothermal", "60degF,1.5degF/100ft", "--lift-gas-rate", "500 Mscf/d",
                   "--casing-pres", "1000psia", "--mandrels", "3000,6000,3000ft")
    assert run.returncode == 2 and "given twice" in run.stderr and "914.4 m" in run.stderr
    table = pipeflow("vfp", *BASE["vfp"], "--deck-units", "field", "--alq", "0,500 Mscf/d", "--alq-kind", "grat",
                     "--injection-depth", "7000ft")
    assert table.returncode == 0, table.stderr
    assert "datum at 8000 ft" in table.stdout and "injected at md 7000 ft" in table.stdout
    assert "psi per segment" in table.stdout
    assert " m " not in "".join(line for line in table.stdout.splitlines() if line.startswith("--"))


def test_a_heated_lifted_table_entry_is_the_heated_lifted_traverse():
    # Once "step control did not finish the line" for this entry (the lowest
    # rate with the most lift gas at the lowest THP); the same traverse
    # alone succeeded.
    heated = ["--heat", "ramey", "--producing-time", "30d", "--hole-diam", "8.5in",
              "--geothermal", "60degF,1.5degF/100ft", "--injection-depth", "7000ft"]
    table = pipeflow("vfp", *UNHEATED, *heated, "--rates", "200 STB/d", "--thp", "100 psia", "--water-cut", "0",
                     "--gor", "300 scf/STB", "--alq", "4000 Mscf/d", "--alq-kind", "grat", "--deck-units", "field")
    assert table.returncode == 0, table.stderr
    bhp = float(table.stdout.strip().splitlines()[-1].split()[4])
    # The table's own tolerance: a ten-thousandth of its lowest THP per segment.
    alone = pipeflow("traverse", *UNHEATED, *heated, "--tol", f"{1e-4 * 100 * PSI!r}", "--flow-direction", "decreasing",
                     "--outlet-pres", "100psia",
                     "--oil-rate", "200 STB/d", "--water-rate", "0 STB/d", "--gor", "300 scf/STB",
                     "--lift-gas-rate", "4000 Mscf/d", "--output-units", "field", "--json")
    assert alone.returncode == 0, alone.stderr
    # Both shot for within the march's own accuracy (--tol per square root of
    # its steps): the same bottom-hole pressure to a hundredth of a psi or so.
    assert bhp == pytest.approx(json.loads(alone.stdout)["summary"]["inlet_pres_psia"], abs=0.02)


def test_python_says_when_match_computed_nothing(tmp_path):
    tests = tmp_path / "tests.csv"
    tests.write_text("date,oil_rate (STB/d),water_rate (STB/d),gas_rate (Mscf/d),whp (psig),gauge_md (ft),"
                     "gauge_pres (psig)\nd,1e300,0,1e300,300,7900,2200\n")
    with pytest.raises(ValueError, match="no measurement could be computed"):
        flowmodel.match(str(tests), profile=os.path.join(EXAMPLES, "oil-well.csv"), profile_unit="ft",
                        diam="2.441in", rough="0.0006in", temp_in="180degF", temp_out="100degF",
                        fluid=flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07))


def test_every_verbs_help_names_every_option_it_takes():
    for verb in ("traverse", "nodal", "vfp", "match"):
        text = pipeflow(verb, "--help").stdout
        for name in flowmodel._traverse_options():
            if name in ("profile", "profile-unit", "fluid-table") or (verb == "traverse" and name in ("z-method",)):
                continue
            assert "--" + name in text, (verb, name)


def test_a_fit_stopped_at_the_bound_of_its_range_is_said(tmp_path):
    # Stations whose drops are twice the model's: no multiplier up to 2 reaches them.
    survey = survey_of_own_traverse(tmp_path)
    rows = survey.read_text().splitlines()
    doubled = [rows[0]] + [f"{md},{200 + 2 * (float(p) - 200)}" for md, p in (r.split(",") for r in rows[1:])]
    survey.write_text("\n".join(doubled) + "\n")
    run = pipeflow("match", "--measured", str(survey), *WELL, *RATES, "--outlet-pres", "200psia", "--method", "model",
                   "--tune")
    assert run.returncode == 0, run.stderr
    assert "stopped at 2, the bound of its range" in run.stdout


def test_python_match_and_traverse_take_the_lift_gas_and_the_separators_as_the_command(tmp_path):
    survey = survey_of_own_traverse(tmp_path)
    fluid = flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07, oil_rate="1000 STB/d",
                               water_rate="300 STB/d", gor="600 scf/STB")
    py = dict(profile=os.path.join(EXAMPLES, "oil-well.csv"), profile_unit="ft", diam="2.441in", rough="0.0006in",
              temp_in="180degF", temp_out="100degF", outlet_pres="200psia", fluid=fluid, method="model")
    lifted = flowmodel.match(str(survey), **py, lift_gas_rate="1000 Mscf/d", injection_depth="7500ft")
    cli = json.loads(pipeflow("match", "--measured", str(survey), *WELL, *RATES, "--outlet-pres", "200psia",
                              "--method", "model", "--json", "--lift-gas-rate", "1000 Mscf/d",
                              "--injection-depth", "7500ft").stdout)["methods"][0]
    assert lifted["methods"]["mae"].iloc[0] == pytest.approx(cli["mae"], rel=1e-12) and cli["mae"] > 50 * PSI
    semi = tmp_path / "semi.csv"
    semi.write_text(survey.read_text().replace(",", ";").replace(".", ","))
    assert flowmodel.match(str(semi), **py)["methods"]["mae"].iloc[0] < 1.0
    # No mandrel able to inject: no profile, the summary says why.
    t = flowmodel.traverse(**{k: v for k, v in py.items() if k != "method"}, flow_direction="decreasing",
                           lift_gas_rate="1000 Mscf/d", casing_pres="100psig", mandrels="3000,4500,6000,7500ft")
    assert not t.summary["complete"] and "no mandrel can inject" in t.summary["message"]
    assert len(t["pres"]) == 0 and t.summary["inlet_pres"] is None
