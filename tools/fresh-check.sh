#!/usr/bin/env bash
# Does what a new user does: on a minimal Debian of the chosen release, with
# nothing else installed, clone the project and run one of its commands as
# root. Ends with one verdict line and the time.
#
#   tools/fresh-check.sh [--suite bookworm|trixie] [--fresh] [--ref REF] test|demo|dist
#
#   --suite   the Debian release (default bookworm)
#   --fresh   a new chroot: without it the chroot of an earlier run is reused,
#             with the packages and the cache that run left in it
#   --ref     what to clone (a branch, tag or commit of this repository;
#             default main); only what is committed is checked
#
# Needs root (debootstrap, chroot, mounts) and the network. The chroots live in
# $ORIELVMX_FRESH_ROOT (default /var/cache/orielvmx-fresh), one a release, and
# each run's output in a log beside them. Everything runs in a mount namespace
# of its own, so the chroot's /proc, /sys and /dev mounts go away with it
# however the run ends; on a shared machine, run it under nice.
set -uo pipefail

usage() {
  sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

arguments=("$@")
suite=bookworm
fresh=0
ref=main
command=""
while [ $# -gt 0 ]; do
  case "$1" in
    --suite) suite="${2:-}"; shift 2 || usage ;;
    --fresh) fresh=1; shift ;;
    --ref) ref="${2:-}"; shift 2 || usage ;;
    test | demo | dist) [ -z "$command" ] || usage; command="$1"; shift ;;
    *) usage ;;
  esac
done
[ -n "$command" ] || usage
case "$suite" in
  bookworm | trixie) ;;
  *) echo "fresh-check: unknown suite '$suite' (bookworm or trixie)" >&2; exit 2 ;;
esac
if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-check: needs root (debootstrap, chroot, mounts)" >&2
  exit 1
fi

# The rest runs in a private mount namespace: no mount made below can outlive
# this script or be seen by the machine.
if [ -z "${ORIELVMX_FRESH_NAMESPACE:-}" ]; then
  ORIELVMX_FRESH_NAMESPACE=1 exec unshare --mount --propagation private bash "$0" "${arguments[@]}"
fi

started=$(date +%s)
elapsed() {
  local s=$(($(date +%s) - $1))
  if [ "$s" -ge 60 ]; then printf '%dm%02ds' $((s / 60)) $((s % 60)); else printf '%ds' "$s"; fi
}

repository="$(git -C "$(dirname "${BASH_SOURCE[0]}")" rev-parse --show-toplevel)" || exit 1
commit="$(git -C "$repository" rev-parse --verify --quiet "$ref^{commit}")" ||
  { echo "fresh-check: '$ref' is no commit of $repository" >&2; exit 2; }

base="${ORIELVMX_FRESH_ROOT:-/var/cache/orielvmx-fresh}"
tree="$base/$suite"
ready="$base/$suite.ready"
log="$base/$suite-$command.log"
mirror="${ORIELVMX_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
mkdir -p "$base"
exec 9>"$base/$suite.lock"
if ! flock -n 9; then
  echo "fresh-check: another run uses the $suite chroot; waiting" >&2
  flock 9
fi

mounted=()
# shellcheck disable=SC2317  # called by the EXIT trap
cleanup() {
  # Whatever the command left running inside (a wineserver, an X server)
  # would keep the chroot's files busy.
  local link pid
  for link in /proc/[0-9]*/root; do
    case "$(readlink "$link" 2>/dev/null)" in
      "$tree" | "$tree"/*) ;;
      *) continue ;;
    esac
    pid="${link#/proc/}"
    kill -KILL "${pid%/root}" 2>/dev/null
  done
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"
  done
  mounted=()
}
trap cleanup EXIT
trap 'exit 130' INT TERM

chroot_note="reused"
if [ "$fresh" -eq 1 ] || [ ! -f "$ready" ]; then
  rm -f "$ready"
  if [ -e "$tree" ]; then
    echo "fresh-check: removing the old $suite chroot"
    rm -rf --one-file-system "$tree" || exit 1
  fi
  chroot_started=$(date +%s)
  echo "fresh-check: debootstrap --variant=minbase $suite into $tree"
  if ! debootstrap --variant=minbase "$suite" "$tree" "$mirror" > "$base/$suite.debootstrap.log" 2>&1; then
    tail -20 "$base/$suite.debootstrap.log" >&2
    echo "fresh-check: $suite $command: FAILED: debootstrap (log $base/$suite.debootstrap.log)"
    exit 1
  fi
  date -u +%Y-%m-%dT%H:%M:%SZ > "$ready"
  chroot_note="new, $(elapsed "$chroot_started")"
fi

# A clean clone of the committed tree, as a user would download it.
clone="$tree/root/orielvmx"
rm -rf "$clone"
if git -C "$repository" show-ref --verify --quiet "refs/heads/$ref"; then
  git clone --quiet --no-hardlinks --branch "$ref" "$repository" "$clone" || exit 1
else
  git clone --quiet --no-hardlinks "$repository" "$clone" && git -C "$clone" checkout --quiet --detach "$commit" || exit 1
fi
echo "fresh-check: $suite: cloned $ref at $(git -C "$clone" log -1 --format='%h %s' | cut -c1-72)"
# A branch may have moved on since the start: the verdict names what was cloned.
commit="$(git -C "$clone" rev-parse HEAD)"

cp /etc/resolv.conf "$tree/etc/resolv.conf"
bind() {
  mount "$@" && mounted+=("${*: -1}")
}
bind -t proc proc "$tree/proc" &&
  bind -t sysfs sysfs "$tree/sys" &&
  bind --bind /dev "$tree/dev" &&
  bind --bind /dev/pts "$tree/dev/pts" &&
  bind -t tmpfs tmpfs "$tree/dev/shm" || exit 1
# X servers listen on abstract sockets too, which a chroot shares with the
# machine: lock files for the displays the machine's own xvfb-run would take
# first send the chroot's to higher numbers.
for display in $(seq 99 498); do : > "$tree/tmp/.X$display-lock"; done

echo "fresh-check: $suite: ./run.sh $command (log $log)"
# shellcheck disable=SC2016  # expanded by the shell inside the chroot
chroot "$tree" env -i HOME=/root TERM="${TERM:-dumb}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /root/orielvmx && ./run.sh "$1" < /dev/null' bash "$command" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
rm -f "$tree"/tmp/.X*-lock
# Kept for comparing what each release builds.
if [ "$command" = dist ] && [ "$rc" -eq 0 ]; then
  rm -rf "$base/$suite-dist"
  cp -r "$clone/dist" "$base/$suite-dist"
fi

verdict=PASSED
[ "$rc" -eq 0 ] || verdict="FAILED (exit $rc)"
echo "fresh-check: $suite $command at $(git -C "$repository" rev-parse --short "$commit"): $verdict in $(elapsed "$started") (chroot $chroot_note; log $log)"
exit "$rc"
