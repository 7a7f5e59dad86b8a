#!/usr/bin/env bash
# Times sirvane against `wc -l` and `cat` on the same page-cached log, in one
# run, and prints median wall time, peak RSS and the ratio to `wc -l`.
#
#   bench/run.sh                       # all four scenarios
#   LINES=1000000 bench/run.sh         # a smaller main log
#
# Environment (defaults in brackets):
#   BENCH_DIR  where logs, configurations and reports go [/tmp/sirvane-bench];
#              lower-case, no spaces: sirvane lower-cases its configuration
#   SIRVANE    the program to time [build/release/sirvane, from the repository]
#   LINES      lines of the main Squid log [5000000]
#   USERS      users of the main log [500]
#   HOSTS      hosts of the main log [50000]
#   DISTINCT_LINES  lines of the "distinct users" log, one user each [1000000]
#   ONE_USER_LINES  lines of the "one user" log [1000000]
#   ONE_USER_HOSTS  hosts that this one user visits [200000]
#   DAYS       files the main log is cut into for the "daily logs" scenario [30]
#   SEED       generator seed [1]
#   RUNS       timed runs per command [5]
#   TIMEOUT    seconds after which the first run of a command is stopped;
#              a command stopped so is not repeated [600]
#   TIMER      hyperfine, time (/usr/bin/time only) or auto [auto]
#
# Timing uses hyperfine when it is installed, otherwise /usr/bin/time; peak RSS
# always comes from one extra run under /usr/bin/time -f "%e %M". Missing tools
# are installed with apt-get when the script runs as root.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_src="$repo/bench"
BENCH_DIR=${BENCH_DIR:-/tmp/sirvane-bench}
SIRVANE=${SIRVANE:-$repo/build/release/sirvane}
LINES=${LINES:-5000000}
USERS=${USERS:-500}
HOSTS=${HOSTS:-50000}
DISTINCT_LINES=${DISTINCT_LINES:-1000000}
ONE_USER_LINES=${ONE_USER_LINES:-1000000}
ONE_USER_HOSTS=${ONE_USER_HOSTS:-200000}
DAYS=${DAYS:-30}
SEED=${SEED:-1}
RUNS=${RUNS:-5}
TIMEOUT=${TIMEOUT:-600}
TIMER=${TIMER:-auto}

die() {
  echo "run.sh: $*" >&2
  exit 1
}

# sirvane lower-cases every configuration value and removes its spaces, so a
# path with capitals or spaces would name another file.
case "$BENCH_DIR" in
  /*) ;;
  *) die "BENCH_DIR must be an absolute path, not '$BENCH_DIR'" ;;
esac
[[ "$BENCH_DIR" =~ ^[a-z0-9/._-]+$ ]] ||
  die "BENCH_DIR '$BENCH_DIR' may hold only lower-case letters, digits and / . _ -; choose another, e.g. BENCH_DIR=/tmp/sirvane-bench"
for number in LINES USERS HOSTS DISTINCT_LINES ONE_USER_LINES ONE_USER_HOSTS SEED RUNS TIMEOUT; do
  [[ "${!number}" =~ ^[0-9]+$ ]] || die "$number must be a whole number, not '${!number}'"
done
((RUNS >= 1)) || die "RUNS must be 1 or more"
[[ "$TIMER" =~ ^(auto|hyperfine|time)$ ]] || die "TIMER must be auto, hyperfine or time, not '$TIMER'"

# Installs a Debian package when we may; otherwise says how.
install_package() {
  local package=$1
  if [[ $(id -u) -ne 0 ]] || ! command -v apt-get >/dev/null; then
    return 1
  fi
  echo "Installing $package with apt-get (running as root) ..." >&2
  if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null 2>&1 || true
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" >/dev/null 2>&1 || return 1
  fi
}

if [[ ! -x /usr/bin/time ]]; then
  install_package time ||
    die "/usr/bin/time is missing and could not be installed; install it with: sudo apt-get install time"
fi
use_hyperfine=0
if [[ "$TIMER" != time ]]; then
  if ! command -v hyperfine >/dev/null && ! install_package hyperfine; then
    [[ "$TIMER" == hyperfine ]] && die "hyperfine is missing; install it with: sudo apt-get install hyperfine"
    echo "hyperfine is not installed (install it with: sudo apt-get install hyperfine); timing with /usr/bin/time instead." >&2
  fi
  command -v hyperfine >/dev/null && use_hyperfine=1
fi
command -v g++ >/dev/null || die "g++ is needed to build the log generator; install it with: sudo apt-get install g++"

mkdir -p "$BENCH_DIR"

# The generator is rebuilt when its source is newer than the binary.
generator="$BENCH_DIR/generate_log"
if [[ ! -x "$generator" || "$bench_src/generate_log.cpp" -nt "$generator" ]]; then
  g++ -std=c++20 -O2 -o "$generator" "$bench_src/generate_log.cpp" ||
    die "could not build the log generator from $bench_src/generate_log.cpp"
fi
generator_sum=$(md5sum <"$bench_src/generate_log.cpp" | cut -d' ' -f1)

# generate_log FILE ARGS...: writes FILE unless it already exists from the same
# arguments and the same generator source.
generate_log() {
  local file=$1
  shift
  local parameters="$* generator=$generator_sum"
  if [[ -f "$file" && -f "$file.params" && "$(cat "$file.params")" == "$parameters" ]]; then
    echo "Using $file (already generated with these parameters)"
    return
  fi
  echo "Generating $file ..."
  rm -f "$file.params"
  "$generator" "$@" --output "$file.partial" || die "the log generator failed for $file"
  mv "$file.partial" "$file"
  echo "$parameters" >"$file.params"
}

# make_config LOG OUT CONFIG: the Squid configuration for LOG, reports in OUT.
make_config() {
  mkdir -p "$2"
  sed -e "s|@LOG@|$1|g" -e "s|@OUT@|$2|g" "$bench_src/squid.cfg.in" >"$3"
}

# median of the numbers on standard input
median() {
  sort -g | awk '{ value[NR] = $1 } END { if (NR == 0) exit 1; print (NR % 2) ? value[(NR + 1) / 2] : (value[NR / 2] + value[NR / 2 + 1]) / 2 }'
}

# peak_rss NAME COMMAND...: one run under /usr/bin/time, also the warm-up.
# Sets rss_kb and status; the command's error output goes to $BENCH_DIR/NAME.stderr.
# Only this run has a time limit: a command that finishes here is timed
# without the `timeout` wrapper, whose start-up would blur short runs.
peak_rss() {
  local name=$1
  shift
  local measure="$BENCH_DIR/$name.time"
  status=0
  /usr/bin/time -f "%e %M" -o "$measure" timeout "$TIMEOUT" "$@" </dev/null >/dev/null 2>"$BENCH_DIR/$name.stderr" || status=$?
  rss_kb=$(awk 'END { print $2 }' "$measure")
}

# wall_times NAME PREPARE COMMAND...: RUNS timed runs without hyperfine, the
# shell command PREPARE (or nothing, "") before each; sets median_s.
wall_times() {
  local name=$1 prepare=$2
  shift 2
  local measure="$BENCH_DIR/$name.time"
  local times=()
  for ((run = 0; run < RUNS; run++)); do
    [[ -n "$prepare" ]] && bash -c "$prepare"
    /usr/bin/time -f "%e %M" -o "$measure" "$@" </dev/null >/dev/null 2>/dev/null || true
    times+=("$(awk 'END { print $1 }' "$measure")")
  done
  median_s=$(printf '%s\n' "${times[@]}" | median)
}

# hyperfine_times NAME PREPARE COMMAND-TEXT: RUNS runs through hyperfine, the
# shell command PREPARE (or nothing, "") before each; sets median_s.
hyperfine_times() {
  local csv="$BENCH_DIR/$1.csv"
  local prepare=()
  [[ -n "$2" ]] && prepare=(--prepare "$2")
  hyperfine --style none --ignore-failure --warmup 1 --runs "$RUNS" "${prepare[@]}" --export-csv "$csv" "$3" >/dev/null 2>&1 || {
    median_s=""
    return
  }
  median_s=$(awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "median") column = i } NR == 2 { print $column }' "$csv")
}

row() { # name median rss-kb reference-median note
  local ratio="-"
  if [[ -n "$2" && -n "$4" ]]; then
    ratio=$(awk -v a="$2" -v b="$4" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }')
  fi
  local rss="-"
  [[ -n "$3" ]] && rss=$(awk -v kb="$3" 'BEGIN { printf "%.1f", kb / 1024 }')
  local seconds="-"
  [[ -n "$2" ]] && seconds=$(awk -v s="$2" 'BEGIN { printf "%.3f", s }')
  printf '| %-22s | %10s | %12s | %14s | %s\n' "$1" "$seconds" "$rss" "$ratio" "$5"
}

# split_log LOG DIR PARTS: LOG cut at line ends into PARTS files DIR/access.log.NN,
# unless DIR holds them already from the same LOG.
split_log() {
  local log=$1 dir=$2 parts=$3
  local parameters
  parameters="$(cat "$log.params") parts=$parts"
  if [[ -f "$dir/split.params" && "$(cat "$dir/split.params")" == "$parameters" ]]; then
    echo "Using $dir (already split from $log)"
    return
  fi
  echo "Splitting $log into $parts files in $dir ..."
  rm -rf "$dir"
  mkdir -p "$dir"
  split -n "l/$parts" -d -a 2 "$log" "$dir/access.log."
  echo "$parameters" >"$dir/split.params"
}

# scenario TITLE LOG [SLUG]: times wc -l, cat and sirvane on LOG and prints a
# table. LOG may be a file mask (then SLUG names the scenario's files).
scenario() {
  local title=$1 log=$2
  local slug=${3:-$(basename "$log" .log)}
  local files
  # shellcheck disable=SC2206 # a mask expands to its files, in sorted order
  files=($log)
  local out="$BENCH_DIR/out-$slug"
  local config="$BENCH_DIR/$slug.cfg"
  make_config "$log" "$out" "$config"
  cat "${files[@]}" >/dev/null # into the page cache before anything is timed

  # Run back to back, each sirvane run replaces reports that are still being
  # written to disk; "after sync" starts each run with them on disk, as a
  # nightly run finds them (replacing them then costs the file system more).
  local names=(wc cat sirvane synced)
  local labels=("wc -l" "cat > /dev/null" "sirvane" "sirvane, after sync")
  local texts=("wc -l ${files[*]}" "cat ${files[*]} > /dev/null" "$SIRVANE $config" "$SIRVANE $config")
  local prepares=("" "" "" "sync")
  declare -A median_of rss_of note_of
  for i in 0 1 2 3; do
    local name=${names[i]}
    local command=()
    case $name in
      wc) command=(wc -l "${files[@]}") ;;
      cat) command=(cat "${files[@]}") ;;
      sirvane | synced)
        if [[ ! -x "$SIRVANE" ]]; then
          note_of[$name]="not run: $SIRVANE not found (build it with make)"
          continue
        fi
        command=("$SIRVANE" "$config")
        ;;
    esac
    peak_rss "$slug-$name" "${command[@]}"
    rss_of[$name]=$rss_kb
    if ((status == 124)); then
      note_of[$name]="stopped after TIMEOUT=${TIMEOUT}s; not repeated"
      median_of[$name]=""
      continue
    elif ((status != 0)); then
      note_of[$name]="exit status $status, see $BENCH_DIR/$slug-$name.stderr and $out/last.log"
    fi
    if ((use_hyperfine)); then
      hyperfine_times "$slug-$name" "${prepares[i]}" "${texts[i]}"
    else
      wall_times "$slug-$name" "${prepares[i]}" "${command[@]}"
    fi
    median_of[$name]=$median_s
  done

  echo
  echo "### $title"
  echo "$(basename "$log"): ${#files[@]} file(s), $(stat -c %s "${files[@]}" | awk '{ sum += $1 } END { printf "%.0f MB", sum / 1e6 }'), $(cat "${files[@]}" | wc -l) lines"
  echo
  printf '| %-22s | %10s | %12s | %14s | %s\n' "command" "median s" "peak RSS MB" "ratio to wc -l" "note"
  printf '|%s|%s|%s|%s|%s\n' "------------------------" "------------" "--------------" "----------------" "-----"
  for i in 0 1 2 3; do
    local name=${names[i]}
    row "${labels[i]}" "${median_of[$name]:-}" "${rss_of[$name]:-}" "${median_of[wc]:-}" "${note_of[$name]:-}"
  done
}

main_log="$BENCH_DIR/squid-l$LINES-u$USERS-h$HOSTS-s$SEED.log"
distinct_log="$BENCH_DIR/squid-distinct-l$DISTINCT_LINES-s$SEED.log"
one_user_log="$BENCH_DIR/squid-one-user-l$ONE_USER_LINES-h$ONE_USER_HOSTS-s$SEED.log"
generate_log "$main_log" --format squid --lines "$LINES" --users "$USERS" --hosts "$HOSTS" --seed "$SEED"
generate_log "$distinct_log" --format squid --lines "$DISTINCT_LINES" --distinct-users --seed "$SEED"
generate_log "$one_user_log" --format squid --lines "$ONE_USER_LINES" --hosts "$ONE_USER_HOSTS" --one-user-hosts --seed "$SEED"
daily_dir="$BENCH_DIR/daily-$(basename "$main_log" .log)-d$DAYS"
split_log "$main_log" "$daily_dir" "$DAYS"

echo
echo "## sirvane benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) CPUs, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) RAM, $(sed -n 's/^PRETTY_NAME=//p' /etc/os-release | tr -d '"'), kernel $(uname -r)"
echo "Timing: $( ((use_hyperfine)) && hyperfine --version || echo "/usr/bin/time"), median of $RUNS runs after one warm-up run; files page-cached"
echo "sirvane: $SIRVANE"

scenario "Squid log, $LINES lines, $USERS users, $HOSTS hosts" "$main_log"
scenario "Daily logs: the same log in $DAYS files" "$daily_dir/access.log.*" "$(basename "$daily_dir")"
scenario "Distinct users: $DISTINCT_LINES lines, each a new user" "$distinct_log"
scenario "One user, $ONE_USER_HOSTS hosts ($ONE_USER_LINES lines)" "$one_user_log"
