#!/usr/bin/env bash
# Starts or stops a private CUPS server for the printing tests.
#   cups-harness.sh start STATE PPD   makes a private tree, starts cupsd on a free loopback port
#                                     with a capture backend and the queues PdfQ and RawQ, and
#                                     writes the tree's path and the port into the file STATE
#   cups-harness.sh stop STATE        stops that server by its process id and removes the tree
# Every job the capture backend receives lands in <tree>/out/<job id>.{args,env,doc} and then
# <job id>.done, so a test waits for .done before it reads the others.
set -euo pipefail

action=$1
state=$2

stop() {
  [ -f "$state" ] || return 0
  # shellcheck disable=SC1090
  . "$state"
  if [ -n "${CUPS_PID:-}" ] && kill -0 "$CUPS_PID" 2>/dev/null; then
    kill "$CUPS_PID"
    for _ in $(seq 50); do kill -0 "$CUPS_PID" 2>/dev/null || break; sleep 0.1; done
  fi
  [ -n "${CUPS_TREE:-}" ] && rm -rf "$CUPS_TREE"
  rm -f "$state"
}

if [ "$action" = stop ]; then
  stop
  exit 0
fi

ppd=$3
stop
for tool in cupsd lpadmin lpstat; do
  command -v "$tool" >/dev/null || PATH="$PATH:/usr/sbin"
done

tree=$(mktemp -d /tmp/orvane-cups.XXXXXX)
# cupsd drops to lp for backends and filters: the tree must be reachable and out/ writable by it.
chmod 755 "$tree"
mkdir -p "$tree"/{etc,spool,cache,state,log,bin/backend,out}
mkdir -p "$tree/spool/tmp"
chmod 1777 "$tree/out" "$tree/spool/tmp"
chmod 755 "$tree/bin" "$tree/bin/backend"

cat > "$tree/bin/backend/capture" <<'BACKEND'
#!/bin/sh
# Capture backend: writes what a printer would have been sent, then marks the job done.
if [ $# -eq 0 ]; then
  echo 'direct capture "Unknown" "Capture backend"'
  exit 0
fi
out=$(dirname "$0")/../../out
job=$1
printf 'job=%s\nuser=%s\ntitle=%s\ncopies=%s\noptions=%s\n' "$1" "$2" "$3" "$4" "$5" > "$out/$job.args"
printf 'CONTENT_TYPE=%s\nFINAL_CONTENT_TYPE=%s\nDEVICE_URI=%s\n' "$CONTENT_TYPE" "$FINAL_CONTENT_TYPE" "$DEVICE_URI" > "$out/$job.env"
if [ -n "$6" ]; then cat "$6" > "$out/$job.doc"; else cat > "$out/$job.doc"; fi
touch "$out/$job.done"
exit 0
BACKEND
chmod 755 "$tree/bin/backend/capture"
# Filters and the rest of the server's helpers come from the system.
for d in /usr/lib/cups/*; do
  [ "$(basename "$d")" = backend ] || ln -s "$d" "$tree/bin/$(basename "$d")"
done

cat > "$tree/etc/cups-files.conf" <<CONF
ServerRoot $tree/etc
RequestRoot $tree/spool
TempDir $tree/spool/tmp
CacheDir $tree/cache
StateDir $tree/state
ServerBin $tree/bin
DataDir /usr/share/cups
AccessLog $tree/log/access_log
ErrorLog $tree/log/error_log
PageLog $tree/log/page_log
User lp
Group lp
CONF

for attempt in $(seq 20); do
  port=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then continue; fi
  cat > "$tree/etc/cupsd.conf" <<CONF
Listen 127.0.0.1:$port
Browsing No
WebInterface No
DefaultAuthType None
DefaultPaperSize A4
LogLevel warn
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
  # Its output goes to the tree, so that the test that starts it is not held open by a pipe.
  cupsd -f -c "$tree/etc/cupsd.conf" -s "$tree/etc/cups-files.conf" >"$tree/log/cupsd.out" 2>&1 &
  pid=$!
  printf 'CUPS_TREE=%s\nCUPS_PORT=%s\nCUPS_PID=%s\n' "$tree" "$port" "$pid" > "$state"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    if lpstat -h "127.0.0.1:$port" -r >/dev/null 2>&1; then
      export CUPS_SERVER="127.0.0.1:$port"
      # A server that has just begun to answer may still refuse its first changes: retry.
      for _ in $(seq 20); do
        if lpadmin -p PdfQ -E -v capture:/pdf -P "$ppd" 2>/dev/null &&
           lpadmin -p RawQ -E -v capture:/raw && lpadmin -d PdfQ; then
          exit 0
        fi
        sleep 0.2
      done
      break
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
echo "cups-harness: cupsd did not start; see $tree/log/error_log" >&2
exit 1
