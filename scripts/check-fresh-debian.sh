#!/usr/bin/env bash
# README's two commands on a fresh Debian 12, as a new user meets them:
#   scripts/check-fresh-debian.sh
# Makes a minimal Debian 12 (debootstrap --variant=minbase bookworm, from the archive this machine
# uses) in a temporary folder, adds only git, sudo and ca-certificates (and this machine's local
# CA certificates, so that HTTPS through an inspecting proxy works), clones the commit under test
# (HEAD of this repository) into the home of a user with sudo, and runs there as that user
# scripts/test.sh, then scripts/run.sh until the level dialog is on a virtual display. Every
# mount and process it made goes when it ends, failed or not.
# Needs root (debootstrap, chroot, mounts); installs debootstrap when it is missing.
# Environment: CIFROVEX_FRESH_TMP, where the temporary folder goes (default /var/tmp);
# CIFROVEX_FRESH_DISPLAY, the X display number for the run command (default 41);
# CIFROVEX_FRESH_SCREENSHOT, a PNG file to keep the screen with the level dialog in.
# The test command's full log is kept in build/fresh-check.log.
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"

say() { echo "fresh-check: $*"; }
die() { echo "fresh-check: $*" >&2; exit 1; }
clock() { date +%s; }
took() { echo "$(( $(clock) - $1 )) s"; }

[ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, chroot and mounts): sudo $0"
scripts/install-deps.sh fresh-check
commit="$(git rev-parse HEAD)"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    say "uncommitted changes are not part of the check: it clones $commit"

# The archive this machine uses: the first URI serving bookworm (and bookworm-security).
sources() {
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '{ sub(/\[[^]]*\][ \t]*/, "") } $1 == "deb" { print $3, $2 }'
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             { uris = ""; suites = ""; types = ""
               for (i = 1; i <= NF; i++) {
                   if ($i ~ /^Types:/) types = $i
                   if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
                   if ($i ~ /^Suites:/) { suites = $i; sub(/^Suites:[ \t]*/, "", suites) }
               }
               if (types !~ /[: \t]deb([ \t]|$)/) next
               n = split(suites, s, /[ \t]+/); split(uris, u, /[ \t]+/)
               for (j = 1; j <= n; j++) if (u[1] != "") print s[j], u[1] }' "$f"
    done
}
mirror="$(sources | awk '$1 == "bookworm" { print $2; exit }')"
security="$(sources | awk '$1 == "bookworm-security" { print $2; exit }')"
mirror="${mirror:-http://deb.debian.org/debian}"
mirror="${mirror%/}"
say "archive $mirror${security:+, security updates from $security}"

start="$(clock)"
work="$(mktemp -d "${CIFROVEX_FRESH_TMP:-/var/tmp}/cifrovex-fresh.XXXXXX")"
root="$work/root"
mkdir -p "$root"
log="$work/test.log"

cleanup() {
    local status=$? pids p mounts m
    trap - EXIT INT TERM
    set +e # clean up as much as can be, whatever fails
    [ -z "$child" ] || kill "$child" 2>/dev/null || true
    [ ! -f "$log" ] || { mkdir -p "$repo/build" && cp "$log" "$repo/build/fresh-check.log"; }
    for signal in TERM KILL; do
        pids=()
        for p in /proc/[0-9]*; do
            [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && pids+=("${p#/proc/}")
        done
        [ ${#pids[@]} -eq 0 ] && break
        kill -s "$signal" "${pids[@]}" 2>/dev/null || true
        for _ in $(seq 50); do
            sleep 0.1
            for p in "${pids[@]}"; do [ -d "/proc/$p" ] && continue 2; done
            break
        done
    done
    mapfile -t mounts < <(findmnt -rn -o TARGET | grep -E "^$root(/|$)" | sort -r)
    for m in "${mounts[@]}"; do
        umount "$m" 2>/dev/null || umount -l "$m" || echo "fresh-check: could not unmount $m" >&2
    done
    if findmnt -rn -o TARGET | grep -qE "^$root(/|$)"; then
        echo "fresh-check: mounts remain under $root; left in place" >&2
        status=1
    else
        rm -rf --one-file-system "$work"
    fi
    say "$( [ "$status" -eq 0 ] && echo passed || echo FAILED) in $(took "$start")"
    exit "$status"
}
child=""
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Long steps run in the background so that a signal stops the check at once (bash runs its
# traps only between commands, and wait is one).
waited() {
    local status=0
    "$@" &
    child=$!
    wait "$child" || status=$?
    child=""
    return "$status"
}
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "${proxy_env[@]}" "$@"; }
# shellcheck disable=SC2016 # dpkg-query's format, not the shell's
installed() { in_root dpkg-query -W -f='${db:Status-Abbrev}\n' | grep -c '^ii'; }
proxy_env=()
for v in http_proxy https_proxy ftp_proxy all_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY ALL_PROXY NO_PROXY; do
    [ -z "${!v:-}" ] || proxy_env+=("$v=${!v}")
done

# --- A minimal Debian 12 ---------------------------------------------------------------------
t="$(clock)"
waited debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; die "debootstrap failed (log above)"; }
say "debootstrap --variant=minbase bookworm: $(took "$t")"

{
    echo "deb $mirror bookworm main"
    echo "deb $mirror bookworm-updates main"
    [ -z "$security" ] || echo "deb ${security%/} bookworm-security main"
} >"$root/etc/apt/sources.list"
# This machine's apt proxy settings, if any.
apt-config dump | grep -E '^Acquire::(http|https|ftp)::Proxy' >"$root/etc/apt/apt.conf.d/01proxy" ||
    rm -f "$root/etc/apt/apt.conf.d/01proxy"
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
printf '127.0.0.1 localhost\n127.0.1.1 %s\n' "$(hostname)" >"$root/etc/hosts"
# The local CA certificates go in before ca-certificates, whose set-up adds them.
if compgen -G "/usr/local/share/ca-certificates/*" >/dev/null; then
    cp -r /usr/local/share/ca-certificates/. "$root/usr/local/share/ca-certificates/"
    say "local CA certificates: $(cd /usr/local/share/ca-certificates && find . -name '*.crt' | sed 's|^\./||' | tr '\n' ' ')"
fi

mount -t proc proc "$root/proc"
mount -t sysfs -o ro,nosuid,nodev,noexec sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --make-private "$root/dev"
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$root/dev/pts"
mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$root/dev/shm"
chmod 1777 "$root/tmp"

t="$(clock)"
base="$(installed)"
if ! { waited in_root apt-get update -qq &&
    waited in_root DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends git sudo ca-certificates; } \
    >>"$work/apt.log" 2>&1; then
    tail -n 20 "$work/apt.log" >&2
    die "installing git, sudo and ca-certificates failed"
fi
in_root update-ca-certificates >/dev/null
fresh="$(installed)"
say "minbase has $base packages; git, sudo and ca-certificates make it $fresh ($(took "$t"))"
run_list="$(scripts/install-deps.sh --list run)"
test_list="$(scripts/install-deps.sh --list test)"
# shellcheck disable=SC2086 # the lists are words
say "on this system scripts/run.sh would install $(in_root apt-get install -s --no-install-recommends $run_list | grep -c '^Inst') packages, scripts/test.sh $(in_root apt-get install -s --no-install-recommends $test_list | grep -c '^Inst')"

# --- A user with sudo and the commit under test ----------------------------------------------
user=tester
in_root useradd -m -s /bin/bash "$user"
echo "$user ALL=(ALL) NOPASSWD: ALL" >"$root/etc/sudoers.d/$user"
chmod 0440 "$root/etc/sudoers.d/$user"
home="/home/$user"
git clone -q "$repo" "$root$home/cifrovex"
git -C "$root$home/cifrovex" checkout -q --detach "$commit" ||
    die "$commit is on no branch of $repo, so it cannot be cloned"
runtime="/tmp/runtime-$user"
mkdir -m 0700 "$root$runtime"
in_root chown -R "$user:$user" "$home/cifrovex" "$runtime"
as_user() {
    chroot --userspec="$user:$user" "$root" /usr/bin/env -i HOME="$home" USER="$user" LOGNAME="$user" \
        SHELL=/bin/bash PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$runtime" \
        "${proxy_env[@]}" "$@"
}

# --- README's test command -------------------------------------------------------------------
t="$(clock)"
say "running scripts/test.sh as $user (log: build/fresh-check.log)"
status=0
waited as_user /bin/bash -c 'cd ~/cifrovex && scripts/test.sh' </dev/null >"$log" 2>&1 || status=$?
after_test="$(installed)"
grep -E '^install-deps:' "$log" || true
sed -n '/tests passed/,$p' "$log"
[ "$status" -eq 0 ] || { tail -n 60 "$log" >&2; die "scripts/test.sh failed (exit $status) after $(took "$t")"; }
say "scripts/test.sh passed in $(took "$t"); it installed $((after_test - fresh)) packages"
! grep -q 'debconf: unable to initialize frontend' "$log" || die "apt ran without DEBIAN_FRONTEND reaching it (debconf warnings in $log)"

# --- README's run command, until the level dialog is on a virtual display ----------------------
t="$(clock)"
display="${CIFROVEX_FRESH_DISPLAY:-41}"
as_user Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$work/xvfb.log" 2>&1 &
for _ in $(seq 100); do
    as_user DISPLAY=":$display" xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.1
done
as_user DISPLAY=":$display" /bin/bash -c 'cd ~/cifrovex && scripts/run.sh' </dev/null >"$work/run.log" 2>&1 &
program=$!
until as_user DISPLAY=":$display" xdotool search --onlyvisible --name '^Уровень сложности$' >/dev/null 2>&1; do
    if ! kill -0 "$program" 2>/dev/null || [ $(( $(clock) - t )) -gt 600 ]; then
        tail -n 40 "$work/run.log" "$work/xvfb.log" >&2
        die "scripts/run.sh showed no level dialog"
    fi
    sleep 1
done
if [ -n "${CIFROVEX_FRESH_SCREENSHOT:-}" ]; then
    as_user DISPLAY=":$display" import -window root /tmp/screen.png && cp "$root/tmp/screen.png" "$CIFROVEX_FRESH_SCREENSHOT"
fi
say "scripts/run.sh showed the level dialog in $(took "$t"); it installed $(( $(installed) - after_test )) packages more"
