"""Wells: inflow curves, nodal analysis and lift-curve tables, the faces of
`pipeflow nodal` and `pipeflow vfp` in Python (imported by the package)."""
import difflib
import os

from . import BlackOil, _call, _compute, _option_text, _TRAVERSE_OPTIONS
from ._core import _inflow_options, _ipr, _nodal, _read_vfp, _vfp, _vfp_values

_INFLOW = tuple(name.replace("-", "_") for name in _inflow_options())
_IPR_KINDS = ("pi", "vogel", "composite", "fetkovich")
_VFP_OWN = ("flo", "wfr", "gfr", "table", "datum_depth", "deck_units", "fill", "max_entries", "alq_kind", "axes_from")


def _jobs(where, jobs):
    """Threads to use: a whole number, 0 for one per core."""
    if isinstance(jobs, bool) or not isinstance(jobs, int) or not 0 <= jobs <= 1024:
        raise ValueError(f"{where}: jobs takes a whole number from 0 (one thread per core) to 1024")
    return jobs


def _list_text(key, value):
    """An axis or a list of rates: a string as on the command line
    ("50,100 STB/d"), or a sequence of numbers (SI) or of strings with units."""
    if isinstance(value, str):
        return value
    try:
        items = list(value)
    except TypeError:
        return _option_text(key, value)
    if not items:
        raise ValueError(f"{key} is empty")
    return ",".join(_option_text(key, v) for v in items)


def _texts(where, allowed, options, lists=()):
    """The option texts the compiled core reads, after refusing misspelt names."""
    unknown = [k for k in options if k not in allowed]
    if unknown:
        close = difflib.get_close_matches(unknown[0], allowed, n=1)
        hint = f" (did you mean '{close[0]}'?)" if close else ""
        raise TypeError(f"{where}: unknown option '{unknown[0]}'{hint}")
    return {k.replace("_", "-"): (_list_text(k, v) if k in lists else _option_text(k, v))
            for k, v in options.items() if v is not None}


def _check_profile(where, profile, profile_unit):
    if profile_unit not in (None, "m", "ft"):
        raise ValueError(f"{where}: profile_unit takes 'm' or 'ft' (or None: from the profile's header)")
    if profile is not None and not os.path.exists(profile):
        raise FileNotFoundError(f"{where}: profile '{profile}' does not exist")


def _well(where, profile, fluid, profile_unit, options):
    _check_profile(where, profile, profile_unit)
    if not isinstance(fluid, BlackOil):
        raise TypeError(f"{where}: fluid takes a flowmodel.BlackOil")
    both = [k for k in fluid.options if k in options and options[k] is not None]
    if both:
        raise ValueError(f"{where}: {both[0]} is given both in the fluid and as a keyword")
    return {**options, **fluid.options}


def ipr(kind, res_pres, pwf=None, rate=None, points=51, atm_pres=None, output_units="si", **options):
    """The inflow curve of a reservoir: the rate it gives against the flowing
    bottom-hole pressure, as `pipeflow nodal` uses it.

    kind: "pi" (q = J (pr - pwf), pi=J), "vogel" (Vogel 1968; q_max, or
    test_rate and test_pwf), "composite" (the straight line above the bubble
    point, Vogel below; pi and bubble_pres) or "fetkovich" (gas backpressure
    q = C (pr^2 - pwf^2)^n; c with its units, e.g. "0.02 Mscf/d/psi2", and n).
    res_pres: the average reservoir pressure. Numbers are SI (Pa, m3/s at
    standard conditions, m3/s/Pa); strings may carry units ("3000psia",
    "2 STB/d/psi").

    At the pressures `pwf` (Pa, an array or a number), or at the rates
    `rate` (m3/s), or by default at `points` pressures from res_pres to 0.
    Returns a dict of numpy arrays "rate" (m3/s) and "pwf" (Pa; NaN for a
    rate beyond the absolute open flow), and "absolute_open_flow" (m3/s).
    With output_units="field" the numbers given and returned are in field
    units (psia, STB/d, Mscf/d for fetkovich's gas) under keys that carry
    them (rate_stb_d, pwf_psia, absolute_open_flow_stb_d)."""
    import numpy as np
    if kind not in _IPR_KINDS:
        raise ValueError(f"ipr: kind takes {', '.join(_IPR_KINDS)}")
    if pwf is not None and rate is not None:
        raise ValueError("ipr: give pwf or rate, not both")
    texts = _texts("ipr", _INFLOW, {"res_pres": res_pres, **options})
    atm = "" if atm_pres is None else _option_text("atm_pres", atm_pres)
    values, at_pwf = (pwf, True) if rate is None else (rate, False)
    if output_units not in ("si", "field"):
        raise ValueError("ipr: output_units takes 'si' or 'field'")
    if values is None:
        res = _res_pres(kind, texts, atm, output_units)
        values = np.linspace(res, 0.0, int(points))
    arr = np.asarray(values, dtype="float64")
    q, p, aof, keys = _call(_ipr, kind, texts, atm, arr.ravel(), at_pwf, output_units)
    return {keys[0]: q.reshape(arr.shape), keys[1]: p.reshape(arr.shape), keys[2]: aof}


def _res_pres(kind, texts, atm, output_units):
    """The reservoir pressure as the core reads it: the pwf at rate 0."""
    import numpy as np
    return float(_call(_ipr, kind, texts, atm, np.zeros(1), False, output_units)[1][0])


def nodal(profile=None, fluid=None, ipr=None, rates=None, profile_unit=None, jobs=0, lift_gas_rates=None,
          min_gradient=None, output_units="si", injector=None, **options):
    """Nodal analysis at the bottom of a well, as `pipeflow nodal` does it: the
    outflow (the bottom-hole pressure the well needs to lift each rate
    against its wellhead pressure, one traverse per rate) crossed with the
    inflow of the reservoir.

    The well as for traverse(): profile listed from the wellhead down (or
    length and angle), diam, rough, temp or temp_in/temp_out, outlet_pres (the
    wellhead pressure), tol; fluid=BlackOil(api, gas_gravity, water_cut=...,
    gor=... or glr=..., ...). The inflow: ipr ("pi", "vogel", "composite",
    "fetkovich") with res_pres and its own keywords (pi, q_max, test_rate,
    test_pwf, bubble_pres, c, n; see flowmodel.ipr). rates: a list (SI, or
    strings with units, or "50,100,200 STB/d"); by default a sweep from 1 %
    to 99 % of the absolute open flow, refined near each crossing.

    Returns a dict: "curves" (numpy arrays, DataFrame-ready: liquid_rate, or
    gas_rate for fetkovich, m3/s; outflow_bhp and inflow_bhp, Pa, NaN where
    there is none; regime_at_bottom; failure), "crossings" (dicts with the
    rate, bhp, thp, regime_at_bottom, stable), "operating_point" (the stable
    crossing of highest rate: a point of the outflow curve, its bhp a traverse
    at its rate, the inflow there within 0.01 psi of it (or as close as 1e-4
    of the rate comes); None when there is none), "reason" (why there is
    none, or None), "absolute_open_flow", "thp", "warnings" (the fluid's
    correlations used outside their ranges) and "evaluations". With
    output_units="field" every number is in the command's field units and
    its key carries the unit as `--output-units field` writes it
    (liquid_rate_stb_d, outflow_bhp_psia, wellhead_temp_degF); "units" says
    which.

    Gas lift: lift_gas_rate with injection_depth (and lift_gas_gravity)
    lifts every outflow traverse. lift_gas_rates (a list, with
    injection_depth) returns instead the lift-gas performance curve:
    {"lift_gas_curve": arrays lift_gas_rate, liquid_rate, oil_rate (m3/s at
    standard conditions, NaN where the well does not flow), bhp (Pa),
    injection_md (m), reason; "maximum" and "economic_optimum" (dicts of one
    point, or None), "min_gradient" (oil per lift gas, m3/m3; min_gradient
    sets it, default 0.001), "warnings", "evaluations"}.

    An injection well: injector="water", "gas" or "oil", the fluid's own
    property as a keyword (water_gravity or salinity, gas_gravity, api; no
    fluid=), inlet_pres the wellhead pressure (the injector's inlet), and
    the reservoir's injectivity: ipr="injectivity" (the default then) with
    res_pres and ii (e.g. "20 Sm3/d/bar"). The outflow curve is then the
    bottom-hole pressure the tubing gives, the inflow the pressure the
    reservoir needs to take the rate; the sweep runs up to the largest rate
    it could take. "injector" is returned instead of "absolute_open_flow"."""
    if injector is not None:
        return _injection_nodal(profile, fluid, ipr, rates, profile_unit, jobs, output_units, injector,
                                dict(lift_gas_rates=lift_gas_rates, min_gradient=min_gradient), options)
    ipr = "pi" if ipr is None else ipr
    if ipr not in _IPR_KINDS:
        raise ValueError(f"nodal: ipr takes {', '.join(_IPR_KINDS)}")
    merged = _well("nodal", profile, fluid, profile_unit, options)
    allowed = _TRAVERSE_OPTIONS + _INFLOW + ("rates", "lift_gas_rates", "min_gradient")
    texts = _texts("nodal", allowed, {**merged, "rates": rates, "lift_gas_rates": lift_gas_rates,
                                      "min_gradient": min_gradient}, lists=("rates", "lift_gas_rates"))
    texts["ipr"] = ipr
    if output_units not in ("si", "field"):
        raise ValueError("nodal: output_units takes 'si' or 'field'")
    return _call(_nodal, texts, "" if profile is None else str(profile), profile_unit or "",
                 _jobs("nodal", jobs), output_units)


def _refuse_for_injector(why, fluid, producers):
    """An injection well takes no BlackOil and none of the producer's keywords given in `producers`."""
    given = [k for k, v in producers.items() if v is not None]
    if fluid is not None or given:
        raise ValueError(why + ": give no " + ", ".join(["fluid"] * (fluid is not None) + given))


def _injection_nodal(profile, fluid, ipr, rates, profile_unit, jobs, output_units, injector, lift, options):
    """nodal(injector=...): an injection well against its reservoir's injectivity."""
    _refuse_for_injector("nodal: an injection well takes the injected fluid's property as a keyword "
                         "(water_gravity or salinity, gas_gravity, api) and no lift gas", fluid, lift)
    if ipr not in (None, "injectivity"):
        raise ValueError("nodal: an injection well's inflow is ipr='injectivity', with ii and res_pres")
    _check_profile("nodal", profile, profile_unit)
    allowed = _TRAVERSE_OPTIONS + _INFLOW + ("rates", "injector")
    texts = _texts("nodal", allowed, {**options, "rates": rates, "injector": injector}, lists=("rates",))
    texts["ipr"] = "injectivity"
    if output_units not in ("si", "field"):
        raise ValueError("nodal: output_units takes 'si' or 'field'")
    return _call(_nodal, texts, "" if profile is None else str(profile), profile_unit or "",
                 _jobs("nodal", jobs), output_units)


def vfp_table(profile=None, fluid=None, rates=None, thp=None, water_cut=None, gor=None, glr=None,
              profile_unit=None, jobs=0, alq=None, output_units="si", injector=None, **options):
    """A lift-curve table of a well, as `pipeflow vfp` makes it: every entry
    one traverse from the wellhead pressure down to the datum, on all cores.

    The well as for traverse() (profile listed from the wellhead down, diam,
    rough, temperatures, tol); fluid=BlackOil(api, gas_gravity, water_gravity
    or salinity, ...) without rates. The axes, each a list (SI numbers, or
    strings with units, or "50,100 STB/d"): rates (FLO), thp, water_cut (WFR),
    gor or glr (GFR). Keywords: flo ("liq", "oil", "gas"), wfr ("wct", "wor",
    "wgr"), gfr ("gor", "glr", "ogr"), table (number), datum_depth (default:
    the true vertical depth of the last station), deck_units ("metric",
    "field"), fill ("extrapolate" fills entries that cannot be computed from
    their rate neighbours, between computed ones or one rate step beyond, with
    a value between the THP and the ceiling; "clamp" also takes the nearest
    computed rate's value where that gives none; without it they raise
    ValueError), max_entries (100000: a larger table raises before any work).
    Gas lift: alq (a list) with alq_kind ("grat": lift-gas rate, "iglr":
    injected gas-liquid ratio, "tglr": total gas-liquid ratio) and where the
    gas enters (injection_depth, or casing_pres with mandrels); "bhp" is then
    [thp, wfr, gfr, alq, flo] and "alq", "alq_kind" are returned.

    Returns a dict: the axes "flo", "thp", "wfr", "gfr" (SI: m3/s at standard
    conditions, Pa, fractions and m3/m3), "bhp" (Pa, shape [thp, wfr, gfr,
    flo]), "datum" (m), "table", "kinds", "keyword" (the VFPPROD text to
    include in a deck), "filled" and "warnings" (lists of text),
    "evaluations". With output_units="field" the axes, "bhp" and "datum" are
    in the command's field units under keys that carry them (thp_psia,
    flo_stb_d, gfr_scf_stb, bhp_psia, datum_ft); "units" says which.

    An injection well: injector="water", "gas" or "oil" makes its VFPINJ,
    with the axes rates (of the injected fluid) and thp only, each entry the
    traverse of that fluid alone flowing down from the THP; the fluid's own
    property as a keyword (water_gravity or salinity, gas_gravity, api), no
    fluid=. "bhp" is then [thp, flo], "kinds" the FLO ("wat", "gas", "oil")
    and "injector" the kind.

    axes_from="deck.inc" (with table=N where it holds several) makes the
    table on the axes, kinds, units, datum and number of an existing one, as
    `pipeflow vfp --axes-from`: the axes are then not given."""
    if injector is not None:
        return _injection_table(profile, fluid, rates, thp, dict(water_cut=water_cut, gor=gor, glr=glr, alq=alq),
                                profile_unit, jobs, output_units, injector, options)
    merged = _well("vfp_table", profile, fluid, profile_unit, options)
    axes = {"rates": rates, "thp": thp, "water_cut": water_cut, "gor": gor, "glr": glr, "alq": alq}
    if gor is not None and glr is not None:
        raise ValueError("vfp_table: give gor or glr, not both")
    missing = [k for k in ("rates", "thp", "water_cut") if axes[k] is None]
    if alq is None:
        del axes["alq"]
    if options.get("axes_from") is not None:
        missing, gor_or_glr = [], True  # the axes come from the file's table
    else:
        gor_or_glr = gor is not None or glr is not None
    if missing or not gor_or_glr:
        raise ValueError("vfp_table: give the axes rates, thp, water_cut and gor or glr"
                         + (f" (missing: {', '.join(missing)})" if missing else ""))
    both = [k for k in axes if k in merged and merged[k] is not None]
    if both:
        raise ValueError(f"vfp_table: {both[0]} is an axis: give it as the keyword, not in the fluid")
    allowed = _TRAVERSE_OPTIONS + _VFP_OWN + tuple(axes)
    texts = _texts("vfp_table", allowed, {**merged, **axes}, lists=tuple(axes))
    if output_units not in ("si", "field"):
        raise ValueError("vfp_table: output_units takes 'si' or 'field'")
    return _call(_vfp, texts, "" if profile is None else str(profile), profile_unit or "",
                 _jobs("vfp_table", jobs), output_units)


def _injection_table(profile, fluid, rates, thp, producer_axes, profile_unit, jobs, output_units, injector, options):
    """vfp_table(injector=...): the VFPINJ of an injection well."""
    _refuse_for_injector("vfp_table: an injector's table has the axes rates and thp only, and takes the injected "
                         "fluid's property as a keyword (water_gravity or salinity, gas_gravity, api)", fluid,
                         producer_axes)
    if rates is None or thp is None:
        raise ValueError("vfp_table: give the axes of an injector's table: rates and thp")
    _check_profile("vfp_table", profile, profile_unit)
    axes = {"rates": rates, "thp": thp}
    allowed = _TRAVERSE_OPTIONS + _VFP_OWN + tuple(axes) + ("injector",)
    texts = _texts("vfp_table", allowed, {**options, **axes, "injector": injector}, lists=tuple(axes))
    if output_units not in ("si", "field"):
        raise ValueError("vfp_table: output_units takes 'si' or 'field'")
    return _call(_vfp, texts, "" if profile is None else str(profile), profile_unit or "",
                 _jobs("vfp_table", jobs), output_units)


def vfp_dask(wells, jobs=1):
    """Lift-curve tables of many wells on a Dask cluster: `wells` is a list of
    dicts of vfp_table()'s keywords, one task each, computed on the active
    scheduler or Client with `jobs` threads per task. Returns the list of
    tables in the order of `wells`, each equal to vfp_table(**well)."""
    try:
        import dask
    except ImportError as e:
        raise ImportError("vfp_dask needs dask (Debian packages python3-dask, python3-distributed)") from e
    wells = list(wells)
    tasks = [dask.delayed(vfp_table, pure=True)(**{**w, "jobs": jobs}) for w in wells]
    return list(_compute(dask, tasks))


def read_vfp(path):
    """Every VFPPROD and VFPINJ of a deck file (and of the files it INCLUDEs),
    read as the simulator reads them and checked, as `pipeflow vfp-check`.

    Returns a list of dicts, one per table in the order read: "keyword",
    "number", "file", "line", "units" ("METRIC", "FIELD", "LAB"), "quantity",
    "datum", the kinds "flo_type", "wfr_type", "gfr_type", "alq_type" (upper
    case; "" where the keyword has none), the axes "flo", "thp", "wfr", "gfr",
    "alq" (numpy arrays in the deck's units; a VFPINJ has flo and thp, the
    others [0]), "bhp" (a numpy array [thp, wfr, gfr, alq, flo], NaN where
    defaulted or missing), "checks" ({name: {"fails": bool, "found": [{"thp",
    "wfr", "gfr", "alq", "flo" (1-based, 0 where not meant), "size", "text"}]}})
    and "ok". A file it cannot read raises ValueError naming the file, line
    and column."""
    import numpy as np
    tables = _call(_read_vfp, str(path))
    for t in tables:
        for axis in ("flo", "thp", "wfr", "gfr", "alq"):
            t[axis] = np.asarray(t[axis], dtype=float)
        shape = tuple(len(t[a]) for a in ("thp", "wfr", "gfr", "alq", "flo"))
        t["bhp"] = np.asarray(t["bhp"], dtype=float).reshape(shape)
    return tables


def vfp_values(path, flo, thp=None, bhp=None, wfr=0.0, gfr=0.0, alq=0.0, table=None):
    """A deck's table at points, as the simulator interpolates it (multilinear
    between the nodes, linear beyond each axis from its end values), in the
    deck's units, as `pipeflow vfp-check --at` does: the BHP at flo, thp, wfr,
    gfr, alq (arrays broadcast together), or, given bhp instead of thp, the
    THP that gives it (NaN where none does). table: its number where the file
    holds more than one. Returns a numpy array of the broadcast shape."""
    import numpy as np
    if (thp is None) == (bhp is None):
        raise ValueError("vfp_values: give one of thp (for the BHP) and bhp (for the THP that gives it)")
    arrays = np.broadcast_arrays(*(np.asarray(v, dtype=float) for v in (flo, thp if bhp is None else bhp, wfr, gfr, alq)))
    flat = [a.ravel().tolist() for a in arrays]
    out = _call(_vfp_values, str(path), int(table or 0), *flat, bhp is not None)
    return np.asarray(out).reshape(arrays[0].shape)
