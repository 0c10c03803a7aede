#!/usr/bin/env bash
# Ctrl-C during a long read, as a user at an interactive octave-cli sends
# it: SIGINT to the session while quarnel (or quarnel_info) reads. For each case the session
# must be back at its prompt within a second, with nothing assigned, no
# file of the read left open and no thread of it left running, and the next
# call must work. One session takes every case in turn, so it also shows
# that a session goes on after many interrupts.
#
#   tests/session/interrupted_reads.sh BUILD_DIR [oct|mex]
#
# With the second argument, the session first checks that quarnel is that
# entry's file: oct, quarnel.oct in BUILD_DIR (Octave prefers it to
# quarnel.mex beside it); mex, the MEX entry alone, from BUILD_DIR/mex_entry
# put first on the path. The MEX entry takes two cases, the interrupt
# polled while workers scan and the one raised from a progress line's
# flush, which are its own; the other cases are the core's, and
# quarnel_info's the same module's, run with the oct-file.
#
# The reads are of a file of 200 million empty lines (empty instances): a
# few seconds of scanning on any machine, but outputs of a few megabytes.
# When the signal is sent is decided by what the session has read of the
# file (/proc/PID/io): early in the first pass, or once the second began.
set -euo pipefail

build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
session=
cleanup() {
  [ -n "$session" ] && kill -KILL "$session" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

data=$work/empty_lines.txt
{ printf '3,1 1:0.5 4:2\n'; head -c 200000000 /dev/zero | tr '\0' '\n'; printf '1 2:1\n'; } >"$data"
gzip -1 -c "$data" >"$data.gz"
size=$(stat -c %s "$data")

mkfifo "$work/in"
octave-cli --no-gui --norc --interactive --no-line-editing <"$work/in" >"$work/out" 2>&1 &
session=$!
exec 3>"$work/in"
say() { printf '%s\n' "$*" >&3; }
say "addpath('$build'); more off; page_screen_output(false);"
[ "${2:-}" = mex ] && say "addpath('$build/mex_entry');"

# Waits until the session's output has a line matching $1; fails after $2 s.
wait_for() {
  local deadline=$(( $(date +%s) + $2 ))
  until grep -q -- "$1" "$work/out"; do
    if [ "$(date +%s)" -ge "$deadline" ] || ! kill -0 "$session" 2>/dev/null; then
      echo "interrupted_reads: no '$1' from the session in $2 s; it printed:" >&2
      cat "$work/out" >&2
      exit 1
    fi
    sleep 0.01
  done
}
read_bytes() { awk '/^rchar/ { print $2 }' "/proc/$session/io"; }
open_files() { ls "/proc/$session/fd" | wc -l; }
threads() { ls "/proc/$session/task" | wc -l; }
reads_data() { ls -l "/proc/$session/fd" | grep -c -F "$work/empty_lines" || true; }

if [ -n "${2:-}" ]; then
  say "printf('\\nmodule %s\\n', which('quarnel')); fflush(stdout);"
  wait_for "^module .*\.\(oct\|mex\)\$" 30
  if ! grep -q "^module .*/quarnel\.$2\$" "$work/out"; then
    echo "interrupted_reads: quarnel is not the $2 entry:" >&2
    grep "^module " "$work/out" >&2
    exit 1
  fi
  echo "interrupted_reads: $(grep "^module " "$work/out")"
fi

failures=0
case_number=0
# interrupt WHAT FILE OPTIONS WHEN [CALL]: WHEN is "sizing", "fill" or
# "time"; CALL is the call up to its opening parenthesis, quarnel's by default.
interrupt() {
  local what=$1 file=$2 options=$3 when=$4 call=${5:-"[a, b, c] = quarnel"}
  case_number=$((case_number + 1))
  say "clear a b c; printf('\\nready %d\\n', $case_number); fflush(stdout);"
  wait_for "^ready $case_number\$" 30
  local files_before threads_before start
  files_before=$(open_files)
  threads_before=$(threads)
  start=$(read_bytes)
  say "$call('$file'$options);"
  # The signal goes once the read is in the pass named.
  local deadline=$(( $(date +%s) + 60 ))
  case $when in
    sizing) until [ $(( $(read_bytes) - start )) -gt $(( size / 10 )) ]; do sleep 0.005; done ;;
    fill) until [ $(( $(read_bytes) - start )) -gt $(( size + size / 10 )) ]; do
            [ "$(date +%s)" -lt "$deadline" ] || { echo "interrupted_reads: $what: the fill never began" >&2; exit 1; }
            sleep 0.005; done ;;
    time) sleep 1.5 ;;
  esac
  kill -INT "$session"
  local sent
  sent=$(date +%s.%N)
  say "printf('\\nback %d %d\\n', $case_number, exist('a')); fflush(stdout);"
  wait_for "^back $case_number [0-9][0-9]*\$" 30
  local back
  back=$(date +%s.%N)
  local took assigned
  took=$(awk -v a="$sent" -v b="$back" 'BEGIN { printf "%.2f", b - a }')
  assigned=$(sed -n "s/^back $case_number \([0-9]*\)\$/\1/p" "$work/out")
  local problems=""
  awk -v t="$took" 'BEGIN { exit !(t > 1.0) }' && problems="$problems back after $took s;"
  [ "$assigned" = 0 ] || problems="$problems outputs assigned;"
  [ "$(reads_data)" = 0 ] || problems="$problems the data file is still open;"
  [ "$(open_files)" = "$files_before" ] || problems="$problems open files $files_before -> $(open_files);"
  [ "$(threads)" = "$threads_before" ] || problems="$problems threads $threads_before -> $(threads);"
  if [ -n "$problems" ]; then
    echo "interrupted_reads: $what: FAILED:$problems" >&2
    failures=$((failures + 1))
  else
    echo "interrupted_reads: $what: back at the prompt $took s after the signal, nothing assigned, nothing left open"
  fi
}

mex=0
[ "${2:-}" = mex ] && mex=1
interrupt "sizing scan, every thread" "$data" "" sizing
[ "$mex" = 1 ] || interrupt "fill scan, every thread" "$data" "" fill
[ "$mex" = 1 ] || interrupt "fill scan, one thread" "$data" ", 'threads', 1" fill
[ "$mex" = 1 ] || interrupt "sizing scan, one thread, progress" "$data" ", 'threads', 1, 'progress', true" time
interrupt "fill scan, progress" "$data" ", 'progress', true" fill
[ "$mex" = 1 ] || interrupt "gzip file" "$data.gz" "" time
[ "$mex" = 1 ] || interrupt "quarnel_info, every thread" "$data" "" sizing "a = quarnel_info"

# The next call works, and the session is whole.
say "[a, b, c] = quarnel('$root/examples/example.txt'); printf('\\nafter %d %d %g\\n', rows(a), columns(b), full(b(3,3))); fflush(stdout);"
# The line may reach the file in pieces: wait for all three figures.
wait_for "^after [0-9][0-9]* [0-9][0-9]* [0-9.][0-9.]*\$" 30
if ! grep -q "^after 3 4 7\$" "$work/out"; then
  echo "interrupted_reads: the call after the interrupts did not read the example:" >&2
  cat "$work/out" >&2
  failures=$((failures + 1))
fi
say "exit"
exec 3>&-
wait "$session" || true
session=
if grep -E -q "fatal|terminate called|Aborted" "$work/out"; then
  echo "interrupted_reads: the session ended abnormally:" >&2
  cat "$work/out" >&2
  failures=$((failures + 1))
fi
[ "$failures" = 0 ] || exit 1
echo "interrupted_reads: passed"
