"""The CI examples under examples/ci/: both files parse, and the lines they run
after the build, run here against a copy of the example project with the
build's reportapp, leave the documents they keep as artifacts.

Run by ctest as a script (REPORTAPP_SOURCE_DIR and REPORTAPP_BUILD_DIR set);
exit status 77 (skipped, said loudly) without python3-yaml or pytest.
"""
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

try:
    import pytest
    import yaml
except ImportError as missing:  # the skip is reported by __main__ below
    pytest = yaml = None
    MISSING = missing.name
else:
    MISSING = None

SOURCE = Path(os.environ.get("REPORTAPP_SOURCE_DIR", Path(__file__).resolve().parents[2]))
BUILD = Path(os.environ.get("REPORTAPP_BUILD_DIR", SOURCE / "build"))
EXAMPLE = "examples/verify_project"

# The example project: vector 1 passes, 2 and 3 disagree, so a regression
# exits with status 1 and the jobs fail after keeping their artifacts.
EXPECTED_EXIT = 1


def load(relative):
    with open(SOURCE / relative, encoding="utf-8") as f:
        return yaml.safe_load(f)


def checkout(tmp_path):
    """A folder laid out as the repository the jobs check out: the example
    project (without earlier reports) and build/reportapp after the build."""
    root = tmp_path / "repo"
    shutil.copytree(SOURCE / EXAMPLE, root / EXAMPLE,
                    ignore=shutil.ignore_patterns("*.htm"))
    (root / "build").mkdir()
    (root / "build" / "reportapp").symlink_to(BUILD / "reportapp")
    return root


def run(lines, root, env):
    """The lines as one CI shell runs them: bash, stopping at the first
    failing command."""
    script = "\n".join(lines)
    return subprocess.run(["bash", "--noprofile", "--norc", "-eo", "pipefail", "-c", script],
                          cwd=root, env=env, capture_output=True, text=True, timeout=120)


def job_env(root, variables):
    env = {"PATH": os.environ["PATH"], "HOME": str(root), "CI": "true"}
    env.update({name: str(value) for name, value in variables.items()})
    return env


def junit_cases(junit):
    return ElementTree.parse(junit).getroot().iter("testcase")


def check_kept(root, paths):
    """Every artifact path exists; the reports folder holds the index and one
    report per vector."""
    for path in paths:
        assert (root / path).exists(), f"artifact {path} was not written"
    reports = root / EXAMPLE / "Reports"
    assert (reports / "index.htm").is_file()
    assert len(list(reports.glob("kv_timing_Korvel_TestVector_*_rtl.htm"))) == 3
    summary = (root / "summary.md").read_text(encoding="utf-8")
    assert summary.startswith("## reportapp verify: fail\n")
    assert r"| fail | kv\_timing\_Korvel\_TestVector\_2 |" in summary


def test_gitlab_job_keeps_junit_summary_and_reports(tmp_path):
    config = load("examples/ci/.gitlab-ci.yml")
    job = config["regression"]
    assert any("--target reportapp" in line for line in job["before_script"])
    root = checkout(tmp_path)
    env = job_env(root, job.get("variables", {}))

    result = run(job["script"], root, env)
    assert result.returncode == EXPECTED_EXIT, result.stderr
    after = run(job["after_script"], root, env)
    assert after.returncode == 0, after.stderr
    assert "## reportapp verify: fail" in after.stdout

    artifacts = job["artifacts"]
    assert artifacts["when"] == "always"
    check_kept(root, artifacts["paths"] + [artifacts["reports"]["junit"]])
    # GitLab's flavour: each case names its timing file, relative to the
    # folder the job ran in.
    cases = list(junit_cases(root / artifacts["reports"]["junit"]))
    assert len(cases) == 3
    for case in cases:
        assert (root / case.get("file")).is_file(), case.attrib
        assert case.get("line") is None


def test_github_workflow_writes_the_step_summary_and_annotations(tmp_path):
    config = load("examples/ci/github/verify.yml")
    assert set(config.get("on", config.get(True))) == {"push", "pull_request"}
    job = config["jobs"]["regression"]
    assert job["defaults"]["run"]["shell"] == "bash"
    steps = job["steps"]
    assert any("--target reportapp" in step.get("run", "") for step in steps)
    root = checkout(tmp_path)
    env = job_env(root, job.get("env", {}))
    env["GITHUB_STEP_SUMMARY"] = str(tmp_path / "step_summary.md")

    # The steps after the build, as the runner takes them: after a failing
    # step only those marked `if: always()` run.
    failed = False
    ran = []
    for step in steps:
        if "run" not in step or step.get("id") in ("setup", "build"):
            continue
        if failed and step.get("if") != "always()":
            continue
        result = run([step["run"]], root, env)
        ran.append((step.get("id", step.get("name")), result.returncode))
        failed = failed or result.returncode != 0
    assert ran == [("verify", EXPECTED_EXIT), ("Summary", 0)]
    assert (tmp_path / "step_summary.md").read_text() == (root / "summary.md").read_text()

    uses = {step["uses"].split("@")[0]: step for step in steps if "uses" in step}
    kept = uses["actions/upload-artifact"]
    assert kept["if"] == "always()"
    check_kept(root, kept["with"]["path"].split())
    junit = root / uses["mikepenz/action-junit-report"]["with"]["report_paths"]
    # GitHub's flavour: file and the line of the first disagreement, which is
    # that line of the timing file.
    lines = {}
    for case in junit_cases(junit):
        timing = (root / case.get("file")).read_text().splitlines()
        if case.get("line") is not None:
            line = int(case.get("line"))
            assert re.match(r"\d+ out ", timing[line - 1]), timing[line - 1]
            lines[case.get("name")] = line
    assert lines == {"kv_timing_Korvel_TestVector_2": 4, "kv_timing_Korvel_TestVector_3": 3}


if __name__ == "__main__":
    if MISSING is not None:
        print(f"*** SKIPPED LOUDLY: the CI example test needs the Python module {MISSING} "
              "(Debian package python3-yaml or python3-pytest); it did not run", file=sys.stderr)
        sys.exit(77)
    if not (BUILD / "reportapp").is_file():
        print(f"FAILED: no reportapp shell in {BUILD}", file=sys.stderr)
        sys.exit(1)
    sys.exit(pytest.main(["-q", "-p", "no:cacheprovider", __file__]))
