#!/usr/bin/env bash
# Runs the engine's sync benchmark and a Maildir-to-Maildir run of mbsync (Debian package isync)
# side by side on this machine, with the same number of messages of the same size (400-character
# body, every tenth with a 2 kB attachment), and prints both and the ratios.
#
#   bench/sync_side_by_side.sh [--install] [--build DIR] [COUNT ...]     (default: 10000)
#
# --install installs isync with apt-get first; without it a missing mbsync is an error. The
# engine's figures are its benchmark's (the run's one-second pause excluded), the median of three
# repetitions; mbsync's are whole process runs: the median of five, with FSync off. The engine's
# no-change run is the first in its process; "later in one process" is the mean of three more,
# which start from the rows the store read before (as the window program's periodic runs do).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
install=no
counts=()
while [ $# -gt 0 ]; do
  case "$1" in
    --install) install=yes ;;
    --build) build=$2; shift ;;
    -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *[!0-9]*|'') echo "sync_side_by_side: unknown argument '$1'" >&2; exit 2 ;;
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

# mbsync: first run into an empty Maildir, then runs with nothing changed. Prints
# "first_s no_change_s peak_rss_mb".
mbsync_figures() {
  local n=$1 dir="$work/mbsync-$1"
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
  # Prints "seconds peak_kB": the wall time to the microsecond (time's own %e has only 10 ms).
  timed() {
    local start=$EPOCHREALTIME
    /usr/bin/time -f "%M" -o "$dir/time" mbsync -c "$dir/rc" -a -q
    awk -v a="$start" -v b="$EPOCHREALTIME" -v k="$(cat "$dir/time")" 'BEGIN { printf "%.4f %d\n", b - a, k }'
  }
  local first settle
  first=$(timed)
  settle=$(timed) # the run after the first still renames what the first delivered
  local runs=() rss=0 line
  for _ in 1 2 3 4 5; do
    line=$(timed)
    runs+=("${line%% *}")
    [ "${line##* }" -gt "$rss" ] && rss=${line##* }
  done
  local median
  median=$(printf '%s\n' "${runs[@]}" | sort -n | sed -n 3p)
  echo "${first%% *} $median $(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }')"
  : "$settle"
}

# The engine: its benchmark's first run and nothing-changed run of `count` messages. Prints
# "first_s no_change_s peak_rss_mb" ("-" where the benchmark has no such size).
engine_figures() {
  local n=$1 json="$work/engine-$1.json"
  "$bench" --benchmark_filter="BM_FirstRun/$n/|BM_NothingChangedOnce/$n/|BM_NothingChangedPrepaired/$n/" \
    --benchmark_repetitions=3 --benchmark_format=json >"$json" 2>/dev/null
  python3 - "$json" "$n" <<'EOF'
import json, sys
data = json.load(open(sys.argv[1]))
n = sys.argv[2]
def pick(prefix, key):
    # The median of the repetitions; peak memory the first one's (the process keeps its
    # high-water mark into the later ones).
    runs = [b[key] for b in data["benchmarks"]
            if b["name"].startswith(prefix + "/" + n + "/") and b.get("run_type") != "aggregate" and key in b]
    if not runs:
        return None
    if key == "peak_rss_MB":
        return runs[0]
    return sorted(runs)[len(runs) // 2]
first = pick("BM_FirstRun", "real_time")
once = pick("BM_NothingChangedOnce", "real_time")
still = pick("BM_NothingChangedPrepaired", "real_time")
rss = pick("BM_NothingChangedPrepaired", "peak_rss_MB")
fmt = lambda v, scale: "-" if v is None else f"{v * scale:.3f}"
print(fmt(first, 0.001), fmt(once, 0.001), fmt(still, 0.001), "-" if rss is None else f"{rss:.1f}")
EOF
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.1fx", a / b }'; }

printf '%-8s %-22s %10s %10s %8s\n' messages figure engine mbsync ratio
for n in "${counts[@]}"; do
  read -r e_first e_once e_still e_rss < <(engine_figures "$n")
  read -r m_first m_still m_rss < <(mbsync_figures "$n")
  printf '%-8s %-22s %10s %10s %8s\n' "$n" "first run (s)" "$e_first" "$m_first" "$(ratio "$e_first" "$m_first")"
  printf '%-8s %-22s %10s %10s %8s\n' "$n" "no-change run (s)" "$e_once" "$m_still" "$(ratio "$e_once" "$m_still")"
  printf '%-8s %-22s %10s %10s %8s\n' "$n" "  later in one process" "$e_still" "$m_still" "$(ratio "$e_still" "$m_still")"
  printf '%-8s %-22s %10s %10s %8s\n' "$n" "peak RSS (MB)" "$e_rss" "$m_rss" "$(ratio "$e_rss" "$m_rss")"
done
