"""Steady two-phase gas-liquid flow at one point of a straight pipe: flow
regime, liquid holdup and pressure gradient (frictional, gravitational,
accelerational), from eleven inputs in SI units.

    evaluate(**inputs)          one case -> Result
    evaluate_many(**inputs)     numpy arrays, broadcast, all cores -> dict of arrays
    evaluate_frame(df)          a pandas DataFrame of cases -> DataFrame of inputs and results
    evaluate_dask(**inputs)     dask arrays -> dict of lazy dask arrays, on any scheduler
    traverse(...)               the pressure profile along a line or a well -> TraverseResult
    traverse_many(cases)        many traverses on all cores; traverse_dask(cases) on a Dask cluster
    compare(frame)              the model against measured holdup, gradient and flow pattern
    ipr(kind, res_pres, ...)    the inflow curve of a reservoir (pi, Vogel, composite, Fetkovich)
    nodal(...)                  outflow against inflow: the curves and the operating point of a well
    vfp_table(...)              a lift-curve table (VFPPROD) of a well; vfp_dask(wells) on a Dask cluster

Inputs not given take the built-in default case (defaults(): air-water at
1 atm in a horizontal 5 cm smooth pipe); units() lists each input's unit.
Bad values are results with status 2 and a message, never exceptions;
inputs that are not real numbers, or do not broadcast, raise.
"""
import difflib
import math
import os

from ._core import _cancel_running, _compare, _compare_method, _group_of, _match, _near_miss, _read_measured, _traverse, _traverse_many, _traverse_options
from ._core import INPUTS, MODEL_VERSION, REGIMES, Result, defaults, evaluate, evaluate_many, units
from ._version import __version__

__all__ = ["BlackOil", "INPUTS", "MODEL_VERSION", "REGIMES", "Result", "defaults", "evaluate", "evaluate_many",
           "evaluate_frame", "evaluate_dask", "traverse", "traverse_many", "traverse_dask", "TraverseResult", "compare", "match", "units",
           "ipr", "nodal", "vfp_table", "vfp_dask", "read_vfp", "vfp_values", "__version__"]

# The keys of evaluate_many's result, in its order, with their dtypes.
RESULT_FIELDS = (("regime", "O"), ("id", "i4"), ("holdup", "f8"), ("dpt", "f8"), ("dpf", "f8"),
                 ("dpg", "f8"), ("dpa", "f8"), ("iterations", "i4"), ("status", "i4"), ("message", "O"),
                 ("separated_invalid", "?"))


def _check_inputs(names, given, where):
    """Refuses names that look like a misspelt input; returns those that are inputs."""
    inputs = []
    for name in names:
        if name in INPUTS:
            if name in given:
                raise ValueError(f"{where}: input '{name}' is given both as a column and as a keyword argument")
            inputs.append(name)
            continue
        close = difflib.get_close_matches(str(name).lower(), INPUTS, n=1, cutoff=0.75)
        if close:
            raise ValueError(f"{where}: column '{name}' is not an input; did you mean '{close[0]}'? "
                             f"(inputs: {', '.join(INPUTS)})")
    return inputs


def evaluate_frame(df, jobs=0, **inputs):
    """Evaluates every row of a pandas DataFrame whose columns name inputs (any
    subset; the other inputs take keyword arguments or the defaults; columns
    that are not inputs are ignored unless they look like a misspelt input,
    which is an error). Returns a DataFrame with the same index: the eleven
    inputs, then the results of evaluate_many, in row order."""
    try:
        import pandas as pd
    except ImportError as e:
        raise ImportError("evaluate_frame needs pandas (Debian package python3-pandas)") from e
    if not isinstance(df, pd.DataFrame):
        raise TypeError("evaluate_frame takes a pandas DataFrame")
    unknown = [k for k in inputs if k not in INPUTS]
    if unknown:
        raise TypeError(f"evaluate_frame: unknown input '{unknown[0]}'")
    columns = _check_inputs(list(df.columns), inputs, "evaluate_frame")
    args = dict(inputs)
    for name in columns:
        args[name] = df[name].to_numpy()
    import numpy as np
    n = len(df)
    args = {k: np.broadcast_to(np.asarray(v), (n,)) if np.ndim(v) == 0 else v for k, v in args.items()}
    out = evaluate_many(jobs=jobs, **args)
    full = {**defaults(), **args}
    data = {name: np.broadcast_to(np.asarray(full[name], dtype="float64"), (n,)) for name in INPUTS}
    data.update({key: out[key].reshape(n) for key, _ in RESULT_FIELDS})
    return pd.DataFrame(data, index=df.index)


def _evaluate_block(*blocks, jobs):
    """One dask block: the results as one structured array."""
    import numpy as np
    out = evaluate_many(jobs=jobs, **dict(zip(INPUTS, blocks)))
    rec = np.empty(out["dpt"].shape, dtype=list(RESULT_FIELDS))
    for key, _ in RESULT_FIELDS:
        rec[key] = out[key]
    return rec


def evaluate_dask(jobs=1, **inputs):
    """Like evaluate_many, for dask arrays: each input is a number, a numpy
    array or a dask array; they are broadcast together and their chunks
    aligned as dask does. Returns a dict with evaluate_many's keys, each a lazy
    dask array; computing them runs each chunk through the compiled code with
    the GIL released on whatever scheduler or distributed.Client is active.
    `jobs` threads per chunk (default 1: dask runs chunks in parallel)."""
    try:
        import dask.array as da
    except ImportError as e:
        raise ImportError("evaluate_dask needs dask (Debian packages python3-dask, python3-distributed)") from e
    import numpy as np
    unknown = [k for k in inputs if k not in INPUTS]
    if unknown:
        raise TypeError(f"evaluate_dask: unknown input '{unknown[0]}'")
    full = {**defaults(), **inputs}
    arrays = []
    for name in INPUTS:
        v = full[name]
        if not isinstance(v, da.Array):
            a = np.asarray(v)
            if a.dtype.kind not in "fiub":
                raise TypeError(f"{name}: expected real numbers, got values of dtype {a.dtype}")
            v = da.from_array(a.astype("float64"), chunks=-1) if a.ndim else da.from_array(a.astype("float64"))
        elif v.dtype.kind not in "fiub":
            raise TypeError(f"{name}: expected real numbers, got a dask array of dtype {v.dtype}")
        arrays.append(v)
    arrays = da.broadcast_arrays(*arrays)
    rec = da.map_blocks(_evaluate_block, *arrays, jobs=jobs, dtype=np.dtype(list(RESULT_FIELDS)),
                        meta=np.empty((0,) * arrays[0].ndim, dtype=list(RESULT_FIELDS)))
    return {key: rec[key] for key, _ in RESULT_FIELDS}


_TRAVERSE_OPTIONS = tuple(name.replace("-", "_") for name in _traverse_options())


class BlackOil:
    """The black-oil fluid for traverse(), from what is measured at the stock
    tank. Keywords are the command's options with underscores: api, gas_gravity
    (air = 1), water_gravity or salinity, co2, h2s, n2 (mole fractions);
    oil_rate and water_rate, or liquid_rate and water_cut; gor or glr (an
    oil well), or gas_rate with the yields cgr and wgr (a gas well:
    gas_rate="1000 Mscf/d", cgr="8 STB/MMscf"); z_method, dead_oil, live_oil. Numbers are SI (m3/s and m3/m3 at standard
    conditions); a string may carry a unit as on the command line:
    oil_rate="1000 STB/d", gor="600 scf/STB", salinity="80000 ppm"."""

    KEYS = ("api", "gas_gravity", "water_gravity", "salinity", "co2", "h2s", "n2", "oil_rate", "water_rate",
            "liquid_rate", "water_cut", "gor", "glr", "gas_rate", "cgr", "wgr", "z_method", "dead_oil", "live_oil")

    def __init__(self, api, gas_gravity, **options):
        unknown = [k for k in options if k not in self.KEYS]
        if unknown:
            close = difflib.get_close_matches(unknown[0], self.KEYS, n=1)
            hint = f" (did you mean '{close[0]}'?)" if close else ""
            raise TypeError(f"BlackOil: unknown option '{unknown[0]}'{hint}")
        self.options = {"api": api, "gas_gravity": gas_gravity, **options}

    def __repr__(self):
        inner = ", ".join(f"{k}={v!r}" for k, v in self.options.items())
        return f"flowmodel.BlackOil({inner})"


def _option_text(key, value):
    if isinstance(value, str):
        return value
    if isinstance(value, bool) or not isinstance(value, (int, float)) and not hasattr(value, "__float__"):
        raise TypeError(f"traverse: {key} takes a number, or a string with a unit")
    if isinstance(value, int):
        return str(value)  # as written: a message says "2500", not "2500.0"
    return repr(float(value))


class TraverseResult(dict):
    """The points of a traverse, one numpy array per field (SI), ready for
    pandas.DataFrame(result) or result.to_frame(); the summary beside them as
    result.summary (also result["summary"], which is not one of the columns)."""

    def __init__(self, columns, summary):
        super().__init__(columns)
        self.summary = summary

    def __missing__(self, key):
        if key == "summary":
            return self.summary
        raise KeyError(key)

    def to_frame(self):
        try:
            import pandas as pd
        except ImportError as e:
            raise ImportError("to_frame needs pandas (Debian package python3-pandas)") from e
        frame = pd.DataFrame(dict(self))
        frame.attrs["units"] = self.summary.get("units", "si")
        return frame

    def __reduce__(self):
        return (TraverseResult, (dict(self), self.summary))



def _traverse_case(profile, fluid_table, flow_direction, fluid, profile_unit, options):
    """The arguments of the compiled traverse for one case, checked as Python sees them."""
    unknown = [k for k in options if k not in _TRAVERSE_OPTIONS]
    if unknown:
        close = difflib.get_close_matches(unknown[0], _TRAVERSE_OPTIONS, n=1)
        hint = f" (did you mean '{close[0]}'?)" if close else ""
        raise TypeError(f"traverse: unknown option '{unknown[0]}'{hint}")
    if flow_direction not in (None, "increasing", "decreasing"):
        raise ValueError("traverse: flow_direction takes 'increasing' or 'decreasing'")
    if profile_unit not in (None, "m", "ft"):
        raise ValueError("traverse: profile_unit takes 'm' or 'ft' (or None: from the profile's header)")
    if fluid is not None:
        if not isinstance(fluid, BlackOil):
            raise TypeError("traverse: fluid takes a flowmodel.BlackOil")
        both = [k for k in fluid.options if k in options]
        if both:
            raise ValueError(f"traverse: {both[0]} is given both in the fluid and as a keyword")
        options = {**options, **fluid.options}
    for name, path in (("profile", profile), ("fluid_table", fluid_table)):
        if path is not None and not os.path.exists(path):
            raise FileNotFoundError(f"traverse: {name} '{path}' does not exist")
    texts = {key.replace("_", "-"): _option_text(key, value) for key, value in options.items() if value is not None}
    return (texts, "" if profile is None else str(profile), profile_unit or "",
            "" if fluid_table is None else str(fluid_table), flow_direction or "")


def _result(raw):
    summary = raw.pop("summary")
    return TraverseResult(raw, summary)


def _call(function, *args):
    """A call into the compiled core; what it cannot take is a ValueError (its
    texts name keywords: the core spells the library's option names)."""
    try:
        return function(*args)
    except (ValueError, RuntimeError) as e:
        raise ValueError(str(e)) from None


def traverse(profile=None, fluid_table=None, flow_direction=None, fluid=None, profile_unit=None,
             output_units="si", **options):
    """The pressure profile along a pipeline or a well, as `pipeflow traverse`
    computes it. Keywords are the command's options with underscores: length
    and angle, or profile (a CSV file whose columns name their length unit,
    md_ft or "MD (m)", or give profile_unit "m" or "ft"; a profile that
    descends as a well does needs flow_direction "decreasing" for a producer
    or "increasing" for an injector); diam, rough; temp, or temp_in and
    temp_out; inlet_pres or outlet_pres (absolute, or a gauge reading such as
    "185psig" above atm_pres); tol (Pa per segment), max_pres, output_step
    (the largest distance between points, m); and the fluid: liquid_rate,
    gas_rate (kg/s) with rol, visl, sigma, gas_molar_mass, z, visg or
    fluid_table (a CSV file), or fluid=BlackOil(...). Numbers are SI; a string
    may carry a unit as on the command line (diam="2.441in",
    outlet_pres="200psia", temp_in="180degF"). Heat transfer: heat="u-value",
    "ramey" or "none" with the surroundings (geothermal="60degF,
    1.5degF/100ft", ambient, or a tsurr column) and u_value, producing_time,
    hole_diam, formation_conductivity, formation_diffusivity, cpl, cpg as on
    the command line; the points then carry tsurr and heat_flux, the summary
    inlet_temp, outlet_temp (K) and heat_lost (W).

    Returns a TraverseResult: one numpy array per point field (md, z, angle,
    pres, temp, usl, usg, rol, rog, regime, id, hol, dpt, dpf, dpg, dpa, ierr,
    warning, answer, separated_invalid), in SI, or with output_units="field"
    in the command's field units, each key carrying its unit as
    `--output-units field` writes it (pres_psia, md_ft, temp_degF), ready for
    pandas.DataFrame (to_frame() notes the units in frame.attrs["units"]),
    and .summary (its "units" saying which): inlet and outlet pressure (None for an end not reached,
    with stop_md and stop_pres where the march stopped), the drop and its parts, the liquid
    inventory, the length in each regime, the bridged and invalid stretches,
    warnings, and whether the line carried the flow (complete, message).
    Bad options raise ValueError, a missing file FileNotFoundError; Ctrl-C
    interrupts it (KeyboardInterrupt)."""
    case = _traverse_case(profile, fluid_table, flow_direction, fluid, profile_unit, options)
    return _result(_call(_traverse, *case, _units(output_units)))


def _units(output_units):
    if output_units not in ("si", "field"):
        raise ValueError("output_units takes 'si' or 'field'")
    return output_units


def traverse_many(cases, jobs=0, output_units="si"):
    """Many independent traverses on all cores: `cases` is a list of dicts of
    traverse()'s keywords (one per rate, well or boundary pressure). Returns
    the list of TraverseResults, each equal to traverse(**case) whatever
    `jobs` (0: one thread per core)."""
    args = [_traverse_case(c.get("profile"), c.get("fluid_table"), c.get("flow_direction"),
                           c.get("fluid"), c.get("profile_unit"),
                           {k: v for k, v in c.items()
                            if k not in ("profile", "fluid_table", "flow_direction", "fluid", "profile_unit")})
            for c in cases]
    return [_result(r) for r in _call(_traverse_many, args, jobs, _units(output_units))]


def traverse_dask(cases, chunk=16, jobs=1, output_units="si"):
    """traverse_many on a Dask cluster: one task per chunk of `chunk` cases,
    each run by traverse_many on `jobs` threads of its worker, computed on the
    active scheduler or Client. Returns the list of TraverseResults in the
    order of `cases`, equal to traverse(**case) for each."""
    try:
        import dask
    except ImportError as e:
        raise ImportError("traverse_dask needs dask (Debian packages python3-dask, python3-distributed)") from e
    cases = list(cases)
    tasks = [dask.delayed(traverse_many, pure=True)(cases[i:i + chunk], jobs, _units(output_units))
             for i in range(0, len(cases), chunk)]
    return [r for part in _compute(dask, tasks) for r in part]


def _compute(dask, tasks):
    """dask.compute, and on Ctrl-C the calls its worker threads are running
    stopped too (the main thread alone sees the signal), so that the process
    does not wait for them."""
    try:
        return dask.compute(*tasks)
    except KeyboardInterrupt:
        _cancel_running()
        raise




def compare(frame, jobs=0, method="model", **inputs):
    """The model (or another method: method="beggs-brill", ..., as
    `pipeflow compare --method`) against measurements, as `pipeflow compare`
    reports it.
    `frame` is a pandas DataFrame whose columns name inputs (the others take
    keyword arguments or the defaults, as in evaluate_frame) and any of
    hol_meas (liquid holdup), dpdx_meas (measured pressure gradient, Pa/m,
    positive when the pressure falls) and regime_meas (0-4, or "STRAT"), and
    optionally source (the group; a note in brackets is not part of it).

    Returns a dict of DataFrames indexed by group, "all rows" first: "dpdx"
    and "holdup" (n, failed, separated_invalid, e1 ... e6, within20,
    within30; percentages in percent), "regime" (n, failed, n_exact, exact,
    coarse) and "confusion" (all rows: observed 0-4 and STRAT down, predicted
    regime across). The measured values are read as `pipeflow compare` reads
    its file (a missing value, None or NaN, is not measured; a regime code may
    be 3 or 3.0); what it refuses (text, a holdup outside 0 to 1, a regime
    that is not 0-4 or STRAT), an input that is no number, or a column that
    nearly spells a measured one raise ValueError naming the rows. Relative
    errors leave out rows measured below the resolution (a holdup below 0.01,
    a gradient below 1 Pa/m), counted as below_resolution."""
    try:
        import pandas as pd
    except ImportError as e:
        raise ImportError("compare needs pandas (Debian package python3-pandas)") from e
    import numpy as np
    if not isinstance(frame, pd.DataFrame):
        raise TypeError("compare takes a pandas DataFrame")
    measured = [c for c in ("hol_meas", "dpdx_meas", "regime_meas") if c in frame.columns]
    if not measured:
        raise ValueError("compare: the frame has no measured column: give hol_meas, dpdx_meas or regime_meas")
    for column in frame.columns:
        meant = _near_miss(str(column))
        if meant and str(column) not in INPUTS:
            raise ValueError(f"compare: column '{column}' is not one compare reads; did you mean '{meant}'?")
    bad_inputs = [c for c in INPUTS if c in frame.columns
                  and not np.isfinite(pd.to_numeric(frame[c], errors="coerce").to_numpy(dtype="float64")).all()]
    if bad_inputs:
        column = frame[bad_inputs[0]]
        rows = frame.index[~np.isfinite(pd.to_numeric(column, errors="coerce").to_numpy(dtype="float64"))]
        raise ValueError(f"compare: {bad_inputs[0]} is not a number in rows "
                         + ", ".join(str(i) for i in rows[:5]) + (" ..." if len(rows) > 5 else ""))

    def texts(name):
        """A column as the text the reader takes: a missing value (None, NaN) is blank."""
        if name not in frame.columns:
            return [""] * len(frame)
        return ["" if v is None or (isinstance(v, float) and math.isnan(v)) else
                (repr(float(v)) if isinstance(v, (float, np.floating)) else str(v)) for v in frame[name]]

    hol, dpdx, codes = _read_measured(texts("hol_meas"), texts("dpdx_meas"), texts("regime_meas"),
                                      [str(i) for i in frame.index])
    result = evaluate_frame(frame.drop(columns=[c for c in ("hol_meas", "dpdx_meas", "regime_meas", "source")
                                                if c in frame.columns]), jobs=jobs, **inputs)
    groups = [_group_of(str(s)) for s in frame["source"]] if "source" in frame.columns else []
    if str(method).strip().lower() == "model":
        stats = _compare(result["id"].to_numpy("int32"), result["holdup"].to_numpy("float64"),
                         result["dpt"].to_numpy("float64"), result["iterations"].to_numpy("int32"),
                         result["status"].to_numpy("int32"), hol, dpdx, codes, groups)
    else:
        table = np.column_stack([result[name].to_numpy("float64") for name in INPUTS]) if len(frame) else \
            np.empty((0, len(INPUTS)))
        stats = _compare_method(str(method), table, hol, dpdx, codes, groups, jobs)
    names = ["all rows"] + list(stats["groups"])
    every = [stats["pooled"]] + list(stats["groups"].values())
    out = {}
    for key in ("dpdx", "holdup", "regime"):
        rows = {name: {k: v for k, v in s[key].items() if k != "confusion"} for name, s in zip(names, every)
                if key in s}
        if rows:
            out[key] = pd.DataFrame.from_dict(rows, orient="index")
    if "regime" in stats["pooled"]:
        out["confusion"] = pd.DataFrame(stats["pooled"]["regime"]["confusion"],
                                        index=["0", "1", "2", "3", "4", "STRAT"],
                                        columns=[REGIMES[k] for k in range(5)])
    return out


def match(measured, profile=None, tune=False, method="all", jobs=0, fluid=None, profile_unit=None,
          flow_direction="decreasing", output_units="si", **options):
    """Every method (or `method`, a name) against a well's own measured
    pressures, as `pipeflow match` ranks them. `measured` is a CSV file of a
    flowing gradient survey (md, pres) or of well tests (date or test, the
    rates, whp, wht, gauge_md, gauge_pres, gauge_temp; units in the header);
    the well takes traverse()'s keywords (profile listed from the wellhead
    down, diam, rough, fluid=BlackOil(...) without rates for well tests),
    produced upward unless flow_direction="increasing" (an injector's survey).
    With tune=True each method's holdup and friction multipliers are fitted.

    Returns a dict of DataFrames: "methods" (one row per method, best first:
    method, n, failed, me and mae (Pa; with output_units="field" me_psi and
    mae_psi), me_drop, mape_drop and within5 in per cent of the measured drop,
    holdup_factor, friction_factor; tuned when tune), "untuned" (the same
    before tuning, with tune), and "rows" (one row per measurement and method:
    method, tuned, row, measured, predicted (Pa, or measured_psia and
    predicted_psia), error and drop (Pa, or error_psi, drop_psi), failure);
    rows a method could not compute have no prediction and are counted as
    failed; "units" says which."""
    import numpy as np
    import pandas as pd
    if not os.path.exists(measured):
        raise FileNotFoundError(f"match: measured '{measured}' does not exist")
    names = [] if str(method).strip().lower() == "all" else [str(method)]
    texts, profile_path, unit, _, direction = _traverse_case(profile, None, flow_direction, fluid, profile_unit, options)
    raw = _call(_match, texts, profile_path, unit, str(measured), bool(tune), names, int(jobs), direction,
                _units(output_units))
    key = raw["keys"]
    stats = ["method", "n", "failed", "n_drop", key["me"], key["mae"], "me_drop", "mape_drop", "within5",
             "holdup_factor", "friction_factor"]

    def table(methods):
        frame = pd.DataFrame([{k: m[k] for k in stats} for m in methods], columns=stats)
        frame.attrs["units"] = raw["units"]
        return frame

    def rows(methods, tuned):
        frames = []
        for m in methods:
            frames.append(pd.DataFrame({"method": m["method"], "tuned": tuned, "row": raw["labels"],
                                        key["measured"]: m[key["measured"]], key["predicted"]: m[key["predicted"]],
                                        key["error"]: m[key["predicted"]] - m[key["measured"]],
                                        key["drop"]: m[key["drop"]], "failure": m["failure"]}))
        return frames

    out = {"methods": table(raw["methods"]), "units": raw["units"]}
    frames = rows(raw["methods"], bool(tune))
    if raw["untuned"] is not None:
        out["untuned"] = table(raw["untuned"])
        frames = rows(raw["untuned"], False) + frames
    out["rows"] = pd.concat(frames, ignore_index=True) if frames else pd.DataFrame()
    out["warnings"] = list(raw["warnings"])
    return out


# The faces of the wells use the helpers above.
from ._wells import ipr, nodal, read_vfp, vfp_dask, vfp_table, vfp_values  # noqa: E402
