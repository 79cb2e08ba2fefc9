"""The Python module against the C++ command, array calls against scalar
calls, and bad input as a result (status 2) rather than an exception."""
import json
import math
import os
import subprocess

import numpy as np
import pytest

import flowmodel

FIELDS = ("holdup", "dpt", "dpf", "dpg", "dpa")

# Cases that between them reach every regime and a corrected density.
CASES = [
    dict(usl=0.001, usg=0.1),
    dict(usl=0.01, usg=5.0),
    dict(usl=0.01, usg=40.0),
    dict(usl=0.001, usg=15.0),
    dict(usl=0.5, usg=1.0),
    dict(usl=5.0, usg=0.3),
    dict(usl=0.5, usg=20.0, angle=90.0),
    dict(usl=0.1, usg=3.0, angle=-30.0, rol=850.0, rog=40.0, visl=5e-3, visg=1.4e-5, rough=4.6e-5, sigma=0.02,
         diam=0.15, pres=5e6),
    dict(usl=1.0, usg=5.0, rog=1000.0),  # equal densities: status 1
]


def pipeflow_eval(case):
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set (the pipeflow command is not built)")
    args = [exe, "eval", "--json"] + [f"--{k}={v!r}" for k, v in case.items()]
    return json.loads(subprocess.run(args, check=True, capture_output=True, text=True).stdout)


@pytest.mark.parametrize("case", CASES)
def test_scalar_equals_the_command(case):
    r = flowmodel.evaluate(**case)
    c = pipeflow_eval(case)
    assert (r.regime, r.id, r.iterations, r.status, r.message) == (c["regime"], c["id"], c["iter"], c["ierr"],
                                                                   c["msg"])
    # The JSON's shortest round-trip numbers read back to the same doubles.
    assert (r.holdup, r.dpt, r.dpf, r.dpg, r.dpa) == (c["hol"], c["dpt"], c["dpf"], c["dpg"], c["dpa"])
    assert r.version == c["vers"]


def test_regimes_of_the_cases():
    seen = {flowmodel.evaluate(**case).regime for case in CASES}
    assert seen == set(flowmodel.REGIMES)
    assert flowmodel.evaluate(**CASES[-1]).status == 1


def test_unspecified_inputs_take_the_default_case():
    d = flowmodel.defaults()
    assert d["diam"] == 0.05 and d["angle"] == 0.0 and len(d) == 11
    a, b = flowmodel.evaluate(usl=0.3), flowmodel.evaluate(**{**d, "usl": 0.3})
    assert (a.regime, a.holdup, a.dpt) == (b.regime, b.holdup, b.dpt)
    with pytest.raises(TypeError):
        flowmodel.evaluate(0.1, 5.0)  # keyword arguments only: no silent mix-ups of order


def scalar_fields(**kw):
    r = flowmodel.evaluate(**kw)
    return (r.regime, r.id, r.iterations, r.status, r.message) + tuple(getattr(r, f) for f in FIELDS)


def many_fields(out, idx):
    return (out["regime"][idx], out["id"][idx], out["iterations"][idx], out["status"][idx],
            out["message"][idx]) + tuple(out[f][idx] for f in FIELDS)


def test_arrays_broadcast_and_equal_scalar_calls():
    usl = np.logspace(-3, 1, 9)[:, None]         # shape (9, 1)
    usg = np.logspace(-2, 2, 13)[None, :]        # shape (1, 13)
    angle = np.array([[-10.0], [0.0], [10.0]])[:, :, None] * np.ones((1, 1, 1))  # (3, 1, 1)
    out = flowmodel.evaluate_many(usl=usl, usg=usg, angle=angle, diam=0.1)
    assert out["dpt"].shape == (3, 9, 13) and out["regime"].shape == (3, 9, 13)
    for idx in np.ndindex(3, 9, 13):
        k, j, i = idx
        want = scalar_fields(usl=usl[j, 0], usg=usg[0, i], angle=angle[k, 0, 0], diam=0.1)
        assert many_fields(out, idx) == want, idx
    assert len(set(out["regime"].ravel())) >= 4


def test_strided_views_and_thread_counts_give_the_same_results():
    grid = np.logspace(-2, 1, 40).reshape(8, 5)
    view = grid.T[::2]                            # non-contiguous (3, 8) view
    one = flowmodel.evaluate_many(usl=view, usg=view[::-1] * 10, jobs=1)
    many = flowmodel.evaluate_many(usl=np.ascontiguousarray(view), usg=np.ascontiguousarray(view[::-1] * 10),
                                   jobs=3)
    for key in one:
        assert np.array_equal(one[key], many[key]), key
    assert many_fields(one, (2, 7)) == scalar_fields(usl=view[2, 7], usg=view[::-1][2, 7] * 10)


def test_scalars_and_lists_are_accepted():
    out = flowmodel.evaluate_many(usl=0.1, usg=[1.0, 10.0])
    assert out["holdup"].shape == (2,)
    assert many_fields(out, 1) == scalar_fields(usl=0.1, usg=10.0)
    zero_d = flowmodel.evaluate_many()
    assert zero_d["dpt"].shape == () and zero_d["dpt"][()] == flowmodel.evaluate().dpt
    assert flowmodel.evaluate_many(usl=np.empty((0, 4)))["dpt"].shape == (0, 4)


def test_bad_input_is_status_2_with_the_message_not_an_exception():
    r = flowmodel.evaluate(usl=-1.0)
    assert r.status == 2 and r.regime == "none"
    assert r.message.startswith("WARNING! Improper input data:")
    assert (r.holdup, r.dpt) == (0.0, 0.0)
    r = flowmodel.evaluate(diam=math.nan)
    assert r.status == 2 and r.message
    out = flowmodel.evaluate_many(usl=[0.1, -1.0, math.nan, 0.2])
    assert list(out["status"]) == [0, 2, 2, 0]
    assert out["message"][1] == flowmodel.evaluate(usl=-1.0).message
    assert out["message"][0] == "" and out["regime"][2] == "none"


def test_arguments_that_are_not_numbers_or_do_not_broadcast_raise():
    with pytest.raises(ValueError):
        flowmodel.evaluate_many(usl=np.zeros(3), usg=np.zeros(4))
    with pytest.raises(TypeError):
        flowmodel.evaluate_many(usl=["a"])  # text is no number
    for jobs in (-1, 1025):
        with pytest.raises(ValueError):
            flowmodel.evaluate_many(jobs=jobs)


def test_compare_per_method_equals_the_statistics_of_its_own_csv_rows(tmp_path):
    """compare(method=...) and `pipeflow compare --method all`: each method's
    E2 and E4 over the gradient are those its own CSV rows give."""
    exe = os.environ.get("PIPEFLOW_EXE")
    if not exe:
        pytest.skip("PIPEFLOW_EXE not set (the pipeflow command is not built)")
    import io
    import numpy as np
    import pandas as pd
    rng = np.random.default_rng(3)
    n = 200
    frame = pd.DataFrame({"usl": 10 ** rng.uniform(-3, 0.5, n), "usg": 10 ** rng.uniform(-1, 1.5, n),
                          "angle": rng.uniform(-20, 90, n), "diam": rng.uniform(0.025, 0.15, n),
                          "pres": rng.uniform(1e5, 5e6, n), "rog": rng.uniform(1.2, 60, n)})
    for name, value in flowmodel.defaults().items():
        if name not in frame:
            frame[name] = value
    frame["dpdx_meas"] = rng.uniform(50, 8000, n)
    frame["hol_meas"] = rng.uniform(0.02, 0.9, n)
    path = tmp_path / "measured.csv"
    frame.to_csv(path, index=False)
    rows = pd.read_csv(io.StringIO(subprocess.run([exe, "compare", "--input", str(path), "--method", "all", "--csv"],
                                                  check=True, capture_output=True, text=True).stdout))
    assert sorted(set(rows["method"])) == sorted(["model", "beggs-brill", "beggs-brill-palmer", "beggs-brill-original",
                                                  "hagedorn-brown", "gray", "mukherjee-brill", "no-slip"])
    for method, own in rows.groupby("method"):
        scored = own.dropna(subset=["dpdx_err"])
        stats = flowmodel.compare(frame, method=method)["dpdx"].loc["all rows"]
        assert stats["n"] == len(scored)
        assert stats["e2"] == pytest.approx(100 * scored["dpdx_rel"].abs().mean(), rel=1e-9)
        assert stats["e4"] == pytest.approx(scored["dpdx_err"].mean(), rel=1e-9)
    with pytest.raises(ValueError, match="beggs-brill"):
        flowmodel.compare(frame, method="beggs")
