#!/usr/bin/env bash
# A regression sharded over a Slurm job array: each array task verifies its
# share of the timing files and writes shard-<task>.json; one dependent job
# merges the shards into Reports/index.htm, results.json and junit.xml.
#
#   PROJECT=/path/to/project SHARDS=16 \
#     sbatch --array=0-15 examples/slurm/verify_array.sbatch
#   sbatch --dependency=afterany:<array job id> --wrap \
#     "reportapp summarize --project /path/to/project --json results.json \
#        --junit junit.xml /path/to/project/shards/shard-*.json"
#
# (or run this script with MODE=summarize as the dependent job).
#SBATCH --job-name=reportapp-verify
#SBATCH --cpus-per-task=2
#SBATCH --time=01:00:00
#SBATCH --output=reportapp-verify-%A_%a.out
set -euo pipefail

project=${PROJECT:?set PROJECT to the project directory}
shards=${SHARDS:-${SLURM_ARRAY_TASK_COUNT:-1}}
reportapp=${REPORTAPP:-reportapp}
shard_dir="$project/shards"
mkdir -p "$shard_dir"

if [[ ${MODE:-verify} == summarize ]]; then
  # Shard files in task order, so the merged run lists the files in the order
  # a single run would (and folds latency and clocks in that order).
  shard_files=()
  for ((task = 0; task < shards; task++)); do
    [[ -f $shard_dir/shard-$task.json ]] && shard_files+=("$shard_dir/shard-$task.json")
  done
  exec "$reportapp" summarize --project "$project" --json "$project/results.json" \
    --junit "$project/junit.xml" "${shard_files[@]}"
fi

task=${SLURM_ARRAY_TASK_ID:?run as an array job (sbatch --array=0-N)}
# Every task sorts the same list and takes its own consecutive slice, so each
# file is in exactly one shard and the shards in task order keep the list's
# order.
mapfile -t all < <(ls "$project"/timing/kv_timing_*.txt | sort -V)
per_task=$(((${#all[@]} + shards - 1) / shards))
mine=("${all[@]:task*per_task:per_task}")
if ((${#mine[@]} == 0)); then
  echo "task $task: no timing file" >&2
  exit 0
fi
# Exit status 1 (a disagreement) or 2 (an error) is the shard's result;
# summarize gives the regression's.
"$reportapp" verify --no-index --jobs "${SLURM_CPUS_PER_TASK:-1}" --project "$project" \
  --json "$shard_dir/shard-$task.json" "${mine[@]}" || true
