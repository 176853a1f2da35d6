"""reportapp.verify and reportapp.summarize: the runs of the command line."""

import json
import os
import shutil
import subprocess

import pytest

import reportapp
from conftest import SOURCE_DIR


@pytest.fixture
def project(tmp_path):
    folder = tmp_path / "project"
    shutil.copytree(SOURCE_DIR / "examples" / "verify_project", folder)
    return folder


def timing_files(project):
    return sorted(str(p) for p in (project / "timing").glob("kv_timing_*.txt"))


def test_verify_returns_the_document_the_command_line_writes(project, tmp_path):
    files = timing_files(project)
    result = reportapp.verify(files, project=project, jobs=1, json=tmp_path / "run.json")
    assert result == json.loads((tmp_path / "run.json").read_text())
    assert result["schema"].startswith("reportapp-verify/")
    assert [f["status"] for f in result["files"]] == ["pass", "fail", "fail"]
    assert os.path.exists(result["files"][0]["report"])
    # The same run from the shell gives the same document but for the times.
    shell = tmp_path / "shell.json"
    reportapp_program = os.path.join(os.environ["REPORTAPP_BUILD_DIR"], "reportapp")
    done = subprocess.run([reportapp_program, "verify", "--quiet", "--jobs", "1", "--project",
                           str(project), "--json", str(shell), *files], capture_output=True)
    assert done.returncode == 1

    def untimed(document):
        for f in document["files"]:
            f.pop("seconds", None)
        document.pop("seconds", None)
        return document

    assert untimed(result) == untimed(json.loads(shell.read_text()))


def test_verify_options_reach_the_run(project):
    result = reportapp.verify(timing_files(project)[:1], project=project, real_values=True,
                              plots=False, index=False)
    assert result["realValues"] is True
    assert "plot" not in result["files"][0]
    assert not (project / "Reports" / "index.htm").exists()
    assert reportapp.verify(timing_files(project)[0], project=project)["files"][0]["status"] \
        == "pass"


def test_verify_errors(project, tmp_path):
    missing = reportapp.verify([str(tmp_path / "none.txt")], project=project, index=False)
    assert missing["files"][0]["status"] == "error"
    assert "cannot open timing file" in missing["files"][0]["error"]
    with pytest.raises(ValueError, match="no files"):
        reportapp.verify([], project=project)
    with pytest.raises(ValueError, match="--jobs"):
        reportapp.verify(timing_files(project), project=project, jobs=-3)
    # A failed run leaves an earlier document in place.
    earlier = tmp_path / "keep.json"
    earlier.write_text("{}")
    with pytest.raises(ValueError):
        reportapp.verify(timing_files(project), project=project, jobs=-3, json=earlier)
    assert earlier.read_text() == "{}"


def test_summarize_merges_shards(project, tmp_path):
    files = timing_files(project)
    for n, f in enumerate(files):
        reportapp.verify([f], project=project, index=False, json=tmp_path / f"shard{n}.json")
    merged = reportapp.summarize([tmp_path / f"shard{n}.json" for n in range(len(files))],
                                 project=project, json=tmp_path / "all.json")
    assert merged == json.loads((tmp_path / "all.json").read_text())
    assert [f["status"] for f in merged["files"]] == ["pass", "fail", "fail"]
    with pytest.raises(ValueError):
        reportapp.summarize([tmp_path / "none.json"], project=project)
