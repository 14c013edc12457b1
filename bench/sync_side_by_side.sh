#!/usr/bin/env bash
# Runs the engine's sync benchmark and a Maildir-to-Maildir run of mbsync (Debian package isync)
# side by side on this machine, with the same number of messages of the same size (400-character
# body, every tenth with a 2 kB attachment), and prints both and the ratios.
#
#   bench/sync_side_by_side.sh [--install] [--build DIR] [--rounds N] [COUNT ...]   (default: 10000)
#
# --install installs isync with apt-get first; without it a missing mbsync is an error. The two
# take turns, round by round (default 3): a round of the engine is its benchmark in a process of
# its own (its first run, and its first no-change run in a process, the run's one-second pause
# excluded); a round of mbsync is whole-process runs with FSync off (a first run into an empty
# Maildir, then one with nothing changed). Each figure is the median over the rounds, each ratio
# the median of the rounds' own ratios, so a machine whose speed drifts does not tilt them.
# "later in one process" is the mean of three no-change runs that start from the rows the store
# read before (as the window program's periodic runs do), with the peak memory of that process.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
install=no
rounds=3
counts=()
while [ $# -gt 0 ]; do
  case "$1" in
    --install) install=yes ;;
    --build) build=$2; shift ;;
    --rounds)
      case "${2:-}" in *[!0-9]*|''|0) echo "sync_side_by_side: --rounds wants a number above 0" >&2; exit 2 ;; esac
      rounds=$2; shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *[!0-9]*|''|0) echo "sync_side_by_side: unknown argument '$1'" >&2; exit 2 ;;
    *) counts+=("$1") ;;
  esac
  shift
done
[ ${#counts[@]} -gt 0 ] || counts=(10000)

if [ "$install" = yes ] && ! command -v mbsync >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq isync
fi
if ! command -v mbsync >/dev/null; then
  echo "sync_side_by_side: mbsync is not installed (run with --install to install isync)" >&2
  exit 1
fi
bench="$build/bin/engine_sync_bench"
if [ ! -x "$bench" ]; then
  echo "sync_side_by_side: $bench is missing (build first: scripts/bootstrap)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# mbsync's side: `count` messages in a new far Maildir, an empty near one, and the channel
# between them (a first run also numbers the far messages, so every round starts anew).
mbsync_prepare() {
  local n=$1 dir="$work/mbsync-$1"
  rm -rf "$dir"
  mkdir -p "$dir/far/cur" "$dir/far/new" "$dir/far/tmp" "$dir/near" "$dir/state"
  python3 - "$dir/far/cur" "$n" <<'EOF'
import sys
folder, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    head = (f"From: sender{i % 97}@example.org\nTo: user@example.org\nSubject: Message {i}\n"
            f"Date: Mon, 1 Jan 2024 00:00:00 +0000\nMessage-ID: <{i}@example.org>\n"
            f"Importance: {('low', 'normal', 'high')[i % 3]}\nMIME-Version: 1.0\n")
    body = "x" * 400
    if i % 10 == 0:
        text = (head + 'Content-Type: multipart/mixed; boundary="b"\n\n--b\nContent-Type: text/plain\n\n'
                + body + "\n--b\nContent-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n\n"
                + "YWFh" * 683 + "\n--b--\n")
    else:
        text = head + "Content-Type: text/plain\n\n" + body + "\n"
    with open(f"{folder}/{1700000000 + i}.{i}_0.bench:2,S", "w") as f:
        f.write(text)
EOF
  cat > "$dir/rc" <<EOF
FSync no

MaildirStore far
Path $dir/far/
Inbox $dir/far/

MaildirStore near
Path $dir/near/
Inbox $dir/near/

Channel bench
Far :far:
Near :near:
Patterns INBOX
Create Both
SyncState $dir/state/
EOF
  sync # the new files reach the disk before the timed runs, not during them
}

# One mbsync run: prints "seconds peak_kB", the wall time to the microsecond (time's own %e has
# only 10 ms).
mbsync_timed() {
  local dir="$work/mbsync-$1" start=$EPOCHREALTIME
  /usr/bin/time -f "%M" -o "$dir/time" mbsync -c "$dir/rc" -a -q
  awk -v a="$start" -v b="$EPOCHREALTIME" -v k="$(cat "$dir/time")" 'BEGIN { printf "%.4f %d\n", b - a, k }'
}

# One round of mbsync: prints "first_s no_change_s peak_kB".
mbsync_round() {
  local first line
  mbsync_prepare "$1"
  first=$(mbsync_timed "$1")
  mbsync_timed "$1" >/dev/null # the run after the first still renames what the first delivered
  line=$(mbsync_timed "$1")
  echo "${first%% *} ${line%% *} ${line##* }"
}

# engine_pick JSON COUNT NAME KEY [NAME KEY ...]: the figures asked for (times in seconds), "-"
# where the benchmark has no such size.
engine_pick() {
  python3 - "$@" <<'EOF'
import json, sys
try:
    data = json.load(open(sys.argv[1]))
except ValueError:
    data = {"benchmarks": []}  # no benchmark of that size
n = sys.argv[2]
out = []
for name, key in zip(sys.argv[3::2], sys.argv[4::2]):
    value = next((b[key] for b in data["benchmarks"] if b["name"].startswith(name + "/" + n + "/") and key in b), None)
    out.append("-" if value is None else f"{value:.1f}" if key == "peak_rss_MB" else f"{value / 1000:.4f}")
print(*out)
EOF
}

# One round of the engine: prints "first_s no_change_s".
engine_round() {
  local json="$work/engine-$1.json"
  sync # what the mbsync round wrote is on the disk
  "$bench" --benchmark_filter="BM_FirstRun/$1/|BM_NothingChangedOnce/$1/" --benchmark_format=json >"$json" 2>/dev/null
  engine_pick "$json" "$1" BM_FirstRun real_time BM_NothingChangedOnce real_time
}

# Later no-change runs in one process: prints "seconds peak_MB".
engine_later() {
  local json="$work/engine-later-$1.json"
  "$bench" --benchmark_filter="BM_NothingChangedPrepaired/$1/" --benchmark_format=json >"$json" 2>/dev/null
  engine_pick "$json" "$1" BM_NothingChangedPrepaired real_time BM_NothingChangedPrepaired peak_rss_MB
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'; }
# The median of the values given; "-" are left out.
median() { printf '%s\n' "$@" | grep -v '^-$' | sort -g | awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : "-" }'; }
row() { printf '%-8s %-22s %10s %10s %8s\n' "$@"; }

row messages figure engine mbsync ratio
for n in "${counts[@]}"; do
  e_firsts=() e_onces=() m_firsts=() m_stills=() r_firsts=() r_onces=() m_kb=0
  for _ in $(seq "$rounds"); do
    read -r e_first e_once < <(engine_round "$n")
    read -r m_first m_still kb < <(mbsync_round "$n")
    e_firsts+=("$e_first"); e_onces+=("$e_once"); m_firsts+=("$m_first"); m_stills+=("$m_still")
    r_firsts+=("$(ratio "$e_first" "$m_first")"); r_onces+=("$(ratio "$e_once" "$m_still")")
    [ "$kb" -gt "$m_kb" ] && m_kb=$kb
  done
  read -r e_still e_rss < <(engine_later "$n")
  m_still=$(median "${m_stills[@]}")
  m_mb=$(awk -v k="$m_kb" 'BEGIN { printf "%.1f", k / 1024 }')
  row "$n" "first run (s)" "$(median "${e_firsts[@]}")" "$(median "${m_firsts[@]}")" "$(median "${r_firsts[@]}")"
  row "$n" "no-change run (s)" "$(median "${e_onces[@]}")" "$m_still" "$(median "${r_onces[@]}")"
  row "$n" "  later in one process" "$e_still" "$m_still" "$(ratio "$e_still" "$m_still")"
  row "$n" "peak RSS (MB)" "$e_rss" "$m_mb" "$(ratio "$e_rss" "$m_mb")"
done
