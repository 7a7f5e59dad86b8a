#!/usr/bin/env bash
# Times sirvane against the reporting tools Debian ships for Squid logs
# (GoAccess, SARG, Calamaris, LightSquid) and against `wc -l` and `cat`, all on
# the same page-cached Squid log, back to back in one run.
#
#   bench/peers.sh                     # 1,000,000-line log, peers run twice
#   LINES=5000000 PEER_RUNS=1 bench/peers.sh
#
# Environment (defaults in brackets):
#   BENCH_DIR  where the log, configurations and reports go [/tmp/sirvane-bench]
#   SIRVANE    the program to time [build/release/sirvane]
#   LINES USERS HOSTS SEED   shape of the generated log [1000000 500 50000 1]
#   RUNS       hyperfine runs of sirvane, wc -l and cat [5]
#   PEER_RUNS  hyperfine runs of each peer (they take a minute each) [2]
#   PEERS      which peers to run ["goaccess sarg calamaris lightsquid"]
#
# Needs root for apt-get when a peer or hyperfine is missing. Each peer is
# configured to read the same file and write its report under BENCH_DIR; the
# median wall time comes from hyperfine, the peak RSS from one extra run under
# /usr/bin/time. Ratios are taken against wc -l and sirvane of the same run.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BENCH_DIR=${BENCH_DIR:-/tmp/sirvane-bench}
SIRVANE=${SIRVANE:-$repo/build/release/sirvane}
LINES=${LINES:-1000000}
USERS=${USERS:-500}
HOSTS=${HOSTS:-50000}
SEED=${SEED:-1}
RUNS=${RUNS:-5}
PEER_RUNS=${PEER_RUNS:-2}
PEERS=${PEERS:-goaccess sarg calamaris lightsquid}

die() {
  echo "peers.sh: $*" >&2
  exit 1
}

[[ "$BENCH_DIR" =~ ^/[a-z0-9/._-]+$ ]] ||
  die "BENCH_DIR must be an absolute path of lower-case letters, digits and / . _ - (sirvane lower-cases its configuration)"
[[ -x "$SIRVANE" ]] || die "no sirvane at '$SIRVANE'; build it with 'make' or set SIRVANE"

need() {  # need COMMAND PACKAGE
  command -v "$1" >/dev/null && return 0
  [[ $(id -u) -eq 0 ]] || die "$1 is missing; install it with: sudo apt-get install $2"
  echo "Installing $2 with apt-get ..." >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$2" >/dev/null 2>&1 ||
    { DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null 2>&1; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$2" >/dev/null 2>&1; } ||
    die "could not install $2; install it with: sudo apt-get install $2"
}
need hyperfine hyperfine
[[ -x /usr/bin/time ]] || need time time
for peer in $PEERS; do
  case $peer in
    goaccess) need goaccess goaccess ;;
    sarg) need sarg sarg ;;
    calamaris) need calamaris calamaris ;;
    lightsquid) [[ -f /usr/share/lightsquid/lightparser.pl ]] || need lightsquid-missing lightsquid ;;
    *) die "unknown peer '$peer'; choose from goaccess sarg calamaris lightsquid" ;;
  esac
done

mkdir -p "$BENCH_DIR"
generator="$BENCH_DIR/generate_log"
if [[ ! -x "$generator" || "$repo/bench/generate_log.cpp" -nt "$generator" ]]; then
  g++ -std=c++20 -O2 -o "$generator" "$repo/bench/generate_log.cpp"
fi
name="peers-l$LINES-u$USERS-h$HOSTS-s$SEED"
work="$BENCH_DIR/$name"
log="$work/logs/access.log"   # LightSquid insists on this file name
mkdir -p "$work/logs"
params="--format squid --lines $LINES --users $USERS --hosts $HOSTS --seed $SEED"
if [[ ! -f "$log" || "$(cat "$log.params" 2>/dev/null)" != "$params" ]]; then
  echo "Generating $log ..." >&2
  # shellcheck disable=SC2086
  "$generator" $params --output "$log"
  echo "$params" >"$log.params"
fi
cat "$log" >/dev/null  # page-cache it

# sirvane
mkdir -p "$work/sirvane"
cat >"$work/sirvane.cfg" <<CFG
inputpath=$log
outputpath=$work/sirvane
logfile=$work/sirvane/last.log
namefield=8
bytesfield=5
queryfield=7
ipfield=3
CFG

# GoAccess: Squid's native format with the user field (%e), seconds since the
# epoch as date and time, an HTML report. (Its predefined SQUID format parses
# no line of this log without the date and time formats.)
goaccess_cmd="goaccess '$log' --log-format='%x.%^ %~%L %h %^/%s %b %m %U %e' --date-format=%s --time-format=%s --no-global-config --no-progress -o '$work/goaccess.html' 2>/dev/null"

# SARG: the stock configuration with the log, output directory and no date
# filter; it reads the file itself. Set up only when asked for: its
# configuration exists only once it is installed.
wants() { [[ " $PEERS " == *" $1 "* ]]; }
if wants sarg; then
  sed -e "s#^access_log .*#access_log $log#" -e "s#^output_dir .*#output_dir $work/sarg#" \
    -e 's#^resolve_ip .*#resolve_ip no#' /etc/sarg/sarg.conf >"$work/sarg.conf"
  grep -q "^access_log $log" "$work/sarg.conf" || echo "access_log $log" >>"$work/sarg.conf"
  grep -q "^output_dir " "$work/sarg.conf" || echo "output_dir $work/sarg" >>"$work/sarg.conf"
fi
sarg_cmd="rm -rf '$work/sarg' && mkdir -p '$work/sarg' && sarg -f '$work/sarg.conf' -l '$log' -o '$work/sarg' >/dev/null 2>&1"

# Calamaris: all reports, no DNS lookups (this machine has no resolver to ask),
# reading the log from standard input.
calamaris_cmd="calamaris -a -n <'$log' >'$work/calamaris.txt'"

# LightSquid: a private copy of the parser with its own configuration. Its date
# filter ends in 2020 when no date is given; the generated log is of 2026, so
# the end of the filter is moved to 2099 (otherwise every line is skipped).
if wants lightsquid; then
  rm -rf "$work/lightsquid"
  mkdir -p "$work/lightsquid/report"
  cp -r /usr/share/lightsquid/. "$work/lightsquid/app"
  rm -f "$work/lightsquid/app/lightsquid.cfg"
  sed -e "s#^\$logpath .*#\$logpath =\"$work/logs\";#" -e "s#^\$reportpath .*#\$reportpath =\"$work/lightsquid/report\";#" \
    /etc/lightsquid/lightsquid.cfg >"$work/lightsquid/app/lightsquid.cfg"
  sed -i 's/2020-1900/2099-1900/' "$work/lightsquid/app/lightparser.pl"
fi
lightsquid_cmd="rm -rf '$work/lightsquid/report'/* && perl '$work/lightsquid/app/lightparser.pl' >/dev/null"

commands=("wc -l '$log'" "cat '$log' >/dev/null" "'$SIRVANE' '$work/sirvane.cfg'")
labels=("wc -l" "cat" "sirvane")
peer_commands=()
for peer in $PEERS; do
  var="${peer}_cmd"
  peer_commands+=("${!var}")
  labels+=("$peer")
done

# One hyperfine call for the fast commands, one per peer (fewer runs).
hyperfine -N --warmup 1 --runs "$RUNS" --export-json "$work/fast.json" "${commands[@]}" >/dev/null 2>&1 ||
  hyperfine --warmup 1 --runs "$RUNS" --export-json "$work/fast.json" "${commands[@]}" >/dev/null
i=0
for cmd in "${peer_commands[@]}"; do
  hyperfine --runs "$PEER_RUNS" --export-json "$work/peer$i.json" "$cmd" >/dev/null
  i=$((i + 1))
done

median() {  # median FILE INDEX
  python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['results'][int(sys.argv[2])]['median'])" "$1" "$2"
}
rss() {  # peak RSS in MB of one run of a shell command
  /usr/bin/time -f "%M" -o "$work/rss.txt" bash -c "$1" >/dev/null 2>&1 || true
  awk '{printf "%.0f", $1 / 1024}' "$work/rss.txt"
}
times=("$(median "$work/fast.json" 0)" "$(median "$work/fast.json" 1)" "$(median "$work/fast.json" 2)")
for ((j = 0; j < ${#peer_commands[@]}; j++)); do times+=("$(median "$work/peer$j.json" 0)"); done
all_commands=("${commands[@]}" "${peer_commands[@]}")

size=$(du -m "$log" | cut -f1)
echo
echo "Squid log: $LINES lines, $size MB, $USERS users, $HOSTS hosts; $(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| Command | median (s) | / wc -l | / sirvane | peak RSS (MB) |"
echo "|---|---|---|---|---|"
for ((j = 0; j < ${#labels[@]}; j++)); do
  python3 -c "import sys; t,w,s=map(float,sys.argv[2:5]); print(f'| {sys.argv[1]} | {t:.3f} | {t/w:.1f} | {t/s:.1f} | {sys.argv[5]} |')" \
    "${labels[$j]}" "${times[$j]}" "${times[0]}" "${times[2]}" "$(rss "${all_commands[$j]}")"
done
