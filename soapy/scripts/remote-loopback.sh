#!/usr/bin/env bash
# remote-loopback.sh COMMAND...: serves the receiver with SoapySDRServer on
# 127.0.0.1 and runs COMMAND as its client, with "{url}" in COMMAND replaced
# by the server's address. Everything runs in a network namespace of its own
# where only loopback exists, with a D-Bus and a DNS-SD daemon of its own
# (the server quits without one); none of it can announce anything outside.
# Each daemon is ended by its process id. Needs root (unshare).
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    exec unshare --net --mount --propagation private "$0" --inside "$@"
fi
shift

ip link set lo up
# Avahi keeps its pid file under /run: a tmpfs of this namespace's own.
mount -t tmpfs tmpfs /run
mkdir -p /run/avahi-daemon
work=$(mktemp -d)
pids=()
finish() {
    local pid
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        pid=${pids[i]}
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap finish EXIT

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || { echo "remote-loopback: timed out waiting for $*" >&2; return 1; }
        sleep 0.05
    done
}

cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$work/bus.conf" --nofork --nopidfile 2>"$work/dbus.log" &
pids+=($!)
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/bus"
wait_for 10 test -S "$work/bus"

cat >"$work/avahi.conf" <<CONF
[server]
use-ipv4=yes
use-ipv6=no
enable-dbus=yes
[publish]
publish-hinfo=no
publish-workstation=no
CONF
avahi-daemon --file="$work/avahi.conf" --no-drop-root --no-chroot --no-rlimits --no-proc-title \
    >"$work/avahi.log" 2>&1 &
pids+=($!)
has_avahi() {
    dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Avahi | grep -q 'boolean true'
}
wait_for 10 has_avahi

port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
SoapySDRServer --bind="127.0.0.1:$port" >"$work/server.log" 2>&1 &
server=$!
pids+=($server)
listening() { /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)"; }
if ! wait_for 10 listening; then
    cat "$work/server.log" >&2
    exit 1
fi

args=()
for arg in "$@"; do args+=("${arg//\{url\}/tcp://127.0.0.1:$port}"); done
# From /proc: /sys still shows the outer namespace's devices.
loopback_bytes() { awk -F'[: ]+' '$2 == "lo" {print $3}' /proc/net/dev; }
bytes_before=$(loopback_bytes)
set +e
"${args[@]}"
status=$?
set -e
if [ -n "${REMOTE_LOOPBACK_SERVER_CPU:-}" ]; then
    # utime and stime of the server, in clock ticks, for the figures.
    awk '{print $14 + $15}' "/proc/$server/stat" >"$REMOTE_LOOPBACK_SERVER_CPU"
fi
if [ -n "${REMOTE_LOOPBACK_BYTES:-}" ]; then
    # Bytes through loopback while COMMAND ran: only its traffic is there.
    echo $(($(loopback_bytes) - bytes_before)) >"$REMOTE_LOOPBACK_BYTES"
fi
[ $status -eq 0 ] || cat "$work/server.log" >&2
exit $status
