#!/usr/bin/env bash
# Adds up the fuzzing runs logged under build/fuzz/logs (or the directory
# given): per target, the runs, the executions and seconds, the last
# coverage libFuzzer reported, and how many runs ended in a failure.
#
#   tools/fuzz/campaign-summary.sh [LOG_DIRECTORY]
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
logs="${1:-$root/build/fuzz/logs}"
printf '%-16s %5s %12s %9s %7s  %s\n' target runs executions seconds failed "last coverage"
for target in $(ls "$logs" 2>/dev/null | sed -n 's/-[0-9]\{8\}-[0-9]\{6\}\.log$//p' | sort -u); do
  runs=0 executions=0 seconds=0 failed=0 coverage=""
  for log in "$logs/$target"-*.log; do
    runs=$((runs + 1))
    # "Done 2238 runs in 16 second(s)" ends a run that used its time; an
    # interrupted one leaves only its final stats, and a run still going
    # only its status lines.
    done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -1)
    units=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    if [ -n "$done_line" ]; then
      executions=$((executions + $(echo "$done_line" | awk '{print $2}')))
      seconds=$((seconds + $(echo "$done_line" | awk '{print $5}')))
    elif [ -n "$units" ] && [ -n "$rate" ] && [ "$rate" -gt 0 ]; then
      executions=$((executions + units))
      seconds=$((seconds + units / rate))
    else
      last=$(grep -E '^#[0-9]+' "$log" | tail -1)
      [ -n "$last" ] && executions=$((executions + $(echo "$last" | sed 's/^#\([0-9]*\).*/\1/')))
      born=$(stat -c %W "$log" 2>/dev/null)
      [ -n "$born" ] && [ "$born" -gt 0 ] && seconds=$((seconds + $(stat -c %Y "$log") - born))
    fi
    grep -qE 'ERROR: [A-Za-z]+|fuzz check failed|runtime error: ' "$log" && failed=$((failed + 1))
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
    [ -n "$cov" ] && coverage="$cov"
  done
  printf '%-16s %5d %12d %9d %7d  %s\n' "$target" "$runs" "$executions" "$seconds" "$failed" "$coverage"
done
