"""The installed Python module against the installed ed-load: the same file, walked both ways."""
import gc
import json
import os
import subprocess

import pytest

import edloader

PUMP = os.path.join(os.environ["ED_EXAMPLES"], "pump", "pump.ed")


def ed_load(*args):
    return subprocess.run([os.environ["ED_LOAD"], *args, PUMP], check=True, capture_output=True, text=True).stdout


@pytest.fixture(scope="module")
def pump():
    return edloader.load(PUMP)


def compare(component, document):
    assert component.name == document["name"]
    assert component.kind == document["kind"]
    assert component.properties == [(p["name"], p["type"], p["value"]) for p in document["properties"]]
    assert len(component.children) == len(document["children"])
    for instance, child in zip(component.children, document["children"]):
        assert instance.id == child["id"]
        location = child["location"]
        if location is None:
            assert instance.location is None
        else:
            assert instance.location["translation"] == pytest.approx(location["translation"])
            assert instance.location["rotation"] == pytest.approx(location["rotation"])
            assert instance.location["scale"] == pytest.approx(location["scale"])
        appearance = child["appearance"]
        colour = appearance and appearance["color"]
        assert instance.colour == (colour and pytest.approx(colour))
        assert instance.visible == (child["visibility"] != 3)
        compare(instance.component, child["component"])


def test_walk_matches_the_json_document(pump):
    compare(pump.root, json.loads(ed_load("--format", "json"))["root"])


def test_instance_count_is_the_summarys(pump):
    counts = dict(line.split(None, 1) for line in ed_load("--quiet", "--format", "summary").splitlines() if line.strip())
    assert pump.instance_count == int(counts["instances"])


def test_views_outlive_the_variables_that_led_to_them():
    child = edloader.load(PUMP).root.children[0]
    gc.collect()
    assert child.component.name


def test_failed_load_raises_with_the_reason(tmp_path):
    with pytest.raises(edloader.LoadError, match="missing.ed"):
        edloader.load(str(tmp_path / "missing.ed"))


def test_check_gives_the_diagnostics(tmp_path):
    path = tmp_path / "link.ed"
    path.write_text("C 1 0 0\nC 2 1 0\nL 0 1 0 0 a.ed\nK\n")
    first = edloader.check(str(path))[0]
    assert (first["code"], first["severity"], first["line"], first["record"]) == ("root-is-link", "error", 3, "L")
