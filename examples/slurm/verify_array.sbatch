#!/usr/bin/env bash
# A regression sharded over a Slurm job array: each array task verifies its
# share of the timing files and writes shards/shard-<task>.json; one dependent
# job (this script with MODE=summarize) merges the shards into
# Reports/index.htm, results.json, junit.xml and summary.md.
#
#   array=$(PROJECT=/path/to/project SHARDS=16 \
#     sbatch --parsable --array=0-15 examples/slurm/verify_array.sbatch)
#   PROJECT=/path/to/project SHARDS=16 MODE=summarize \
#     sbatch --dependency=afterany:$array examples/slurm/verify_array.sbatch
#
# PROJECT must be a folder every node sees at the same path. REPORTAPP names
# the reportapp shell (default: reportapp on the PATH). SHARDS must equal the
# number of array tasks; the merging job refuses to merge when a task's shard
# is missing, so that a task that died never turns into a smaller regression
# that passes. The merging job's exit status is the regression's (0 pass,
# 1 a disagreement or an empty file, 2 an error).
#SBATCH --job-name=reportapp-verify
#SBATCH --cpus-per-task=2
#SBATCH --time=01:00:00
#SBATCH --output=reportapp-verify-%A_%a.out
set -euo pipefail

project=${PROJECT:?set PROJECT to the project directory}
reportapp=${REPORTAPP:-reportapp}
shard_dir="$project/shards"
if [[ ${MODE:-verify} == summarize ]]; then
  shards=${SHARDS:?set SHARDS to the number of array tasks of the verify job}
else
  task=${SLURM_ARRAY_TASK_ID:?run as an array job (sbatch --array=0-N)}
  shards=${SHARDS:-${SLURM_ARRAY_TASK_COUNT:?set SHARDS to the number of array tasks}}
fi
if [[ ! $shards =~ ^[1-9][0-9]{0,5}$ ]]; then
  echo "reportapp-verify: SHARDS \"$shards\" is not a count of 1 or more" >&2
  exit 2
fi

# Every task sorts the same list and takes its own consecutive slice, so each
# file is in exactly one shard and the shards in task order keep the list's
# order. The merging job computes the same slices to know which shards to
# expect (a task whose slice is empty writes none).
all=()
while IFS= read -r -d '' file; do
  all+=("$file")
done < <(find "$project/timing" -maxdepth 1 -name 'kv_timing_*.txt' -print0 | sort -zV)
if ((${#all[@]} == 0)); then
  echo "reportapp-verify: no timing file $project/timing/kv_timing_*.txt" >&2
  exit 2
fi
per_task=$(((${#all[@]} + shards - 1) / shards))
slice_size() { # the number of files of task $1
  local left=$((${#all[@]} - $1 * per_task))
  ((left < 0)) && left=0
  echo $((left < per_task ? left : per_task))
}

if [[ ${MODE:-verify} == summarize ]]; then
  # Shard files in task order, so the merged run lists the files in the order
  # a single run would (and folds latency and clocks in that order).
  shard_files=()
  missing=()
  for ((t = 0; t < shards; t++)); do
    (($(slice_size "$t") > 0)) || continue
    if [[ -f $shard_dir/shard-$t.json ]]; then
      shard_files+=("$shard_dir/shard-$t.json")
    else
      missing+=("$t")
    fi
  done
  if ((${#missing[@]} > 0)); then
    echo "reportapp-verify: no shard from array task(s) ${missing[*]} in $shard_dir" \
      "(see their reportapp-verify-*.out); nothing merged" >&2
    exit 2
  fi
  exec "$reportapp" summarize --project "$project" --json "$project/results.json" \
    --junit "$project/junit.xml" --markdown "$project/summary.md" "${shard_files[@]}"
fi

if ((task >= shards)); then
  echo "reportapp-verify: array task $task is past SHARDS=$shards" >&2
  exit 2
fi
mkdir -p "$shard_dir"
# A shard left from an earlier run must not stand in for this task's.
rm -f "$shard_dir/shard-$task.json"
mine=("${all[@]:task*per_task:per_task}")
if ((${#mine[@]} == 0)); then
  echo "task $task: no timing file left for this task"
  exit 0
fi
# Exit status 1 (a disagreement) is the shard's result, for summarize to
# merge; after 2 (an error) the shard holds the files that could not be read,
# or is missing, which the merging job reports.
status=0
"$reportapp" verify --no-index --jobs "${SLURM_CPUS_PER_TASK:-1}" --project "$project" \
  --json "$shard_dir/shard-$task.json" "${mine[@]}" || status=$?
echo "task $task: ${#mine[@]} timing files, reportapp verify exit status $status"
((status <= 2)) || exit "$status"
