# Sourced by the bench scripts from the repository root.
# timed DIR COMMAND...: runs COMMAND in DIR/w with stdout, stderr and
# "wall_seconds peak_rss_kib status cpu_seconds" (cpu: user + system, of all
# the processes it waited for) written to DIR/{stdout,stderr,time}.
timed() {
  local dir=$1; shift
  local start end status
  start=$(date +%s%N)
  set +e
  (cd "$dir/w" && /usr/bin/time -f '%M %U %S' -o "$dir/rss" "$@" >"$dir/stdout" 2>"$dir/stderr")
  status=$?
  set -e
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000 )) $(tail -n 1 "$dir/rss") $status" |
    awk '{printf "%.3f %s %s %.2f\n", $1 / 1e6, $2, $5, $3 + $4}' >"$dir/time"
}
