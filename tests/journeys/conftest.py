"""The journeys' shared fixture: a desktop of their own per journey and language; a journey
that fails leaves a picture of the screen as it was."""
import pytest

from journey import Desktop


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if report.when == "call":
        item.failed_call = report.failed


@pytest.fixture
def desktop(request):
    journey = request.node.originalname.removeprefix("test_")
    drivers = getattr(request.module, "DRIVERS", ("Vodex_Randomizer", "Vodex_Balance"))
    d = Desktop(journey, request.param, drivers)
    yield d
    if getattr(request.node, "failed_call", False):
        try:
            d.shot("failed")
        except AssertionError:
            pass
    d.close()
