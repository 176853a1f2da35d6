"""TimingWriter, read_timing and iter_timing."""

import json
import os

import numpy as np
import pytest

import reportapp
from conftest import SOURCE_DIR

GOLDEN = SOURCE_DIR / "tests" / "golden" / "timing"


def resident_mb():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    raise RuntimeError("no VmRSS in /proc/self/status")


def write_case(case, path):
    with reportapp.TimingWriter(str(path), case["channels"], case["word_length"]) as w:
        for event in case["events"]:
            if event["kind"] == "start":
                w.start(event["time"], event["clocks"])
            else:
                w.tick(event["clocks"])
                w.output(event["time"], event["model"], event["rtl"])


# Cases flagged hdl_only hold unknown digits, which only the four-state HDL
# writers can write.
@pytest.mark.parametrize("case", [c for c in json.loads((GOLDEN / "cases.json").read_text())["cases"]
                                  if not c.get("hdl_only")],
                         ids=lambda c: c["file"])
def test_writer_reproduces_the_golden_files_byte_for_byte(case, tmp_path):
    path = tmp_path / case["file"]
    write_case(case, path)
    assert path.read_bytes() == (GOLDEN / case["file"]).read_bytes()


def test_explicit_clocks_override_the_ticks(tmp_path):
    path = tmp_path / "t.txt"
    with reportapp.TimingWriter(str(path), channels=1, word_length=4) as w:
        w.start(0)
        w.tick(3)
        w.output(10, [-8], [7], clocks=1)
        w.tick()
        w.tick()
        w.output(20, np.array([15]), np.array([-1]))
    assert path.read_text() == "0 start 0\n10 out 1 8 7\n20 out 2 f f\n"


def test_writer_rejects_bad_records_without_writing_them(tmp_path):
    path = tmp_path / "t.txt"
    w = reportapp.TimingWriter(str(path), 2, 8)
    with pytest.raises(ValueError, match="before start"):
        w.output(1, [0, 0], [0, 0])
    w.start(5)
    with pytest.raises(ValueError, match=r"model_codes\[1\] = 256 does not fit 8 bits"):
        w.output(10, [1, 256], [0, 0])
    with pytest.raises(ValueError, match=r"rtl_codes\[0\] = -129 does not fit 8 bits"):
        w.output(10, [0, 0], [-129, 0])
    with pytest.raises(ValueError, match=r"does not fit 8 bits"):
        w.output(10, [-(2 ** 70), 0], [0, 0])
    with pytest.raises(ValueError, match="holds 1 codes for 2 channels"):
        w.output(10, [0], [0, 0])
    with pytest.raises(TypeError, match="not an integer code"):
        w.output(10, [0.5, 0], [0, 0])
    with pytest.raises(ValueError, match="goes back"):
        w.output(4, [0, 0], [0, 0])
    with pytest.raises(TypeError, match="integer count of nanoseconds"):
        w.output(7.5, [0, 0], [0, 0])
    with pytest.raises(ValueError, match="start\\(\\) was already called"):
        w.start(6)
    w.output(10, [255, -128], [-1, 128])
    w.close()
    assert w.closed
    assert path.read_text() == "5 start 0\n10 out 0 ff ff 80 80\n"
    with pytest.raises(ValueError, match="closed"):
        w.output(11, [0, 0], [0, 0])
    with pytest.raises(OSError, match="cannot write timing file"):
        reportapp.TimingWriter(str(tmp_path / "missing" / "t.txt"), 1, 8)
    with pytest.raises(ValueError, match="1 to 64 bits"):
        reportapp.TimingWriter(str(tmp_path / "x.txt"), 1, 65)


def test_read_timing_gives_tokens_clocks_and_agreement():
    d = reportapp.read_timing(GOLDEN / "two_channel_16bit.txt")
    assert (d["start_time"], d["start_clocks"]) == ("20", 0)
    assert list(d["time"]) == ["90", "130", "140", "200"]
    assert list(d["clocks"]) == [7, 4, 1, 6] and d["clocks"].dtype == np.int32
    assert list(d["line"]) == [2, 3, 4, 5] and list(d["record"]) == [2, 3, 4, 5]
    assert d["model"].shape == (4, 2)
    assert list(d["model"][1]) == ["7fff", "8000"] and list(d["rtl"][1]) == ["7fff", "8001"]
    assert d["agree"].tolist() == [[True, True], [True, False], [False, True], [True, True]]
    q = reportapp.Quantizer("fixed", "floor", "saturate", 16, 15)
    assert list(q.from_hex(d["model"][:, 1])) == [-1, -32768, -1234, 4095]


def test_irregular_records_as_the_report_reads_them(tmp_path):
    path = tmp_path / "t.txt"
    path.write_bytes(b"\n  \n0 start 0\r\n5 x\n10 out 2 0a 0a 0b\n\n20\tout 1 01 01 02 02 03 03\n")
    with pytest.warns(UserWarning, match="line 4: skipped a record of 2 tokens"):
        d = reportapp.read_timing(path)
    assert d["skipped"] == 1 and list(d["line"]) == [5, 7] and list(d["record"]) == [2, 3]
    assert d["model"].shape == (2, 3)
    assert d["model"].tolist() == [["0a", "0b", ""], ["01", "02", "03"]]
    assert d["rtl"].tolist() == [["0a", "", ""], ["01", "02", "03"]]
    # An unpaired last value, and a channel the record lacks, do not agree.
    assert d["agree"].tolist() == [[True, False, False], [True, True, True]]


def test_empty_and_missing_files(tmp_path):
    empty = tmp_path / "empty.txt"
    empty.write_text("")
    d = reportapp.read_timing(empty)
    assert d["start_time"] is None and d["model"].shape == (0, 0)
    with pytest.raises(OSError, match="cannot open timing file"):
        reportapp.read_timing(tmp_path / "none.txt")


def test_iter_timing_pieces_join_to_the_whole(tmp_path):
    path = tmp_path / "big.txt"
    rng = np.random.default_rng(5)
    codes = rng.integers(-2048, 2048, (10_001, 3))
    with reportapp.TimingWriter(str(path), 3, 12) as w:
        w.start(0)
        for i, row in enumerate(codes):
            w.output(10 * (i + 1), row, row if i % 97 else -row - 1, clocks=i % 5)
    pieces = list(reportapp.iter_timing(path, records=1000))
    assert [len(p["time"]) for p in pieces] == [1000] * 10 + [1]
    whole = reportapp.read_timing(path)
    assert np.array_equal(np.concatenate([p["model"] for p in pieces]), whole["model"])
    q = reportapp.Quantizer("fixed", "floor", "saturate", 12, 0)
    assert np.array_equal(q.from_hex(whole["model"]), codes)
    assert np.count_nonzero(~whole["agree"].all(axis=1)) == len(range(0, 10_001, 97))
    with pytest.raises(ValueError, match="at least 1"):
        next(reportapp.iter_timing(path, records=0))


def test_iter_timing_memory_does_not_grow_with_the_file(tmp_path):
    """A file many times the size of one piece is read in the memory of a piece."""
    size_mb = int(os.environ.get("REPORTAPP_ITER_TIMING_MB", "48"))
    path = tmp_path / "large.txt"
    block = "".join(f"{10 * i} out 1 {i & 0xffff:04x} {i & 0xffff:04x} 0001 0002\n"
                    for i in range(1, 20001)).encode()
    with open(path, "wb") as f:
        f.write(b"0 start 0\n")
        written = 0
        while written < size_mb << 20:
            f.write(block)
            written += len(block)
    records = 0
    disagreeing = 0
    before = resident_mb()
    peak = before
    for piece in reportapp.iter_timing(path, records=50_000):
        records += len(piece["time"])
        disagreeing += int(np.count_nonzero(~piece["agree"]))
        peak = max(peak, resident_mb())
    growth_mb = peak - before
    print(f"iter_timing: {size_mb} MB, {records} records, resident memory grew {growth_mb:.1f} MB")
    assert records == (written // len(block)) * 20000
    assert disagreeing == records
    # A piece of 50,000 records takes a few MB; the file is far larger.
    assert growth_mb < 40, f"peak memory grew by {growth_mb:.0f} MB over a {size_mb} MB file"
