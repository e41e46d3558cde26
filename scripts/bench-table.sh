#!/bin/sh
# Prints the table of the SDK beside its references from the JSON output of
# the benchmark programs (--benchmark_out=FILE --benchmark_out_format=json):
# one line for every benchmark row that carries a `ratio` counter (SDK time
# / reference time, see bench/paired.h). With repetitions, the median rows
# are shown and the spread of the ratio between repetitions (its coefficient
# of variation); without, the single rows.
#
#   scripts/bench-table.sh build-bench/results/*.json
#
# The reference's time is the row's time divided by its ratio; its name is
# the row's label. POSIX sh and awk only.
set -eu

if [ $# -eq 0 ]; then
    echo "usage: $0 RESULT.json..." >&2
    exit 2
fi

# Programs that ran no row (a filter that matched none) leave no file.
files=
for f in "$@"; do
    [ -f "$f" ] && files="$files $f"
done
[ -n "$files" ] || { echo "(no benchmark results)"; exit 0; }

# shellcheck disable=SC2086 # the names come from the caller's glob
awk '
function value(line) {
    sub(/^[^:]*: */, "", line)
    sub(/,[ \t\r]*$/, "", line)
    if (line ~ /^".*"$/) {
        line = substr(line, 2, length(line) - 2)
        gsub(/\\"/, "\"", line)
        gsub(/\\\\/, "\\", line)
    }
    return line
}
function key(line) {
    sub(/^[ \t]*"/, "", line)
    sub(/".*$/, "", line)
    return line
}
# A time in nanoseconds, in the unit that keeps it readable.
function readable(ns) {
    if (ns >= 1e9) return sprintf("%.3g s", ns / 1e9)
    if (ns >= 1e6) return sprintf("%.3g ms", ns / 1e6)
    if (ns >= 1e3) return sprintf("%.3g us", ns / 1e3)
    return sprintf("%.3g ns", ns)
}
function nanoseconds(t, unit) {
    t += 0
    if (unit == "s") return t * 1e9
    if (unit == "ms") return t * 1e6
    if (unit == "us") return t * 1e3
    return t
}
function reset() {
    split("", field)
}
function finish(   run, aggregate) {
    if (!("ratio" in field)) return
    run = ("run_name" in field) ? field["run_name"] : field["name"]
    sub(/\/manual_time$/, "", run)
    sub(/\/real_time$/, "", run)
    aggregate = ("aggregate_name" in field) ? field["aggregate_name"] : ""
    if (aggregate == "cv") {
        spread[run] = field["ratio"]
        return
    }
    if (aggregate != "" && aggregate != "median") return
    # Single rows give way to the median of the same run.
    if (!(run in seen)) {
        # Rows in the order the programs declare them, whatever order
        # they ran in.
        order[++count] = run
        rank[run] = sprintf("%06d %06d %06d", FNUM, field["family_index"], \
            field["per_family_instance_index"])
    } else if (aggregate == "" && (run in median)) return
    seen[run] = 1
    if (aggregate == "median") median[run] = 1
    sdk[run] = nanoseconds(field["real_time"], field["time_unit"])
    ratio[run] = field["ratio"] + 0
    label[run] = field["label"]
}
FNR == 1 { FNUM++ }
/^[ \t]*"benchmarks": *\[/ { inside = 1; next }
inside && /^[ \t]*\{/ { reset(); depth = 1; next }
inside && depth && /^[ \t]*\}/ { finish(); depth = 0; next }
inside && depth && /^[ \t]*"[^"]*":/ { field[key($0)] = value($0); next }
END {
    if (count == 0) {
        print "(no benchmark reported a ratio)"
        exit
    }
    for (i = 2; i <= count; ++i) { # insertion sort by rank
        run = order[i]
        for (j = i - 1; j >= 1 && rank[order[j]] > rank[run]; --j)
            order[j + 1] = order[j]
        order[j + 1] = run
    }
    width = 9
    for (i = 1; i <= count; ++i)
        if (length(order[i]) > width) width = length(order[i])
    format = "%-" width "s  %10s  %10s  %-34s  %7s  %s\n"
    printf format, "Operation", "SDK", "Reference", "", "Ratio", "Spread"
    for (i = 1; i <= count; ++i) {
        run = order[i]
        reference = ratio[run] > 0 ? readable(sdk[run] / ratio[run]) : "-"
        cv = (run in spread) ? sprintf("+-%.0f%%", spread[run] * 100) : ""
        printf format, run, readable(sdk[run]), reference, label[run], \
            sprintf("%.2fx", ratio[run]), cv
    }
}
' $files
