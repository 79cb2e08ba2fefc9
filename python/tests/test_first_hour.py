"""What a new user meets in the first hour: no default that silently changes
the answer (a survey's length unit, a ratio or rate without a unit, a well's
direction), messages in the trade's terms and units, and warnings only where
they change what to trust; the command and Python alike."""
import os
import re
import subprocess

import pytest

import flowmodel

EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples")
OIL_WELL = os.path.join(EXAMPLES, "oil-well.csv")
FLUID = dict(api=35, gas_gravity=0.65, water_gravity=1.07)
LINE = dict(diam="2.441in", rough="0.0006in", outlet_pres="200psia", temp_in="180degF", temp_out="100degF")


def pipeflow(*args):
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set (the pipeflow command is not built)")
    return subprocess.run([exe, *args], capture_output=True, text=True)


def test_a_survey_without_a_length_unit_is_refused_until_one_is_given(tmp_path):
    survey = tmp_path / "survey.csv"
    survey.write_text("MD,Inc,TVD\n0,0,0\n4000,0,4000\n8000,0,8000\n")  # feet, as a planning tool exports it
    fluid = flowmodel.BlackOil(**FLUID, oil_rate="1000 STB/d", gor="600 scf/STB")
    with pytest.raises(ValueError, match=r"column 'MD' has no length unit.*give profile_unit m or ft"):
        flowmodel.traverse(profile=str(survey), flow_direction="decreasing", fluid=fluid, **LINE)
    in_feet = flowmodel.traverse(profile=str(survey), profile_unit="ft", flow_direction="decreasing", fluid=fluid,
                                 **LINE)
    direct = flowmodel.traverse(profile=OIL_WELL, flow_direction="decreasing", fluid=fluid, **LINE)
    assert in_feet.summary["inlet_pres"] == pytest.approx(direct.summary["inlet_pres"], rel=1e-6)
    r = pipeflow("traverse", "--profile", str(survey), "--flow-direction", "decreasing", "--diam", "2.441in",
                 "--outlet-pres", "200psia", "--temp", "150degF", "--api", "35", "--gas-gravity", "0.65",
                 "--oil-rate", "1000 STB/d", "--gor", "600 scf/STB")
    assert r.returncode == 2 and "give --profile-unit m or ft" in r.stderr


def test_bare_rates_and_ratios_say_what_they_would_be():
    with pytest.raises(ValueError, match=r"liquid_rate 1500 has no unit: with api it is a volume rate"):
        flowmodel.traverse(profile=OIL_WELL, flow_direction="decreasing", **LINE, fluid=flowmodel.BlackOil(
            **FLUID, liquid_rate=1500, water_cut=0.3, gor="600 scf/STB"))
    with pytest.raises(ValueError, match=r"q_max 2500 has no unit and would be 2500 Sm3/s"):
        flowmodel.nodal(profile=OIL_WELL, **LINE, ipr="vogel", res_pres="3000psia", q_max=2500,
                        fluid=flowmodel.BlackOil(**FLUID, water_cut=0.3, gor="600 scf/STB"))


def test_a_nominal_tubing_size_is_refused_with_its_inside_diameter():
    fluid = flowmodel.BlackOil(**FLUID, oil_rate="1000 STB/d", gor="600 scf/STB")
    with pytest.raises(ValueError, match=r"2-7/8 in tubing of 6.5 lb/ft is 2.441 in inside"):
        flowmodel.traverse(profile=OIL_WELL, flow_direction="decreasing", fluid=fluid,
                           **{**LINE, "diam": "2-7/8in"})


def test_a_gauge_thp_axis_says_the_atmosphere_it_was_made_absolute_with():
    r = pipeflow("vfp", "--profile", OIL_WELL, "--diam", "2.441in", "--temp", "150degF", "--api", "35",
                 "--gas-gravity", "0.65", "--water-gravity", "1.07", "--tol", "100", "--rates", "500,1000 STB/d",
                 "--thp", "100 psig", "--water-cut", "0", "--gor", "600 scf/STB", "--deck-units", "field")
    assert r.returncode == 0, r.stderr
    assert "-- gauge readings taken against an atmosphere of 14.696 psia (gauge + atmosphere = absolute)" in r.stdout
    assert re.search(r"-- THP \(psia\)\n  114\.69\d* /", r.stdout), r.stdout  # the THP axis, absolute


def test_every_method_says_the_fluids_warning_once():
    r = pipeflow("traverse", "--profile", OIL_WELL, "--diam", "2.441in", "--flow-direction", "decreasing",
                 "--outlet-pres", "200psia", "--temp-in", "230degF", "--temp-out", "100degF", "--api", "35",
                 "--gas-gravity", "0.65", "--water-gravity", "1.07", "--oil-rate", "1000 STB/d",
                 "--water-rate", "300 STB/d", "--gor", "600 scf/STB", "--method", "all")
    assert r.returncode == 0, r.stderr
    water = [l for l in r.stdout.splitlines() if "McCain water viscosity pressure factor" in l]
    assert water == ["WARNING: McCain water viscosity pressure factor used outside its range: temperature 230 °F "
                     "(fitted 86.5 to 167 °F)"], water  # 230 degF: well beyond; said once for all eight
    assert "diameter" not in r.stdout  # 2.441 in tubing: information, not a warning
    ordinary = pipeflow("traverse", "--profile", OIL_WELL, "--diam", "2.441in", "--flow-direction", "decreasing",
                        "--outlet-pres", "200psia", "--temp-in", "180degF", "--temp-out", "100degF", "--api", "35",
                        "--gas-gravity", "0.65", "--water-gravity", "1.07", "--oil-rate", "1000 STB/d",
                        "--water-rate", "300 STB/d", "--gor", "600 scf/STB")
    assert "WARNING" not in ordinary.stdout  # an ordinary 180 degF well


def test_where_a_march_stopped_is_said_in_the_output_units():
    rich = flowmodel.BlackOil(**FLUID, liquid_rate="1300 STB/d", water_cut=0, glr="2e4 scf/STB")
    line = {**LINE, "outlet_pres": "30psia"}
    field = flowmodel.traverse(profile=OIL_WELL, flow_direction="decreasing", fluid=rich, output_units="field", **line)
    assert not field.summary["complete"]
    assert "critical flow at md 0.0 ft, 30.0 psia" in field.summary["message"], field.summary["message"]
    si = flowmodel.traverse(profile=OIL_WELL, flow_direction="decreasing", fluid=rich, **line)
    assert "critical flow at md 0.0 m, 206843 Pa" in si.summary["message"], si.summary["message"]
    r = pipeflow("traverse", "--profile", OIL_WELL, "--flow-direction", "decreasing", "--diam", "2.441in",
                 "--rough", "0.0006in", "--outlet-pres", "30psia", "--temp-in", "180degF", "--temp-out", "100degF",
                 "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07", "--liquid-rate", "1300 STB/d",
                 "--water-cut", "0", "--glr", "2e4 scf/STB", "--output-units", "field", "--summary")
    assert r.returncode == 3 and "critical flow at md 0.0 ft, 30.0 psia" in r.stderr, r.stderr


def test_the_lift_gas_curve_in_field_units_is_the_commands():
    well = dict(profile=OIL_WELL, diam="2.441in", rough="0.0006in", outlet_pres="200psia", temp_in="180degF",
                temp_out="100degF")
    n = flowmodel.nodal(**well, ipr="vogel", res_pres="3000psia", q_max="2500 STB/d", injection_depth="6000ft",
                        lift_gas_rates="0,500,1000 Mscf/d", output_units="field",
                        fluid=flowmodel.BlackOil(**FLUID, water_cut=0.3, gor="300 scf/STB"))
    r = pipeflow("nodal", "--profile", OIL_WELL, "--diam", "2.441in", "--rough", "0.0006in", "--outlet-pres", "200psia",
                 "--temp-in", "180degF", "--temp-out", "100degF", "--api", "35", "--gas-gravity", "0.65",
                 "--water-gravity", "1.07", "--water-cut", "0.3", "--gor", "300 scf/STB", "--res-pres", "3000psia",
                 "--ipr", "vogel", "--q-max", "2500 STB/d", "--injection-depth", "6000ft",
                 "--lift-gas-rates", "0,500,1000 Mscf/d", "--json", "--output-units", "field")
    import json
    c = json.loads(r.stdout)
    assert c["units"] == n["units"] == "field"
    assert n["maximum"] == pytest.approx(c["maximum"], rel=1e-12)
    assert n["min_gradient_stb_mscf"] == pytest.approx(c["min_gradient_stb_mscf"], rel=1e-12)


def test_inflow_and_tables_in_field_units():
    si = flowmodel.ipr("vogel", "3000psia", q_max="2500 STB/d", points=5)
    field = flowmodel.ipr("vogel", "3000psia", q_max="2500 STB/d", points=5, output_units="field")
    assert list(field) == ["rate_stb_d", "pwf_psia", "absolute_open_flow_stb_d"]
    assert field["pwf_psia"][0] == pytest.approx(3000) and field["absolute_open_flow_stb_d"] == pytest.approx(2500)
    # Vogel at half the reservoir pressure: 1 - 0.2 (0.5) - 0.8 (0.25) = 0.7 of the open flow.
    at = flowmodel.ipr("vogel", "3000psia", q_max="2500 STB/d", pwf=[1500], output_units="field")
    assert at["rate_stb_d"][0] == pytest.approx(0.7 * 2500, rel=1e-12)
    assert si["rate"][2] == pytest.approx(field["rate_stb_d"][2] * 0.158987294928 / 86400, rel=1e-12)
    well = dict(profile=OIL_WELL, diam="2.441in", temp="150degF", tol=100, rates="500,1000 STB/d", thp="200psia",
                water_cut=[0], gor="600 scf/STB", fluid=flowmodel.BlackOil(**FLUID))
    t_si, t_field = flowmodel.vfp_table(**well), flowmodel.vfp_table(**well, output_units="field")
    assert list(t_field["flo_stb_d"]) == pytest.approx([500, 1000]) and t_field["datum_ft"] == pytest.approx(8000)
    assert t_field["bhp_psia"] == pytest.approx(t_si["bhp"] / 6894.757293168361, rel=1e-12)
    assert t_field["keyword"] == t_si["keyword"] and t_field["alq"] is None
