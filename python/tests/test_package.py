"""The package's faces beyond evaluate and evaluate_many: non-real input,
invalid separated solutions, pickling, interrupts, message memory,
DataFrames and Dask."""
import copy
import json
import math
import os
import pickle
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import flowmodel

INVALID = dict(usl=0.00130174, usg=59.4412, angle=13.5)  # annular from an invalid separated solution


@pytest.mark.parametrize("bad", [
    np.array([0.1 + 1j]),
    np.ma.masked_array([0.1, 0.2], mask=[0, 1]),
    np.array([1, 2], dtype="timedelta64[s]"),
    np.array(["2020-01-01"], dtype="datetime64[D]"),
    np.array([object(), 1.0], dtype=object),
    ["0.1"],
])
def test_non_real_input_is_a_type_error_in_every_face(bad):
    with pytest.raises(TypeError):
        flowmodel.evaluate_many(usl=bad)
    scalar = bad[0] if not isinstance(bad, np.ma.MaskedArray) else bad
    with pytest.raises(TypeError):
        flowmodel.evaluate(usl=scalar)
    # Object arrays of numbers are numbers.
    assert flowmodel.evaluate_many(usl=np.array([0.1, 2], dtype=object))["status"].tolist() == [0, 0]


def test_evaluate_takes_one_number_per_input():
    with pytest.raises(TypeError):
        flowmodel.evaluate(usl=[0.1, 0.2])
    assert flowmodel.evaluate(usl=np.float32(0.25)).dpt == flowmodel.evaluate(usl=0.25).dpt


def test_invalid_separated_solutions_are_marked():
    r = flowmodel.evaluate(**INVALID)
    assert r.iterations == 99 and r.status == 0 and r.regime == "annular"
    assert r.separated_invalid
    assert not flowmodel.evaluate().separated_invalid
    out = flowmodel.evaluate_many(usl=[INVALID["usl"], 0.1], usg=[INVALID["usg"], 5.0], angle=[13.5, 0.0])
    assert out["separated_invalid"].tolist() == [True, False]


def test_results_pickle_and_copy():
    for r in (flowmodel.evaluate(), flowmodel.evaluate(usl=-1.0), flowmodel.evaluate(**INVALID)):
        for back in (pickle.loads(pickle.dumps(r)), copy.deepcopy(r), copy.copy(r)):
            assert back == r
            assert (back.regime, back.holdup, back.dpt, back.message, back.separated_invalid) == \
                   (r.regime, r.holdup, r.dpt, r.message, r.separated_invalid)


def test_failed_rows_share_their_messages():
    # Equal texts are one string; distinct ones cost a string each.
    out = flowmodel.evaluate_many(usl=np.full(50000, -1.0))
    assert len({id(m) for m in out["message"]}) == 1
    out = flowmodel.evaluate_many(usl=-np.arange(1.0, 3001.0))
    assert len(set(out["message"])) == 3000


def test_ctrl_c_stops_a_long_evaluation():
    # A job started in the background of a script inherits SIGINT ignored; the
    # child takes the terminal's handler back, as an interactive session has it.
    # 'ready' is printed inside the try, just before the call: Ctrl-C sent on
    # reading it lands in the evaluation (minutes of work) or, at the latest,
    # just before it; either way the evaluation does not finish and the
    # interrupt is a KeyboardInterrupt. How soon it is answered is a
    # benchmark's figure (bench/README.md).
    code = ("import numpy as np, flowmodel, signal, sys\n"
            "signal.signal(signal.SIGINT, signal.default_int_handler)  # as at a terminal, whatever was inherited\n"
            "try:\n"
            "    print('ready', flush=True)\n"
            "    flowmodel.evaluate_many(usl=np.logspace(-3, 1, 30_000_000), usg=5.0, jobs=1)\n"
            "    print('finished', flush=True)\n"
            "except KeyboardInterrupt:\n"
            "    print('interrupted', flush=True); sys.exit(7)\n")
    p = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, text=True, env=os.environ)
    assert p.stdout.readline().strip() == "ready"
    p.send_signal(signal.SIGINT)
    assert p.wait(timeout=300) == 7
    assert p.stdout.read().strip() == "interrupted"


import pandas as pd  # noqa: E402  (installed by the test command: its absence is a failure)


def test_frame_equals_evaluate_many_row_for_row():
    rng = np.random.default_rng(3)
    n = 400
    df = pd.DataFrame({"usl": 10 ** rng.uniform(-3, 1, n), "usg": 10 ** rng.uniform(-2, 2, n),
                       "angle": rng.uniform(-90, 90, n), "label": ["x"] * n}, index=np.arange(n)[::-1])
    df.loc[df.index[5], "usl"] = -1.0  # a bad value: a status-2 row, no exception
    got = flowmodel.evaluate_frame(df, rol=850.0)
    want = flowmodel.evaluate_many(usl=df["usl"].to_numpy(), usg=df["usg"].to_numpy(),
                                   angle=df["angle"].to_numpy(), rol=850.0)
    assert list(got.index) == list(df.index)
    assert list(got.columns[:11]) == list(flowmodel.INPUTS)
    assert (got["rol"] == 850.0).all() and (got["diam"] == flowmodel.defaults()["diam"]).all()
    for key in want:
        assert np.array_equal(got[key].to_numpy(), want[key]), key
    assert got["status"].iloc[5] == 2


def test_frame_refuses_misspelt_and_doubly_given_inputs():
    df = pd.DataFrame({"usl": [0.1], "usgg": [5.0]})
    with pytest.raises(ValueError, match="usgg.*usg"):
        flowmodel.evaluate_frame(df)
    with pytest.raises(ValueError, match="both"):
        flowmodel.evaluate_frame(pd.DataFrame({"usl": [0.1]}), usl=0.2)
    with pytest.raises(TypeError):
        flowmodel.evaluate_frame(pd.DataFrame({"usl": ["fast"]}))


def test_without_pandas_the_package_still_imports_and_the_frame_names_the_package():
    code = ("import sys; sys.modules['pandas'] = None\n"
            "import flowmodel\n"
            "try:\n    flowmodel.evaluate_frame(None)\n"
            "except ImportError as e:\n    print(e)\n")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=os.environ, check=True)
    assert "python3-pandas" in out.stdout


def test_dask_on_a_two_process_cluster_equals_evaluate_many_bit_for_bit():
    da = pytest.importorskip("dask.array")
    distributed = pytest.importorskip("distributed")
    usl = np.logspace(-3, 1, 400)[:, None]
    usg = np.logspace(-2, 2, 250)[None, :]  # 100,000 cases
    want = flowmodel.evaluate_many(usl=usl, usg=usg, angle=5.0)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster):
        lazy = flowmodel.evaluate_dask(usl=da.from_array(usl, chunks=(100, 1)),
                                       usg=da.from_array(usg, chunks=(1, 125)), angle=5.0)
        assert set(lazy) == set(want)
        assert isinstance(lazy["dpt"], da.Array) and lazy["dpt"].shape == (400, 250)
        got = dict(zip(lazy, da.compute(*lazy.values())))
    for key in want:
        assert got[key].dtype == want[key].dtype, key
        assert np.array_equal(got[key], want[key]), key


def test_traverse_equals_the_command_and_reads_into_a_frame():
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set")
    examples = os.path.join(os.path.dirname(__file__), "..", "..", "examples")
    opts = dict(diam=0.15, rough=4.6e-5, liquid_rate=8, gas_rate=1.2, rol=850, visl=5e-3, sigma=0.02,
                gas_molar_mass=18, visg=1.2e-5, temp=300, inlet_pres=5e6)
    r = flowmodel.traverse(profile=os.path.join(examples, "pipeline-profile.csv"), **opts)
    args = [exe, "traverse", "--profile", os.path.join(examples, "pipeline-profile.csv"), "--json"]
    args += [f"--{k.replace('_', '-')}={v!r}" for k, v in opts.items()]
    import json
    c = json.loads(subprocess.run(args, check=True, capture_output=True, text=True).stdout)
    assert r["summary"]["outlet_pres"] == c["summary"]["outlet_pres"]
    assert list(r["pres"]) == [p["pres"] for p in c["points"]]
    assert list(r["regime"]) == [p["regime"] for p in c["points"]]
    frame = pd.DataFrame({k: v for k, v in r.items() if k != "summary"})
    assert len(frame) == len(c["points"]) and frame["md"].iloc[-1] == 10000
    with pytest.raises(ValueError, match="liquid_rate"):
        flowmodel.traverse(length=100, diam=0.1, temp=300, inlet_pres=1e6, rol=850, visl=1e-3, sigma=0.02,
                           gas_molar_mass=18, visg=1e-5)
    with pytest.raises(TypeError):
        flowmodel.traverse(lenght=100)


def test_black_oil_traverse_equals_the_command_with_units():
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set")
    well = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "oil-well.csv")
    fluid = flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07, oil_rate="1000 STB/d",
                               water_rate="300 STB/d", gor="600 scf/STB")
    line = dict(diam="2.441in", rough="0.0006in", outlet_pres="200psia", temp_in="180degF", temp_out="100degF")
    r = flowmodel.traverse(profile=well, flow_direction="decreasing", fluid=fluid, **line)
    args = [exe, "traverse", "--profile", well, "--flow-direction", "decreasing", "--json"]
    args += [f"--{k.replace('_', '-')}={v}" for k, v in {**line, **fluid.options}.items()]
    import json
    c = json.loads(subprocess.run(args, check=True, capture_output=True, text=True).stdout)
    assert r["summary"]["inlet_pres"] == c["summary"]["inlet_pres"]
    assert list(r["pres"]) == [p["pres"] for p in c["points"]]
    assert r["md"][0] == 0 and abs(r["md"][-1] - 8000 * 0.3048) < 1e-9  # marched from the wellhead down
    # SI values mean the same as their oilfield units; a bare number for a
    # standard volume rate or a gas ratio is refused, saying what it would be.
    si = flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07,
                            oil_rate=f"{1000 * 0.158987294928 / 86400!r} Sm3/s",
                            water_rate=f"{300 * 0.158987294928 / 86400!r} Sm3/s",
                            gor=f"{600 * 0.028316846592 / 0.158987294928!r} Sm3/Sm3")
    r_si = flowmodel.traverse(profile=well, flow_direction="decreasing", fluid=si, **line)
    assert abs(r_si["summary"]["inlet_pres"] - r["summary"]["inlet_pres"]) < 1e-6 * r["summary"]["inlet_pres"]
    with pytest.raises(ValueError, match=r"gor 800(\.0)? has no unit and would be 800(\.0)? Sm3/Sm3 \(4492 scf/STB\)"):
        flowmodel.traverse(profile=well, flow_direction="decreasing", **line, fluid=flowmodel.BlackOil(
            api=35, gas_gravity=0.65, water_gravity=1.07, oil_rate="1000 STB/d", gor=800))
    # A well's direction is said (a producer or an injector), its lengths' unit too.
    with pytest.raises(ValueError, match="descends as a well does.*give flow_direction decreasing"):
        flowmodel.traverse(profile=well, fluid=fluid, **line)
    with pytest.raises(TypeError, match="did you mean 'gas_gravity'"):
        flowmodel.BlackOil(api=35, gas_gravity=0.65, gas_gravty=0.7)
    with pytest.raises(ValueError, match="cannot be combined with api"):
        flowmodel.traverse(profile=well, flow_direction="decreasing", fluid=fluid, rol=850, **line)
    # Gauge readings as field engineers take them, above 14.696 psia (101325 Pa) or the site's own.
    g = flowmodel.traverse(profile=well, flow_direction="decreasing", fluid=fluid,
                           **{**line, "outlet_pres": "185.304psig"})
    assert abs(g["summary"]["inlet_pres"] - r["summary"]["inlet_pres"]) < 5.0 and g["summary"]["atm_pres"] == 101325
    with pytest.raises(ValueError, match="ambiguous"):
        flowmodel.traverse(profile=well, fluid=fluid, **{**line, "outlet_pres": "185 psi"})
    with pytest.raises(ValueError, match="rough 0.1 m is larger than diam"):
        flowmodel.traverse(profile=well, fluid=fluid, **{**line, "rough": 0.1, "diam": 0.062})
    with pytest.raises(ValueError, match="no unit and would be 25 K"):
        flowmodel.traverse(profile=well, fluid=fluid, **{**line, "temp_in": 25})


EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples")
GAS_RICH = dict(flow_direction="decreasing", diam="2.441in", rough="0.0006in", outlet_pres="200psia",
                temp_in="180degF", temp_out="100degF",
                fluid=flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07, liquid_rate="1300 STB/d",
                                         water_cut="5%", glr="2e4 scf/STB"))


def test_traverse_result_goes_straight_into_a_frame_with_its_summary_beside():
    r = flowmodel.traverse(profile=os.path.join(EXAMPLES, "oil-well.csv"), **GAS_RICH)
    frame = pd.DataFrame(r)
    assert list(frame.columns)[:4] == ["md", "z", "angle", "pres"] and "answer" in frame.columns
    assert "summary" not in frame.columns and r.to_frame().equals(frame)
    assert r.summary is r["summary"] and r.summary["complete"]
    # Points are what was asked for: the stations and at most 1/200 of the line apart, not the steps.
    assert len(frame) < 300 and frame["md"].diff().max() <= 8000 * 0.3048 / 200 + 1e-9
    assert (frame["pres"].diff().dropna() >= 0).all()
    assert r.summary["bridged_length"] > 0 and "bridged" in set(frame["answer"])
    assert pickle.loads(pickle.dumps(r)).summary == r.summary


def test_traverse_errors_speak_python():
    with pytest.raises(FileNotFoundError):
        flowmodel.traverse(profile="no/such/survey.csv", **GAS_RICH)
    with pytest.raises(ValueError) as e:
        flowmodel.traverse(profile=os.path.join(EXAMPLES, "oil-well.csv"), **{**GAS_RICH, "outlet_pres": "-5psia"})
    assert "--" not in str(e.value) and "outlet_pres" in str(e.value)


def test_many_traverses_equal_single_ones_bit_for_bit_on_threads_and_on_dask():
    distributed = pytest.importorskip("distributed")
    cases = [dict(profile=os.path.join(EXAMPLES, "oil-well.csv"), **{**GAS_RICH, "fluid": flowmodel.BlackOil(
        api=35, gas_gravity=0.65, water_gravity=1.07, liquid_rate=f"{q} STB/d", water_cut="20%", glr="900 scf/STB")})
        for q in (200, 500, 1000, 2000, 3500)]
    one = [flowmodel.traverse(**c) for c in cases]
    for jobs in (1, 2):
        many = flowmodel.traverse_many(cases, jobs=jobs)
        for a, b in zip(one, many):
            assert a.summary == b.summary
            assert all(np.array_equal(a[k], b[k]) for k in a)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster):
        remote = flowmodel.traverse_dask(cases, chunk=2)
    for a, b in zip(one, remote):
        assert a.summary == b.summary and all(np.array_equal(a[k], b[k]) for k in a)


def test_ctrl_c_stops_a_traverse(tmp_path):
    survey = tmp_path / "fine.csv"
    survey.write_text("md_ft,tvd_ft\n" + "".join(f"{i / 4},{i / 4}\n" for i in range(32001)))
    code = ("import flowmodel, signal, sys\n"
            "signal.signal(signal.SIGINT, signal.default_int_handler)  # as at a terminal, whatever was inherited\n"
            f"line = dict(flow_direction='decreasing', diam='2.441in', outlet_pres='200psia', temp='150degF', tol=1e-3,\n"
            "            fluid=flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07,\n"
            "                                     liquid_rate='1300 STB/d', water_cut='5%', glr='2e4 scf/STB'))\n"
            "try:\n"
            "    print('ready', flush=True)\n"
            f"    flowmodel.traverse(profile={str(survey)!r}, **line)\n"
            "    print('finished', flush=True)\n"
            "except KeyboardInterrupt:\n"
            "    print('interrupted', flush=True); sys.exit(7)\n")
    p = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, text=True, env=os.environ)
    assert p.stdout.readline().strip() == "ready"
    p.send_signal(signal.SIGINT)
    assert p.wait(timeout=300) == 7
    assert p.stdout.read().strip() == "interrupted"


def test_compare_gives_the_command_statistics_as_frames(tmp_path):
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set")
    frame = pd.DataFrame({
        "usl": [0.1, 0.5, 0.01, 0.001, -1.0, 0.2], "usg": [5.0, 1.0, 5.0, 30.0, 5.0, 2.0],
        "angle": [0, 0, 0, 0, 0, 90],
        "hol_meas": [0.2, 0.5, 0.05, None, 0.3, 0.4], "dpdx_meas": [400, 900, None, 300, 500, 5000],
        "regime_meas": ["3", 3, "STRAT", 2, 3, None],
        "source": ["loop A [run 1]", "loop A [run 2]", "loop A", "loop B", "loop B", "loop B"]})
    stats = flowmodel.compare(frame)
    path = tmp_path / "meas.csv"
    full = frame.assign(**{k: v for k, v in flowmodel.defaults().items() if k not in frame.columns})
    full["regime_meas"] = full["regime_meas"].map(lambda v: "" if v is None else str(v))
    full.to_csv(path, index=False)
    cli = json.loads(subprocess.run([exe, "compare", "--input", str(path), "--json"], check=True,
                                    capture_output=True, text=True).stdout)
    for key in ("dpdx", "holdup"):
        for group, want in [("all rows", cli["pooled"][key])] + [(g, s[key]) for g, s in cli["groups"].items()
                                                                  if key in s]:
            got = stats[key].loc[group]
            for k, v in want.items():
                assert (v is None and math.isnan(got[k])) or math.isclose(got[k], v, rel_tol=1e-12), (key, group, k)
    assert stats["regime"].loc["all rows", "n"] == cli["pooled"]["regime"]["n"] == 4
    assert stats["confusion"].loc["STRAT"].sum() == 1
    # The command's reader refuses the same: named by row, with the command's words.
    with pytest.raises(ValueError, match="row 1: hol_meas 1.5 is not a holdup from 0 to 1"):
        flowmodel.compare(frame.assign(hol_meas=[0.2, 1.5, 0.05, None, 0.3, 0.4]))
    with pytest.raises(ValueError, match="row 0: regime_meas 'slug' is not 0-4 or STRAT"):
        flowmodel.compare(frame.assign(regime_meas=["slug", 3, "STRAT", 2, 3, None]))
    with pytest.raises(ValueError, match="row 0: regime_meas '3.5'"):
        flowmodel.compare(frame.assign(regime_meas=[3.5, 3, "STRAT", 2, 3, None]))
    # Codes as a frame with blanks holds them (3.0) read as 3; a NaN input is refused, not dropped.
    floats = flowmodel.compare(frame.assign(regime_meas=[3.0, 3.0, None, 2.0, 3.0, None]))
    assert floats["regime"].loc["all rows", "n"] == 3
    with pytest.raises(ValueError, match="usg is not a number in rows 2"):
        flowmodel.compare(frame.assign(usg=[5.0, 1.0, float("nan"), 30.0, 5.0, 2.0]))
    with pytest.raises(ValueError, match="did you mean 'hol_meas'"):
        flowmodel.compare(frame.rename(columns={"hol_meas": "hol_mesa"}))
    # Measured values below the resolution: counted apart from the relative figures.
    tiny = flowmodel.compare(frame.assign(hol_meas=[0.2, 0.5, 0.05, None, 0.3, 1e-300]))
    assert tiny["holdup"].loc["all rows", "below_resolution"] == 1
    assert abs(tiny["holdup"].loc["all rows", "e1"]) < 1000


def test_heat_transfer_from_python_equals_the_command():
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set")
    well = os.path.join(EXAMPLES, "oil-well.csv")
    fluid = flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07, oil_rate="1000 STB/d",
                               water_rate="300 STB/d", gor="600 scf/STB")
    line = dict(diam="2.441in", rough="0.0006in", outlet_pres="200psia", heat="ramey", producing_time="30d",
                hole_diam="8.5in", geothermal="60degF, 1.5degF/100ft")
    r = flowmodel.traverse(profile=well, flow_direction="decreasing", fluid=fluid, **line)
    args = [exe, "traverse", "--profile", well, "--flow-direction", "decreasing", "--json"]
    args += [f"--{k.replace('_', '-')}={v}" for k, v in {**line, **fluid.options}.items()]
    import json
    c = json.loads(subprocess.run(args, check=True, capture_output=True, text=True).stdout)
    s = r["summary"]
    assert s["heat"] == "ramey" and s["outlet_temp"] == c["summary"]["outlet_temp"]
    assert list(r["temp"]) == [p["temp"] for p in c["points"]]
    assert list(r["tsurr"]) == [p["tsurr"] for p in c["points"]]
    # The wellhead between the surface rock and the reservoir; the fluid hotter than the rock above the bottom.
    assert 60 < (s["outlet_temp"] * 1.8 - 459.67) < 180 and abs(s["inlet_temp"] * 1.8 - 459.67 - 180) < 1e-9
    assert all(t >= ts - 1e-9 for t, ts in zip(r["temp"], r["tsurr"])) and s["heat_lost"] > 0
    # Without heat transfer there are no such columns.
    plain = flowmodel.traverse(profile=well, flow_direction="decreasing", fluid=fluid, diam="2.441in",
                               rough="0.0006in", outlet_pres="200psia", temp_in="180degF", temp_out="100degF")
    assert "tsurr" not in plain and plain["summary"]["heat"] == "given"
    with pytest.raises(ValueError, match="heat"):
        flowmodel.traverse(profile=well, flow_direction="decreasing", fluid=fluid, diam="2.441in",
                           outlet_pres="200psia", temp="300", u_value=5)
    # Nodal analysis: each rate's wellhead temperature, rising with the rate.
    wc = flowmodel.BlackOil(api=35, gas_gravity=0.65, water_gravity=1.07, water_cut=0.3, gor="600 scf/STB")
    n = flowmodel.nodal(profile=well, fluid=wc, ipr="vogel", res_pres="3000psia", q_max="2500 STB/d",
                        rates="100,1000,2000 STB/d", **{k: v for k, v in line.items() if k != "outlet_pres"},
                        outlet_pres="200psia")
    t = list(n["curves"]["wellhead_temp"])
    assert t == sorted(t) and t[0] > (60 + 459.67) / 1.8 and n["operating_point"]["wellhead_temp"] > t[0]
