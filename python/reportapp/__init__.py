"""reportapp: the fixed-point model and the verification run of ReportApp, from Python.

The quantizer is the product's own (bit for bit the C++ ``CQuantizer``), working
on NumPy arrays without the GIL:

    >>> import numpy as np, reportapp
    >>> q = reportapp.Quantizer("fixed", "nearest", "saturate", 16, 15)
    >>> q.quantize(np.array([0.1, -1.5]))
    array([ 0.10000610, -1.        ])

Timing files are written with :class:`TimingWriter` (the bytes the HDL writers
write), read with :func:`read_timing` / :func:`iter_timing` (the verification
report's own reader) and verified with :func:`verify`, which returns the run's
JSON document as a dict.
"""

from __future__ import annotations

import json as _json
import os as _os
import shutil as _shutil
import tempfile as _tempfile
from typing import Any, Dict, Iterator, Optional, Sequence, Union

import numpy as _np

from ._core import (  # noqa: F401  (re-exported)
    Quantizer,
    TimingWriter,
    __version__,
    hex_to_real,
    num_to_bin,
)
from . import _core

__all__ = [
    "Quantizer",
    "TimingWriter",
    "hex_to_real",
    "num_to_bin",
    "read_timing",
    "iter_timing",
    "verify",
    "summarize",
    "__version__",
]

PathLike = Union[str, "_os.PathLike[str]"]


def iter_timing(path: PathLike, records: int = 1_000_000) -> Iterator[Dict[str, Any]]:
    """The output records of a timing file, ``records`` at a time.

    Each piece is a dict: ``path``; ``start_time`` and ``start_clocks`` (the start
    record, the file's first); ``line`` and ``record`` (uint64, where each record is
    in the file, the start record being record 1); ``time`` (the time tokens, str);
    ``clocks`` (int32, clocks since the previous record); ``model`` and ``rtl``
    (str arrays of shape (n, channels), the raw value tokens); ``agree`` (bool,
    the tokens are the same text, as the report compares them); ``skipped``
    (records of one or two tokens skipped so far, each also a UserWarning).
    A record with fewer channels than others of its piece has empty tokens
    there, which do not agree.

    The file is read by the verification report's own line reader, so memory is
    bounded by the piece, whatever the size of the file.
    """
    if records < 1:
        raise ValueError("records must be at least 1")
    reader = _core._TimingReader(_os.fspath(path))
    while True:
        piece = reader.read(records)
        if piece is None:
            return
        yield piece


def read_timing(path: PathLike) -> Dict[str, Any]:
    """The whole timing file as one dict of arrays (see :func:`iter_timing`)."""
    pieces = list(iter_timing(path))
    if len(pieces) == 1:
        return pieces[0]
    whole = dict(pieces[-1])
    channels = max(p["model"].shape[1] for p in pieces)

    def widened(array: _np.ndarray, fill: Any) -> _np.ndarray:
        extra = channels - array.shape[1]
        if extra == 0:
            return array
        return _np.concatenate(
            [array, _np.full((array.shape[0], extra), fill, dtype=array.dtype)], axis=1)

    for key in ("line", "record", "time", "clocks"):
        whole[key] = _np.concatenate([p[key] for p in pieces])
    for key, fill in (("model", ""), ("rtl", ""), ("agree", False)):
        whole[key] = _np.concatenate([widened(p[key], fill) for p in pieces])
    return whole


def _document(status: int, err: str, path: str, command: str) -> Dict[str, Any]:
    try:
        with open(path, encoding="utf-8") as f:
            return _json.load(f)
    except FileNotFoundError:
        raise ValueError(err.strip() or f"reportapp {command} failed with status {status}") \
            from None


def _run(command: str, words: Sequence[str], json: Optional[PathLike]) -> Dict[str, Any]:
    runner = _core._run_verify if command == "verify" else _core._run_summarize
    with _tempfile.TemporaryDirectory(prefix="reportapp-") as folder:
        written = _os.path.join(folder, "run.json")
        status, _, err = runner(["--json", written, *words])
        document = _document(status, err, written, command)
        if json is not None:
            # Only a complete document replaces an earlier one.
            _shutil.move(written, _os.fspath(json))
        return document


def _paths(files: Union[PathLike, Sequence[PathLike]], what: str) -> list:
    if isinstance(files, (str, bytes, _os.PathLike)):
        files = [files]
    paths = [_os.fspath(f) for f in files]
    if not paths:
        raise ValueError(f"{what}: no files given")
    return paths


def verify(files: Union[PathLike, Sequence[PathLike]], project: Optional[PathLike] = None,
           jobs: Optional[int] = None, real_values: bool = False,
           json: Optional[PathLike] = None, junit: Optional[PathLike] = None,
           plots: bool = True, index: bool = True, allow_empty: bool = False,
           first: Optional[int] = None) -> Dict[str, Any]:
    """Runs ``reportapp verify`` on timing files and returns its JSON document as a dict.

    The same run as the command line: one HTML report per timing file in the
    project's Reports folder, the index page (``index=False`` leaves it out), plot
    pages (``plots=False``), JUnit XML (``junit=``) and the JSON document, written
    to ``json=`` when given. ``project`` is the project folder (by default the
    current one), ``jobs`` the number of worker threads (by default one per
    core), ``real_values`` shows the values as reals through the vectors'
    quantizers, ``first`` is how many disagreements each file lists.

    The dict is the document as written, whatever its schema version (its
    ``schema`` key names it). A bad option or a run that writes no document
    raises ValueError with the command line's message; a timing file that cannot
    be read is recorded in the document as that file's error.
    """
    words = ["--quiet"]
    if project is not None:
        words += ["--project", _os.fspath(project)]
    if jobs is not None:
        words += ["--jobs", str(int(jobs))]
    if real_values:
        words.append("--real-values")
    if junit is not None:
        words += ["--junit", _os.fspath(junit)]
    if not plots:
        words.append("--no-plots")
    if not index:
        words.append("--no-index")
    if allow_empty:
        words.append("--allow-empty")
    if first is not None:
        words += ["--first", str(int(first))]
    words += ["--", *_paths(files, "verify")]
    return _run("verify", words, json)


def summarize(shards: Union[PathLike, Sequence[PathLike]], project: Optional[PathLike] = None,
              json: Optional[PathLike] = None, junit: Optional[PathLike] = None,
              index: bool = True, allow_empty: bool = False) -> Dict[str, Any]:
    """Runs ``reportapp summarize`` on the JSON documents of separate verify runs.

    Returns the merged JSON document as a dict (written to ``json=`` when given);
    ``project``, ``junit``, ``index`` and ``allow_empty`` as for :func:`verify`.
    """
    words = ["--quiet"]
    if project is not None:
        words += ["--project", _os.fspath(project)]
    if junit is not None:
        words += ["--junit", _os.fspath(junit)]
    if not index:
        words.append("--no-index")
    if allow_empty:
        words.append("--allow-empty")
    words += ["--", *_paths(shards, "summarize")]
    return _run("summarize", words, json)
