"""Where the test command itself installs every dependency (it sets
FLOWMODEL_REQUIRE_ALL=1), a skipped test is a failure with its reason: a
fresh machine runs everything or says why not. Run by hand without it, a
test whose optional dependency is missing is skipped, saying which."""
import os

import pytest

REQUIRED = os.environ.get("FLOWMODEL_REQUIRE_ALL") == "1"


def _as_failure(report, what):
    reason = report.longrepr[-1] if isinstance(report.longrepr, tuple) else report.longrepr
    report.outcome = "failed"
    report.longrepr = f"{what} skipped where the test command installs what it needs: {reason}"


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if REQUIRED and report.skipped and not hasattr(report, "wasxfail"):
        _as_failure(report, item.nodeid)


@pytest.hookimpl(hookwrapper=True)
def pytest_make_collect_report(collector):
    outcome = yield
    report = outcome.get_result()
    if REQUIRED and report.skipped:
        _as_failure(report, str(collector.nodeid))
