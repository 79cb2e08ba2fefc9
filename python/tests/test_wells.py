"""Inflow curves, nodal analysis and lift-curve tables from Python: the same
numbers as the command, checked against published examples, direct
traverses and a Dask cluster."""
import json
import os
import subprocess

import numpy as np
import pytest

import flowmodel

EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples")
PSI = 6894.757293168361
STB_D = 0.158987294928 / 86400
WELL = dict(profile=os.path.join(EXAMPLES, "oil-well.csv"), diam="2.441in", rough="0.0006in",
            temp_in="180degF", temp_out="100degF")
WELL_ARGS = ["--profile", os.path.join(EXAMPLES, "oil-well.csv"), "--diam", "2.441in", "--rough", "0.0006in",
             "--temp-in", "180degF", "--temp-out", "100degF"]


def pipeflow(*args):
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set")
    return subprocess.run([exe, *args], capture_output=True, text=True)


def test_inflow_curves_against_a_worked_example_and_their_own_algebra():
    # T. Ahmed, Reservoir Engineering Handbook, oil well performance: a
    # saturated reservoir at 2500 psig tested at 350 STB/d and 2000 psig gives
    # qmax 1067.1 STB/d and 441.7 STB/d at 1850 psig. The book takes the ratio
    # of the gauge readings, so they are given here as the numbers it divides.
    v = flowmodel.ipr("vogel", "2500psia", test_rate="350 STB/d", test_pwf="2000psia", pwf=1850 * PSI)
    assert v["absolute_open_flow"] / STB_D == pytest.approx(1067.1, abs=0.1)
    assert v["rate"] / STB_D == pytest.approx(441.7, abs=0.1)
    # Back from the rates to the pressures.
    curve = flowmodel.ipr("vogel", "2500psig", test_rate="350 STB/d", test_pwf="2000psig", points=11)
    back = flowmodel.ipr("vogel", "2500psig", test_rate="350 STB/d", test_pwf="2000psig", rate=curve["rate"])
    assert np.allclose(back["pwf"], curve["pwf"], rtol=0, atol=1e-3)
    # Composite: the straight line above the bubble point, Vogel below, rate
    # and slope continuous at it; its absolute open flow J (pr - pb) + J pb / 1.8.
    c = dict(pi="1 STB/d/psi", bubble_pres="2000psia")
    at = flowmodel.ipr("composite", "3000psia", pwf=np.array([1999.9, 2000, 2000.1]) * PSI, **c)["rate"] / STB_D
    assert at[1] == pytest.approx(1000, abs=1e-3)
    assert (at[0] - at[1]) == pytest.approx(at[1] - at[2], rel=1e-3)  # 0.1 STB/d per 0.1 psi on both sides
    assert flowmodel.ipr("composite", "3000psia", **c)["absolute_open_flow"] / STB_D == pytest.approx(
        1000 + 2000 / 1.8, rel=1e-9)
    # Fetkovich with C in Mscf/d/psi2: q = C (pr^2 - pwf^2)^n.
    f = flowmodel.ipr("fetkovich", "2000psia", c="0.01 Mscf/d/psi2", n=0.8, pwf=1000 * PSI)
    mscf_d = 1000 * 0.3048 ** 3 / 86400
    assert f["rate"] / mscf_d == pytest.approx(0.01 * (2000 ** 2 - 1000 ** 2) ** 0.8, rel=1e-9)
    with pytest.raises(ValueError, match="rate per squared pressure"):
        flowmodel.ipr("fetkovich", "2000psia", c="0.01 Mscf/d/psi", n=0.8)
    with pytest.raises(ValueError, match="composite needs bubble_pres"):
        flowmodel.ipr("composite", "3000psia", pi="1 STB/d/psi")


def test_nodal_gives_the_commands_operating_point_and_a_traverse_agrees_at_it():
    fluid = flowmodel.BlackOil(35, 0.65, water_gravity=1.07, water_cut=0.2, gor="600 scf/STB")
    n = flowmodel.nodal(**WELL, fluid=fluid, outlet_pres="200psia", ipr="vogel", res_pres="3000psia",
                        q_max="2500 STB/d")
    op = n["operating_point"]
    assert op is not None and op["stable"]
    curves = n["curves"]
    assert set(curves) == {"liquid_rate", "outflow_bhp", "inflow_bhp", "wellhead_temp", "regime_at_bottom", "failure"}
    assert len({len(v) for v in curves.values()}) == 1 and np.all(np.diff(curves["liquid_rate"]) > 0)
    # The command's JSON says the same.
    out = pipeflow("nodal", *WELL_ARGS, "--outlet-pres", "200psia", "--api", "35", "--gas-gravity", "0.65",
                   "--water-gravity", "1.07", "--water-cut", "0.2", "--gor", "600 scf/STB", "--ipr", "vogel",
                   "--res-pres", "3000psia", "--q-max", "2500 STB/d", "--json")
    assert out.returncode == 0, out.stderr
    cmd = json.loads(out.stdout)["operating_point"]
    assert cmd["liquid_rate"] == pytest.approx(op["liquid_rate"], rel=1e-12)
    assert cmd["bhp"] == pytest.approx(op["bhp"], rel=1e-12)
    # A traverse at the found rate needs what the reservoir gives there.
    t = flowmodel.traverse(**WELL, flow_direction="decreasing", outlet_pres="200psia", fluid=flowmodel.BlackOil(
        35, 0.65, water_gravity=1.07, water_cut=0.2, gor="600 scf/STB", liquid_rate=f"{op['liquid_rate']!r} Sm3/s"))
    assert abs(t.summary["inlet_pres"] - op["bhp"]) < 0.1 * PSI
    # ... and the inflow gives it there within 0.01 psi.
    assert flowmodel.ipr("vogel", "3000psia", q_max="2500 STB/d", rate=op["liquid_rate"])["pwf"] == pytest.approx(
        op["bhp"], abs=0.01 * PSI)
    assert n["reason"] is None


def test_nodal_without_a_crossing_and_with_wrong_keywords():
    fluid = flowmodel.BlackOil(35, 0.65, water_gravity=1.07, water_cut=0, gor="600 scf/STB")
    n = flowmodel.nodal(**WELL, fluid=fluid, outlet_pres="200psia", ipr="pi", res_pres="1200psia", pi="1 STB/d/psi",
                        rates="100,300,600 STB/d")
    assert n["operating_point"] is None and len(n["curves"]["liquid_rate"]) == 3
    with pytest.raises(TypeError, match="did you mean 'q_max'"):
        flowmodel.nodal(**WELL, fluid=fluid, outlet_pres="200psia", ipr="vogel", res_pres="3000psia", qmax=1)
    with pytest.raises(ValueError, match="liquid_rate is not an option of nodal"):
        flowmodel.nodal(**WELL, fluid=flowmodel.BlackOil(35, 0.65, liquid_rate="0.01 Sm3/s", water_cut=0, gor="100 Sm3/Sm3"),
                        outlet_pres="200psia", ipr="pi", res_pres="3000psia", pi=1e-8)


VFP_FLUID = dict(api=35, gas_gravity=0.65, water_gravity=1.07)
VFP_AXES = dict(rates="100,400,1600 STB/d", thp=["100psia", "200psia"], water_cut=[0, 0.5], gor="300,900 scf/STB")


def test_vfp_table_is_the_commands_keyword_and_its_nodes_are_traverses():
    v = flowmodel.vfp_table(**WELL, fluid=flowmodel.BlackOil(**VFP_FLUID), **VFP_AXES, deck_units="field", tol=100)
    assert v["bhp"].shape == (2, 2, 2, 3) and np.all(np.isfinite(v["bhp"]))
    assert v["datum"] == pytest.approx(8000 * 0.3048)
    out = pipeflow("vfp", *WELL_ARGS, "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07",
                   "--rates", "100,400,1600 STB/d", "--thp", "100,200 psia", "--water-cut", "0,0.5",
                   "--gor", "300,900 scf/STB", "--deck-units", "field", "--tol", "100")
    assert out.returncode == 0, out.stderr
    assert out.stdout == v["keyword"]
    # The entry THP 2, WFR 2, GFR 1, FLO 2 is a traverse of that combination.
    t = flowmodel.traverse(**WELL, flow_direction="decreasing", outlet_pres="200psia", tol=100,
                           fluid=flowmodel.BlackOil(**VFP_FLUID, liquid_rate="400 STB/d", water_cut=0.5,
                                                    gor="300 scf/STB"))
    assert v["bhp"][1, 1, 0, 1] == pytest.approx(t.summary["inlet_pres"], abs=1)  # Pa


def test_a_table_written_reads_back_with_read_vfp(tmp_path):
    # The table vfp_table writes, read as a deck: the same numbers in the deck's
    # psia, every check holding; a fault put in it is found where it is.
    v = flowmodel.vfp_table(**WELL, fluid=flowmodel.BlackOil(**VFP_FLUID), **VFP_AXES, deck_units="field", tol=100)
    deck = tmp_path / "well.vfp"
    deck.write_text(v["keyword"])
    [t] = flowmodel.read_vfp(deck)
    assert (t["keyword"], t["units"], t["flo_type"], t["ok"]) == ("VFPPROD", "FIELD", "LIQ", True)
    psi = 6894.757293168
    np.testing.assert_allclose(t["bhp"][:, :, :, 0, :], v["bhp"] / psi, rtol=1e-9)
    np.testing.assert_allclose(t["thp"], [100, 200])
    # The same well on the axes of the table read: the same table.
    again = flowmodel.vfp_table(**WELL, fluid=flowmodel.BlackOil(**VFP_FLUID), axes_from=str(deck), tol=100)
    np.testing.assert_allclose(again["bhp"], v["bhp"], rtol=1e-6)
    # THP 2's first entry lowered below THP 1's: one inversion, there.
    text = v["keyword"].splitlines()
    at = next(i for i, line in enumerate(text) if line.startswith("  2 1 1 1 "))
    values = text[at].split()
    values[4] = str(float(values[4]) - 1000)
    text[at] = "  " + " ".join(values)
    deck.write_text("\n".join(text) + "\n")
    [bad] = flowmodel.read_vfp(deck)
    assert not bad["ok"]
    [found] = bad["checks"]["bhp_rises_with_thp"]["found"]
    assert (found["thp"], found["wfr"], found["gfr"], found["alq"], found["flo"]) == (2, 1, 1, 1, 1)
    # The table at its nodes and between them, and the THP that gives a BHP, as arrays.
    deck.write_text(v["keyword"])
    flo = t["flo"][[0, 1]]
    at = flowmodel.vfp_values(deck, flo=flo, thp=150, wfr=0.25, gfr=t["gfr"][0])
    np.testing.assert_allclose(at, (t["bhp"][0, 0, 0, 0, :2] + t["bhp"][1, 0, 0, 0, :2] + t["bhp"][0, 1, 0, 0, :2]
                                    + t["bhp"][1, 1, 0, 0, :2]) / 4, rtol=1e-12)
    np.testing.assert_allclose(flowmodel.vfp_values(deck, flo=flo, bhp=at, wfr=0.25, gfr=t["gfr"][0]), [150, 150],
                               rtol=1e-12)
    with pytest.raises(ValueError, match="line 1, column 15: VFPINJ: the file ends inside a record"):
        deck.write_text("VFPINJ 1 2000 WAT")
        flowmodel.read_vfp(deck)


def test_an_injectors_table_is_the_commands_vfpinj():
    well = dict(profile=WELL["profile"], diam="2.441in", rough="0.0006in", temp_in="80degF", temp_out="180degF")
    v = flowmodel.vfp_table(**well, injector="water", water_gravity=1.03, rates="100,500 Sm3/d", thp=["40bar", "70bar"],
                            tol=100)
    assert v["bhp"].shape == (2, 2) and v["injector"] == "water" and v["kinds"] == ("wat",)
    out = pipeflow("vfp", "--profile", WELL["profile"], "--diam", "2.441in", "--rough", "0.0006in", "--temp-in", "80degF",
                   "--temp-out", "180degF", "--water-gravity", "1.03", "--injector", "water", "--rates", "100,500 Sm3/d",
                   "--thp", "40,70 bar", "--tol", "100")
    assert out.returncode == 0, out.stderr
    assert out.stdout == v["keyword"]
    # Water flowing down from 70 bar at 500 Sm3/d: the entry [1, 1].
    t = flowmodel.traverse(**well, flow_direction="increasing", inlet_pres="70bar", tol=100,
                           fluid=flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.03, oil_rate="0 Sm3/d",
                                                    water_rate="500 Sm3/d", gor="0 Sm3/Sm3"))
    assert v["bhp"][1, 1] == pytest.approx(t.summary["outlet_pres"], rel=1e-9)
    with pytest.raises(ValueError, match="give no water_cut"):
        flowmodel.vfp_table(**well, injector="water", water_gravity=1.03, rates="100 Sm3/d", thp=["40bar"], water_cut=[0])


def test_an_injectors_nodal_analysis_is_the_commands():
    well = dict(profile=WELL["profile"], diam="2.441in", rough="0.0006in", temp_in="80degF", temp_out="180degF")
    n = flowmodel.nodal(**well, injector="water", water_gravity=1.03, inlet_pres="70bar", res_pres="250bar",
                        ii="20 Sm3/d/bar", tol=100)
    op = n["operating_point"]
    assert n["injector"] == "water" and op["stable"] and n["reason"] is None
    assert op["bhp"] == pytest.approx(250e5 + op["liquid_rate"] / (20 / 86400 / 1e5), abs=0.01 * PSI)
    out = pipeflow("nodal", "--profile", WELL["profile"], "--diam", "2.441in", "--rough", "0.0006in", "--temp-in",
                   "80degF", "--temp-out", "180degF", "--water-gravity", "1.03", "--injector", "water", "--inlet-pres",
                   "70bar", "--res-pres", "250bar", "--ii", "20 Sm3/d/bar", "--tol", "100", "--json")
    assert out.returncode == 0, out.stderr
    assert json.loads(out.stdout)["operating_point"]["liquid_rate"] == pytest.approx(op["liquid_rate"], rel=1e-12)
    with pytest.raises(ValueError, match="give no fluid"):
        flowmodel.nodal(**well, injector="water", fluid=flowmodel.BlackOil(**VFP_FLUID), inlet_pres="70bar",
                        res_pres="250bar", ii="20 Sm3/d/bar")
    with pytest.raises(ValueError, match="ipr='injectivity'"):
        flowmodel.nodal(**well, injector="water", water_gravity=1.03, inlet_pres="70bar", res_pres="250bar",
                        ipr="pi", pi="2 STB/d/psi")


def test_vfp_entries_that_fail_raise_unless_filled():
    axes = dict(rates="100,1000,5000,12000 STB/d", thp="30,100 psia", water_cut=0, gor="2000 scf/STB")
    with pytest.raises(ValueError, match=r"\(record 1 1 1 1, FLO 3\): critical flow"):
        flowmodel.vfp_table(**WELL, fluid=flowmodel.BlackOil(**VFP_FLUID), **axes)
    # Two rates beyond the computed ones: extrapolating that far is refused,
    # clamp takes the nearest computed rate's value.
    with pytest.raises(ValueError, match="FLO 4 .* cannot be filled"):
        flowmodel.vfp_table(**WELL, fluid=flowmodel.BlackOil(**VFP_FLUID), **axes, fill="extrapolate")
    v = flowmodel.vfp_table(**WELL, fluid=flowmodel.BlackOil(**VFP_FLUID), **axes, fill="clamp")
    assert len(v["filled"]) == 3 and np.all(np.isfinite(v["bhp"]))
    assert all(f"filled: {f}" in v["keyword"] for f in v["filled"])
    thp = v["thp"].reshape(-1, 1, 1, 1)
    assert np.all(v["bhp"] >= thp)
    assert any("BHP falls" in w for w in v["warnings"])  # the table's checks reach Python
    with pytest.raises(ValueError, match="is an axis"):
        flowmodel.vfp_table(**WELL, fluid=flowmodel.BlackOil(**VFP_FLUID, water_cut=0.1), **VFP_AXES)


def test_tables_of_many_wells_on_a_dask_cluster_equal_single_tables():
    distributed = pytest.importorskip("distributed")
    wells = [dict(**WELL, fluid=flowmodel.BlackOil(**VFP_FLUID), **{**VFP_AXES, "thp": thp}, tol=100, table=k + 1)
             for k, thp in enumerate(("100,200 psia", "150,300 psia", "250,500 psia"))]
    one = [flowmodel.vfp_table(**w) for w in wells]
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster):
        remote = flowmodel.vfp_dask(wells)
    for a, b in zip(one, remote):
        assert a["keyword"] == b["keyword"] and np.array_equal(a["bhp"], b["bhp"])


def test_nodal_reports_no_point_where_the_outflow_stops_and_says_why():
    fluid = flowmodel.BlackOil(35, 0.65, water_gravity=1.07, water_cut=0.3, gor="600 scf/STB")
    n = flowmodel.nodal(**WELL, fluid=fluid, outlet_pres="200psia", ipr="vogel", res_pres="3000psia",
                        q_max="2500 STB/d", max_pres="2145psia")
    assert n["operating_point"] is None and "the outflow stops at" in n["reason"]
    assert "(max_pres)" in n["reason"] and "--" not in n["reason"], n["reason"]  # the keyword, as Python spells it
    assert all(c["bhp"] <= 2145 * PSI for c in n["crossings"])
    rich = flowmodel.BlackOil(35, 1.2, water_gravity=1.07, water_cut=0.3, glr="20000 scf/STB")  # a gravity well beyond Standing's
    n = flowmodel.nodal(**WELL, fluid=rich, outlet_pres="50psia", ipr="pi", res_pres="3000psia", pi="5 STB/d/psi")
    assert n["operating_point"] is None and "critical flow" in n["reason"]
    assert any("gas gravity 1.2 (fitted 0.59 to 0.95)" in w for w in n["warnings"])
    # A producing well written upward from its wellhead is refused.
    with pytest.raises(ValueError, match="does not lie below the wellhead"):
        flowmodel.nodal(length=2000, angle=90, diam="2.441in", temp=330, fluid=fluid, outlet_pres="200psia",
                        ipr="pi", res_pres="3000psia", pi="1 STB/d/psi")


def test_wells_refuse_what_does_not_point_the_right_way():
    fluid = flowmodel.BlackOil(35, 0.65, water_gravity=1.07, water_cut=0.3, gor="600 scf/STB")
    base = dict(**WELL, fluid=fluid, outlet_pres="200psia", ipr="pi", res_pres="3000psia", pi="1 STB/d/psi")
    with pytest.raises(ValueError, match="another quantity"):
        flowmodel.nodal(**base, rates="500,1000 Mscf/d")
    with pytest.raises(ValueError, match="is not read by ipr vogel"):
        flowmodel.nodal(**{**base, "ipr": "vogel"}, q_max="2500 STB/d")
    for jobs in (-1, 1.5, True):
        with pytest.raises(ValueError, match="jobs takes a whole number"):
            flowmodel.nodal(**base, jobs=jobs)
    vfp = dict(**WELL, fluid=flowmodel.BlackOil(**VFP_FLUID), tol=100)
    with pytest.raises(ValueError, match="rates must be above 0"):
        flowmodel.vfp_table(**vfp, **{**VFP_AXES, "rates": "-1000,400,1600 STB/d"})
    with pytest.raises(ValueError, match="another quantity"):
        flowmodel.vfp_table(**vfp, **VFP_AXES, gfr="ogr")
    with pytest.raises(ValueError, match="written alike"):
        flowmodel.vfp_table(**vfp, **{**VFP_AXES, "rates": "100,100.000000001 STB/d"})
    with pytest.raises(ValueError, match="at most 5 are computed"):
        flowmodel.vfp_table(**vfp, **VFP_AXES, max_entries=5)
    # The inflow's own checks: the atmosphere, and the pressures and rates asked for.
    for bad in (dict(atm_pres=-1e5), dict(atm_pres="abc"), dict(pwf=float("nan")), dict(rate=-1.0)):
        with pytest.raises(ValueError):
            flowmodel.ipr("pi", "3000psig", pi="1 STB/d/psi", **bad)
    assert flowmodel.ipr("pi", "3000psig", pi="1 STB/d/psi", atm_pres="14.7psia")["pwf"][0] == pytest.approx(
        3014.7 * PSI)


def test_ctrl_c_in_vfp_dask_on_threads_stops_the_tables_its_workers_run(tmp_path):
    # The main thread alone sees Ctrl-C; the tables in the scheduler's worker
    # threads must stop too, or the process waits for them before it exits.
    import signal
    import sys
    script = tmp_path / "tables.py"
    # Forty tables at a fine tolerance: far more work than the wait below
    # allows, so the process ends only if its workers stop.
    script.write_text(
        "import flowmodel, dask, signal, sys\n"
        "signal.signal(signal.SIGINT, signal.default_int_handler)  # as at a terminal, whatever was inherited\n"
        f"well = dict(profile={WELL['profile']!r}, diam='2.441in', rough='0.0006in', temp_in='180degF',\n"
        "            temp_out='100degF')\n"
        "wells = [dict(**well, fluid=flowmodel.BlackOil(35, 0.65, water_gravity=1.07),\n"
        "              rates='50,100,200,400,800,1600 STB/d', thp=f'{100 + k},200,400 psia',\n"
        "              water_cut='0,20,50%', gor='300,600,1200 scf/STB', tol=0.001) for k in range(40)]\n"
        "dask.config.set(scheduler='threads', num_workers=2)\n"
        "try:\n"
        "    print('ready', flush=True)\n"
        "    flowmodel.vfp_dask(wells)\n"
        "    print('finished', flush=True)\n"
        "except KeyboardInterrupt:\n"
        "    print('interrupted', flush=True)\n"
        "    sys.exit(7)\n")
    p = subprocess.Popen([sys.executable, str(script)], stdout=subprocess.PIPE, text=True, env=os.environ)
    assert p.stdout.readline().strip() == "ready"
    p.send_signal(signal.SIGINT)
    assert p.stdout.readline().strip() == "interrupted"
    assert p.wait(timeout=120) == 7, "the process waited for the tables its workers ran"


def test_match_equals_the_command_and_keeps_every_row():
    """flowmodel.match gives the command's ranking and statistics; every test
    of every method is a row, none dropped."""
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set (the pipeflow command is not built)")
    well = dict(profile=os.path.join(EXAMPLES, "oil-well.csv"), diam="2.441in", rough="0.0006in",
                fluid=flowmodel.BlackOil(35, 0.65, water_gravity=1.07))
    tests = os.path.join(EXAMPLES, "well-tests.csv")
    got = flowmodel.match(tests, method="all", **well)
    command = json.loads(subprocess.run(
        [exe, "match", "--profile", well["profile"], "--diam", "2.441in", "--rough", "0.0006in", "--api", "35",
         "--gas-gravity", "0.65", "--water-gravity", "1.07", "--measured", tests, "--json"],
        check=True, capture_output=True, text=True).stdout)
    assert list(got["methods"]["method"]) == [m["method"] for m in command["methods"]]
    for m in command["methods"]:
        row = got["methods"].set_index("method").loc[m["method"]]
        assert row["mape_drop"] == pytest.approx(m["mape_drop"], rel=1e-12)
        assert row["me"] == pytest.approx(m["me"], rel=1e-12)
    assert len(got["rows"]) == 30 * len(command["methods"])
    best = got["rows"][got["rows"]["method"] == command["methods"][0]["method"]]
    assert (best["error"].abs() / best["drop"]).mean() * 100 == pytest.approx(command["methods"][0]["mape_drop"])
    with pytest.raises(ValueError, match="method takes"):
        flowmodel.match(tests, method="beggs", **well)


def test_lift_gas_curve_equals_the_command():
    """nodal(lift_gas_rates=...) gives the command's lift-gas performance curve."""
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set (the pipeflow command is not built)")
    well = dict(profile=os.path.join(EXAMPLES, "oil-well.csv"), diam="2.441in", rough="0.0006in", temp_in="180degF",
                temp_out="100degF", outlet_pres="200psia", tol=100)
    got = flowmodel.nodal(**well, ipr="vogel", res_pres="3000psia", q_max="2500 STB/d", injection_depth="7500ft",
                          lift_gas_rates="0,500,2000 Mscf/d",
                          fluid=flowmodel.BlackOil(35, 0.65, water_gravity=1.07, water_cut=0.3, gor="300 scf/STB"))
    command = json.loads(subprocess.run(
        [exe, "nodal", "--profile", well["profile"], "--diam", "2.441in", "--rough", "0.0006in", "--temp-in", "180degF",
         "--temp-out", "100degF", "--outlet-pres", "200psia", "--tol", "100", "--api", "35", "--gas-gravity", "0.65",
         "--water-gravity", "1.07", "--water-cut", "30%", "--gor", "300 scf/STB", "--ipr", "vogel", "--res-pres",
         "3000psia", "--q-max", "2500 STB/d", "--injection-depth", "7500ft", "--lift-gas-rates", "0,500,2000 Mscf/d",
         "--json"], check=True, capture_output=True, text=True).stdout)
    curve = got["lift_gas_curve"]
    assert np.isnan(curve["oil_rate"][0]) and command["lift_gas_curve"][0]["oil_rate"] is None
    for k, point in enumerate(command["lift_gas_curve"][1:], start=1):
        assert curve["oil_rate"][k] == pytest.approx(point["oil_rate"], rel=1e-12)
        assert curve["bhp"][k] == pytest.approx(point["bhp"], rel=1e-12)
    assert got["maximum"]["lift_gas_rate"] == pytest.approx(command["maximum"]["lift_gas_rate"])


def test_vfp_table_with_an_alq_axis_is_the_command_s():
    """vfp_table(alq=...) gives the command's keyword and a five-axis BHP."""
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set (the pipeflow command is not built)")
    profile = os.path.join(EXAMPLES, "oil-well.csv")
    got = flowmodel.vfp_table(profile=profile, diam="2.441in", rough="0.0006in", temp_in="180degF",
                              temp_out="100degF", tol=100, fluid=flowmodel.BlackOil(35, 0.65, water_gravity=1.07),
                              rates="400,1600 STB/d", thp="200 psia", water_cut="30%", gor="300 scf/STB",
                              deck_units="field", injection_depth="7500ft", alq="0,500,2000 Mscf/d", alq_kind="grat")
    assert got["bhp"].shape == (1, 1, 1, 3, 2)
    assert got["alq_kind"] == "grat" and len(got["alq"]) == 3
    command = subprocess.run(
        [exe, "vfp", "--profile", profile, "--diam", "2.441in", "--rough", "0.0006in", "--temp-in", "180degF",
         "--temp-out", "100degF", "--tol", "100", "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07",
         "--rates", "400,1600 STB/d", "--thp", "200 psia", "--water-cut", "30%", "--gor", "300 scf/STB",
         "--deck-units", "field", "--injection-depth", "7500ft", "--alq", "0,500,2000 Mscf/d", "--alq-kind", "grat"],
        check=True, capture_output=True, text=True).stdout
    assert got["keyword"] == command
    assert got["bhp"][0, 0, 0, 1, 1] < got["bhp"][0, 0, 0, 0, 1]


def test_match_tune_recovers_the_factors_that_made_the_tests(tmp_path):
    """Well tests made by Hagedorn & Brown with holdup x 1.12 and friction
    x 0.9 (direct traverses from each wellhead pressure to the gauge): tuned,
    the method is matched back to those factors and to the gauges."""
    rows = ["date,oil_rate (STB/d),water_rate (STB/d),gas_rate (Mscf/d),whp (psia),gauge_md (ft),gauge_pres (psia)"]
    for k, (oil, water, gor, whp) in enumerate([(400, 100, 350, 180), (700, 300, 500, 220), (1000, 200, 650, 260),
                                                 (1300, 500, 450, 200), (900, 0, 800, 300), (600, 400, 300, 160)]):
        fluid = flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07, oil_rate=f"{oil} STB/d",
                                   water_rate=f"{water} STB/d", gor=f"{gor} scf/STB")
        t = flowmodel.traverse(**WELL, profile_unit="ft", flow_direction="decreasing", outlet_pres=f"{whp}psia",
                               fluid=fluid, method="hagedorn-brown", holdup_factor=1.12, friction_factor=0.9, tol=10)
        assert t.summary["complete"], t.summary["message"]
        rows.append(f"d{k},{oil},{water},{oil * gor / 1000},{whp},8000,{t.summary['inlet_pres'] / PSI}")
    tests = tmp_path / "tests.csv"
    tests.write_text("\n".join(rows) + "\n")
    m = flowmodel.match(str(tests), **WELL, profile_unit="ft", method="hagedorn-brown", tune=True, tol=10,
                        fluid=flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07))
    best = m["methods"].iloc[0]
    assert best["holdup_factor"] == pytest.approx(1.12, rel=0.03)
    assert best["friction_factor"] == pytest.approx(0.9, rel=0.1)
    assert best["mae"] < 2 * PSI
    assert m["untuned"]["mae"].iloc[0] > 5 * best["mae"]


def test_every_function_speaks_the_commands_field_units():
    """output_units="field": the numbers and keys of --output-units field, in
    traverse, nodal and match alike; the match table has the method as a column."""
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set (the pipeflow command is not built)")
    profile = os.path.join(EXAMPLES, "oil-well.csv")
    line = ["--profile", profile, "--diam", "2.441in", "--rough", "0.0006in", "--temp-in", "180degF",
            "--temp-out", "100degF", "--api", "35", "--gas-gravity", "0.65", "--water-gravity", "1.07"]
    well = dict(profile=profile, diam="2.441in", rough="0.0006in", temp_in="180degF", temp_out="100degF")

    def command(*args):
        return json.loads(subprocess.run([exe, *args, "--json", "--output-units", "field"], check=True,
                                         capture_output=True, text=True).stdout)

    t = flowmodel.traverse(**well, flow_direction="decreasing", outlet_pres="200psia", output_units="field",
                           fluid=flowmodel.BlackOil(35, 0.65, water_gravity=1.07, oil_rate="1000 STB/d",
                                                    water_rate="300 STB/d", gor="600 scf/STB"))
    c = command("traverse", *line, "--flow-direction", "decreasing", "--outlet-pres", "200psia",
                "--oil-rate", "1000 STB/d", "--water-rate", "300 STB/d", "--gor", "600 scf/STB")
    assert t.summary["units"] == "field" and t.summary["inlet_pres_psia"] == c["summary"]["inlet_pres_psia"]
    assert list(t["pres_psia"]) == [p["pres_psia"] for p in c["points"]]
    assert list(t["md_ft"]) == [p["md_ft"] for p in c["points"]] and t.to_frame().attrs["units"] == "field"
    n = flowmodel.nodal(**well, outlet_pres="200psia", ipr="vogel", res_pres="3000psia", q_max="2500 STB/d",
                        fluid=flowmodel.BlackOil(35, 0.65, water_gravity=1.07, water_cut=0.3, gor="600 scf/STB"),
                        output_units="field")
    cn = command("nodal", *line, "--outlet-pres", "200psia", "--water-cut", "0.3", "--gor", "600 scf/STB",
                 "--res-pres", "3000psia", "--ipr", "vogel", "--q-max", "2500 STB/d")
    assert n["operating_point"] == pytest.approx(cn["operating_point"], rel=1e-12)
    assert list(n["curves"]["outflow_bhp_psia"]) == pytest.approx([p["outflow_bhp_psia"] for p in cn["curves"]])
    tests = os.path.join(EXAMPLES, "well-tests.csv")
    m = flowmodel.match(tests, **{k: v for k, v in well.items() if not k.startswith("temp")}, method="model",
                        fluid=flowmodel.BlackOil(35, 0.65, water_gravity=1.07), output_units="field")
    cm = command("match", *[a for a in line if "degF" not in a and a not in ("--temp-in", "--temp-out")],
                 "--measured", tests, "--method", "model")
    best = m["methods"].iloc[0]
    assert best["method"] == "model" and best["me_psi"] == pytest.approx(cm["methods"][0]["me_psi"], rel=1e-12)
    rows = m["rows"]
    assert (rows["error_psi"] == rows["predicted_psia"] - rows["measured_psia"]).all()
    with pytest.raises(ValueError, match="output_units takes 'si' or 'field'"):
        flowmodel.traverse(**well, flow_direction="decreasing", outlet_pres="200psia", output_units="psi",
                           fluid=flowmodel.BlackOil(35, 0.65, oil_rate="1000 STB/d", gor="600 scf/STB"))


def test_a_gas_wells_loading_is_the_commands_in_traverse_and_nodal():
    gas = dict(api=50, gas_gravity=0.65, water_gravity=1.07)
    args = WELL_ARGS + ["--api", "50", "--gas-gravity", "0.65", "--water-gravity", "1.07", "--outlet-pres", "300psia",
                        "--output-units", "field", "--json"]
    # A gas well by its gas rate and yields is the well of those oil and water rates and that GOR.
    fluid = flowmodel.BlackOil(**gas, gas_rate="500 Mscf/d", cgr="10 STB/MMscf", wgr="20 STB/MMscf")
    t = flowmodel.traverse(fluid=fluid, flow_direction="decreasing", outlet_pres="300psia", loading="coleman",
                           output_units="field", **WELL)["summary"]
    cmd = json.loads(pipeflow("traverse", *args, "--oil-rate", "5 STB/d", "--water-rate", "10 STB/d", "--gor",
                              "100000 scf/STB", "--flow-direction", "decreasing", "--loading", "coleman").stdout)["summary"]
    for key in ("critical_gas_rate_wellhead_mscf_d", "critical_gas_rate_bottom_mscf_d"):
        assert t[key] == pytest.approx(cmd[key], rel=1e-12)
    stretches = [list(st) for st in t["loading_stretches_ft"]]
    assert t["loading"] == "coleman" and stretches == cmd["loading_stretches_ft"]
    # 500 Mscf/d is below the critical rate: the whole well loads.
    assert t["critical_gas_rate_wellhead_mscf_d"] > 500 and stretches == [[0.0, 8000.0]]
    inflow = dict(res_pres="1500psia", ipr="fetkovich", c="0.0015 Mscf/d/psi2", n=0.9)
    n = flowmodel.nodal(fluid=flowmodel.BlackOil(**gas, water_cut="60%", gor="100000 scf/STB"), outlet_pres="300psia",
                        loading="turner", output_units="field", **inflow, **WELL)
    cmd = json.loads(pipeflow("nodal", *args, "--water-cut", "60%", "--gor", "100000 scf/STB", "--res-pres", "1500psia",
                              "--ipr", "fetkovich", "--c", "0.0015 Mscf/d/psi2", "--n", "0.9", "--loading", "turner").stdout)
    assert n["critical_gas_rate_mscf_d"] == pytest.approx(cmd["critical_gas_rate_mscf_d"], rel=1e-12)
    assert n["loads"] is True and cmd["loads"] is True
    assert n["operating_point"]["gas_rate_mscf_d"] < n["critical_gas_rate_mscf_d"]
