"""The small black-oil deck the OPM Flow tests run: a 5 x 5 x 3 box of 300 mD
sandstone at 2430 m, oil, water and dissolved gas, the lift-curve or
injection table included in SCHEDULE from 'vfp.inc'. Each test gives its
title, its wells' dimensions and RUNSPEC keywords, its summary vectors and
its schedule."""

TEMPLATE = """RUNSPEC
TITLE
{title}
DIMENS
 5 5 3 /
OIL
WATER
GAS
DISGAS
METRIC
START
 1 'JAN' 2020 /
WELLDIMS
 {welldims} /
TABDIMS
 1 1 20 20 1 20 /
VFPPDIMS
 20 20 20 20 1 1 /
{runspec}EQLDIMS
 1 /
UNIFOUT
GRID
DX
 75*1000 /
DY
 75*1000 /
DZ
 75*10 /
TOPS
 25*2430 /
PORO
 75*0.2 /
PERMX
 75*300 /
PERMY
 75*300 /
PERMZ
 75*30 /
PROPS
SWOF
0.2 0 1 0
0.5 0.2 0.3 0
1.0 1.0 0 0 /
SGOF
0 0 1 0
0.3 0.3 0.1 0
0.8 0.9 0 0 /
PVTW
 250 1.0 4.5e-5 0.5 0 /
DENSITY
 850 1030 0.9 /
ROCK
 250 5e-5 /
PVDG
 50 0.025 0.012
 150 0.0085 0.015
 350 0.0040 0.024 /
PVTO
 50 50 1.15 1.2 /
 100 100 1.25 0.9
     350 1.21 1.1 /
 150 150 1.35 0.7
     350 1.31 0.8 /
/
SOLUTION
EQUIL
 2430 280 2900 0 2300 0 1 0 0 /
RSVD
 2400 100
 2700 100 /
SUMMARY
{summary}SCHEDULE
INCLUDE
 'vfp.inc' /
{schedule}END
"""


def small_deck(title, welldims, summary, schedule, runspec=""):
    """The deck text: `welldims` the WELLDIMS record's items, `runspec` more
    RUNSPEC keywords, `summary` and `schedule` the keywords of those sections
    (the table is included before the schedule's own keywords)."""
    return TEMPLATE.format(title=title, welldims=welldims, runspec=runspec, summary=summary, schedule=schedule)
