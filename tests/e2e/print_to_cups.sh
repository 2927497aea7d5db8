#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# PRINT end to end: a private CUPS server with a PDF queue as the default printer, the window
# under Xvfb, a click on PRINT, and the PDF of the window in the queue's output folder.
set -euo pipefail
tarvo="$1"
source "$(dirname "$0")/common.sh"

# The server keeps everything in the work folder and listens on a socket there only.
cups="$work/cups"
mkdir -p "$cups"/{spool/tmp,cache,state,log,run}
cp -r /etc/cups/ppd /etc/cups/ssl "$cups/" 2>/dev/null || mkdir -p "$cups/ppd" "$cups/ssl"
cat >"$cups/cupsd.conf" <<CONF
Listen $cups/cups.sock
LogLevel ${CUPS_LOG_LEVEL:-warn}
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$cups/cups-files.conf" <<CONF
ServerRoot $cups
RequestRoot $cups/spool
TempDir $cups/spool/tmp
CacheDir $cups/cache
StateDir $cups/state
ErrorLog $cups/log/error_log
AccessLog $cups/log/access_log
PageLog $cups/log/page_log
SystemGroup root
CONF
chmod -R go-w "$cups"
chmod 755 "$cups" "$cups/spool"
/usr/sbin/cupsd -f -c "$cups/cupsd.conf" -s "$cups/cups-files.conf" &
pids+=($!)
export CUPS_SERVER="$cups/cups.sock"
for _ in $(seq 50); do
    [ -S "$CUPS_SERVER" ] && lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
done

# cups-pdf writes the job's PDF into PDF/ in the job owner's home as the system knows it.
outbox="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
touch "$work/before"
# (lpadmin warns that PPD drivers are deprecated; cups-pdf still ships one.)
lpadmin -p TarvoPDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
lpadmin -d TarvoPDF
[ "$(lpstat -d)" = "system default destination: TarvoPDF" ]

start_display
start_tarvo "$tarvo"
window=$tarvo_window
# PRINT (Command3) sits at 6960, 6240 twips, 1095 x 375: its centre in pixels.
click_client 500 428

found=""
for _ in $(seq 150); do
    found=$(find "$outbox" /var/spool/cups-pdf -name 'TARVO*.pdf' -newer "$work/before" \
        -size +1k 2>/dev/null | head -n 1 || true)
    [ -n "$found" ] && break
    sleep 0.2
done
if [ -z "$found" ]; then
    echo "no PDF came out of the queue" >&2
    lpstat -W all -o 2>&1 >&2 || true
    lpstat -p >&2 || true
    grep -E "^E|cups-pdf|Job" "$cups/log/error_log" | tail -n 30 >&2 || true
    exit 1
fi
head -c 4 "$found" | grep -q '%PDF'
echo "printed: $(stat -c %s "$found") bytes of PDF"
rm -f "$found"
