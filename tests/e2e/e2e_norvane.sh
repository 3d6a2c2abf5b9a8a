#!/usr/bin/env bash
# End to end, as a user works: the real norvane program, started without switches,
# talks TDS to labdb-server on loopback, prints through CUPS to the default printer
# (a cups-pdf queue of this test's own) and is driven from outside with xdotool on
# an Xvfb display, the way a barcode scanner and a mouse drive it.
#
#   e2e_norvane.sh --norvane BIN --server BIN --log-tool BIN --work DIR
#
# Exit codes: 0 passed, 1 failed, 77 cannot run here (not root, a tool missing).
# Everything it starts is stopped on exit, whatever happens; on failure DIR keeps
# the logs, the PDF files, the print log and screenshots.
set -euo pipefail

SKIP=77
NORVANE='' SERVER='' LOGTOOL='' WORK=''
while [ $# -gt 0 ]; do
    case "$1" in
    --norvane) NORVANE=$2; shift 2 ;;
    --server) SERVER=$2; shift 2 ;;
    --log-tool) LOGTOOL=$2; shift 2 ;;
    --work) WORK=$2; shift 2 ;;
    *) echo "usage: $0 --norvane BIN --server BIN --log-tool BIN --work DIR" >&2; exit 2 ;;
    esac
done
[ -n "$NORVANE" ] && [ -n "$SERVER" ] && [ -n "$LOGTOOL" ] && [ -n "$WORK" ] || {
    echo "usage: $0 --norvane BIN --server BIN --log-tool BIN --work DIR" >&2; exit 2; }

# ---------------------------------------------------------------------------
# What the sample database holds (labdb/sampledata.cpp: the fixed exams of the
# first two patients; every exam has a barcode of its own, hematology "T...C",
# chemistry numeric, microscopy and microbiology "...B", counted on across
# patients). Written out here rather than asked of the program under test.
FIRST_NUMBER=CS202400001   # O'BRIEN, MARGARET: CBC, platelet count, FBS, creatinine, urinalysis
FIRST_BARCODES=(T1000001C T1000002C 200000001 200000002 3000001B)
SECOND_NUMBER=CS202400002  # PEÑA, JOSÉ LUIS: CBC, ESR, HbA1c, urine culture
SECOND_BARCODES=(T1000003C T1000004C 200000003 3000002B)
THIRD_NUMBER=3000001B      # O'BRIEN's urinalysis request: one exam
THIRD_BARCODES=(3000001B)
FIRST_COPIES=4   # enough stickers that the run is still printing while the next scan is typed

# The main window fills the screen; fraMain (18465 x 10155 twips) is centred in
# it, fraExams lies at (10410, 4050) in fraMain, and inside fraExams txtCopies at
# (6705, 4005) sized 600 x 465, cmdGenerate at (2430, 4770) and cmdNew at
# (4950, 4770), both sized 2445 x 960.
# 15 twips are one pixel.
SCREEN_W=1280 SCREEN_H=800
FRAMAIN_W=$((18465 / 15)) FRAMAIN_H=$((10155 / 15))
FRAEXAMS_X=$((10410 / 15)) FRAEXAMS_Y=$((4050 / 15))

# ---------------------------------------------------------------------------
T0=$(date +%s%N)
say() { local ms=$((($(date +%s%N) - T0) / 1000000)); printf "[%3d.%03d] %s\n" $((ms / 1000)) $((ms % 1000)) "$*"; }
skip() { echo "SKIPPED: $*"; exit $SKIP; }

[ "$(id -u)" -eq 0 ] || skip "needs root: it adds a CUPS queue and a cups-pdf configuration (run the test command as root)"
for tool in Xvfb xdotool pdftoppm zbarimg lpadmin lpstat cancel cupsd cupsaccept cupsreject; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing: run scripts/install-deps.sh --test"
done
CUPS_PDF_BACKEND=/usr/lib/cups/backend/cups-pdf
CUPS_PDF_PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
[ -x "$CUPS_PDF_BACKEND" ] && [ -f "$CUPS_PDF_PPD" ] || skip "cups-pdf is missing: run scripts/install-deps.sh --test"
for bin in "$NORVANE" "$SERVER" "$LOGTOOL"; do
    [ -x "$bin" ] || { echo "FAIL: $bin is not built" >&2; exit 1; }
done

rm -rf "$WORK"
mkdir -p "$WORK/home/.config" "$WORK/home/.cups" "$WORK/home/.local/share" "$WORK/runtime" "$WORK/artifacts"
chmod 700 "$WORK/runtime"
WORK=$(cd "$WORK" && pwd)

QUEUE="norvane-e2e-$$"
QUEUE_CONF="/etc/cups/cups-pdf-$QUEUE.conf"
SHARED_CONF=/etc/cups/cups-pdf.conf
SHARED_CONF_BACKUP=''
# cups-pdf's AppArmor profile lets it write under /var/spool/cups-pdf/ whatever the host.
PDF_DIR=''
DISPLAY_NUM='' XVFB_PID='' SERVER_PID='' NORVANE_PID='' CUPSD_PID=''
FAILED=1

stop_pid() { # pid name
    local pid=$1 i
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    kill -TERM "$pid" 2>/dev/null || true
    for i in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        echo "$2 ($pid) did not end on TERM: killed" >&2
        kill -KILL "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
}

cleanup() {
    local rc=$?
    set +e
    trap - EXIT INT TERM
    [ $rc -ne 0 ] && FAILED=1
    stop_pid "$NORVANE_PID" norvane
    stop_pid "$SERVER_PID" labdb-server
    stop_pid "$XVFB_PID" Xvfb
    if lpstat -r >/dev/null 2>&1 && lpstat -p "$QUEUE" >/dev/null 2>&1; then
        cancel -a "$QUEUE" 2>/dev/null
        lpadmin -x "$QUEUE"
    fi
    rm -f "$QUEUE_CONF"
    if [ -n "$SHARED_CONF_BACKUP" ]; then
        cp -p "$SHARED_CONF_BACKUP" "$SHARED_CONF" && rm -f "$SHARED_CONF_BACKUP"
    fi
    stop_pid "$CUPSD_PID" cupsd
    if [ -n "$PDF_DIR" ] && [ -d "$PDF_DIR" ]; then
        [ "$FAILED" -ne 0 ] && cp -r "$PDF_DIR" "$WORK/artifacts/pdf" 2>/dev/null
        rm -rf "$PDF_DIR"
    fi
    if [ "$FAILED" -ne 0 ]; then
        echo "Logs, PDF files and screenshots kept in $WORK"
        [ $rc -eq 0 ] && rc=1
    else
        rm -rf "$WORK"
    fi
    exit $rc
}
trap cleanup EXIT
trap 'exit 1' INT TERM

screenshot() { # name
    [ -n "$DISPLAY_NUM" ] && import -display ":$DISPLAY_NUM" -window root "$WORK/artifacts/$1.png" 2>/dev/null || true
}

fail() {
    echo "FAIL: $*" >&2
    screenshot failure
    if [ -n "$NORVANE_PID" ] && ! kill -0 "$NORVANE_PID" 2>/dev/null; then
        local status=0
        wait "$NORVANE_PID" 2>/dev/null || status=$?
        echo "norvane is not running any more (exit status $status); its output:" >&2
        tail -n 30 "$WORK/norvane.log" >&2
        NORVANE_PID=''
    fi
    exit 1
}

# wait_for SECONDS WHAT COMMAND...: polls COMMAND every 0.1 s; fails with WHAT on
# timeout, or at once when norvane has ended.
wait_for() {
    local timeout=$1 what=$2
    shift 2
    local deadline=$(($(date +%s%N) + timeout * 1000000000))
    while ! "$@"; do
        if [ -n "$NORVANE_PID" ] && ! kill -0 "$NORVANE_PID" 2>/dev/null; then
            fail "norvane ended while waiting for: $what"
        fi
        [ "$(date +%s%N)" -lt "$deadline" ] || fail "timed out after ${timeout}s waiting for: $what"
        sleep 0.1
    done
}

# Remove what a run of this test that was killed outright (SIGKILL) left in CUPS.
for stale in $(lpstat -p 2>/dev/null | awk '$2 ~ /^norvane-e2e-[0-9]+$/ { print $2 }'); do
    kill -0 "${stale##*-}" 2>/dev/null && continue
    lpadmin -x "$stale" 2>/dev/null || true
    rm -f "/etc/cups/cups-pdf-$stale.conf"
done

# ---------------------------------------------------------------------------
# The laboratory's server: a fresh sample database, a login of its own. Its clock
# runs nine hours ahead of the workstation's (TZ), so that a date row stamped
# with the workstation's clock instead of the server's is caught.
SERVER_TZ='LAB-9'        # POSIX TZ: UTC+9, needs no time-zone files
WORKSTATION_TZ='UTC0'
DB_USER=e2e_labuser
DB_PASSWORD='E2e;pw{x=1'
say "starting labdb-server"
TZ=$SERVER_TZ "$SERVER" --demo --database "$WORK/laboratory.sqlite" --port 0 \
    --user "$DB_USER" --password "$DB_PASSWORD" --log "$WORK/server-requests.log" \
    >"$WORK/server.out" 2>"$WORK/server.err" &
SERVER_PID=$!
server_listening() { grep -qs 'listening on 127.0.0.1:[0-9]' "$WORK/server.out"; }
wait_for 30 "labdb-server to listen" server_listening
PORT=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$WORK/server.out" | head -n 1)
say "labdb-server on 127.0.0.1:$PORT"

cat >"$WORK/home/.config/ZEMRIX Current User.conf" <<EOF
[Connection]
Server="127.0.0.1,$PORT"
Database=Laboratory
User=$DB_USER
Password="$DB_PASSWORD"
EOF

# ---------------------------------------------------------------------------
# CUPS: start the scheduler if it is not running; a cups-pdf queue writing into
# a folder of this test's; the default printer of the throw-away home only.
if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    say "starting cupsd"
    cupsd -f >"$WORK/cupsd.log" 2>&1 &
    CUPSD_PID=$!
    cups_running() { lpstat -r 2>/dev/null | grep -q 'is running'; }
    wait_for 30 "cupsd to run" cups_running
fi
mkdir -p /var/spool/cups-pdf
PDF_DIR=$(mktemp -d /var/spool/cups-pdf/norvane-e2e.XXXXXX)
chmod 755 "$PDF_DIR"
conf_text() {
    printf 'Out %s\nAnonDirName %s\nLabel 2\nGrp lpadmin\n' "$PDF_DIR" "$PDF_DIR"
}
# cups-pdf reads /etc/cups/cups-pdf-<name>.conf for the device cups-pdf:/<name>;
# an enforcing AppArmor profile lets it read the shared file only, so there the
# shared file is swapped for the test's and put back afterwards.
if grep -q 'cups-pdf (enforce)' /sys/kernel/security/apparmor/profiles 2>/dev/null; then
    SHARED_CONF_BACKUP="$SHARED_CONF.norvane-e2e-$$"
    cp -p "$SHARED_CONF" "$SHARED_CONF_BACKUP"
    conf_text >"$SHARED_CONF"
    DEVICE="cups-pdf:/"
else
    conf_text >"$QUEUE_CONF"
    DEVICE="cups-pdf:/$QUEUE"
fi
# The queue stands for a thermal label printer: 203 dots per inch.
sed -e 's/^\*DefaultResolution: .*/*DefaultResolution: 203dpi/' \
    -e '/^\*OpenUI \*Resolution/a *Resolution 203dpi/203 DPI: "<</HWResolution[203 203]>>setpagedevice"' \
    "$CUPS_PDF_PPD" >"$WORK/label-printer.ppd"
lpadmin -p "$QUEUE" -E -v "$DEVICE" -P "$WORK/label-printer.ppd" 2>"$WORK/lpadmin.err" \
    || { cat "$WORK/lpadmin.err" >&2; fail "lpadmin could not add the queue $QUEUE"; }
echo "Default $QUEUE" >"$WORK/home/.cups/lpoptions"
cups_env=(env -u LPDEST -u PRINTER HOME="$WORK/home")
"${cups_env[@]}" lpstat -d | grep -q ": $QUEUE\$" || fail "lpoptions did not make $QUEUE the default printer"
say "queue $QUEUE writes into $PDF_DIR ($DEVICE)"

# ---------------------------------------------------------------------------
say "starting Xvfb"
Xvfb -displayfd 5 -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp -noreset \
    5>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
display_ready() { [ -s "$WORK/display" ] || { kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start"; return 1; }; }
wait_for 30 "Xvfb to start" display_ready
DISPLAY_NUM=$(head -n 1 "$WORK/display")
export DISPLAY=":$DISPLAY_NUM"
say "display $DISPLAY"

say "starting norvane"
env -u LPDEST -u PRINTER -u QT_QPA_PLATFORM -u LANGUAGE -u LC_ALL -u LANG -u LC_TIME \
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_DATA_HOME="$WORK/home/.local/share" \
    XDG_CACHE_HOME="$WORK/home/.cache" XDG_RUNTIME_DIR="$WORK/runtime" \
    LC_ALL=en_US.UTF-8 TZ=$WORKSTATION_TZ QT_QPA_PLATFORM=xcb DISPLAY="$DISPLAY" \
    "$NORVANE" >"$WORK/norvane.log" 2>&1 &
NORVANE_PID=$!

WINDOW=''
find_window() { WINDOW=$(xdotool search --onlyvisible --name '^ Norvane$' 2>/dev/null | head -n 1); [ -n "$WINDOW" ]; }
wait_for 30 "the main window ' Norvane'" find_window
message_box() { xdotool search --onlyvisible --name '^Norvane$' 2>/dev/null | head -n 1; }
no_message_box() { [ -z "$(message_box)" ]; }
X=0 Y=0 WIDTH=0 HEIGHT=0
fills_screen() {
    eval "$(xdotool getwindowgeometry --shell "$WINDOW" | grep -E "^(X|Y|WIDTH|HEIGHT)=[0-9]+\$")"
    [ "$X" -eq 0 ] && [ "$Y" -eq 0 ] && [ "$WIDTH" -eq "$SCREEN_W" ] && [ "$HEIGHT" -eq "$SCREEN_H" ]
}
wait_for 10 "the main window to fill the ${SCREEN_W}x$SCREEN_H screen" fills_screen
say "main window $WINDOW fills the screen"
EXAMS_LEFT=$((X + (WIDTH - FRAMAIN_W) / 2 + FRAEXAMS_X))
EXAMS_TOP=$((Y + (HEIGHT - FRAMAIN_H) / 2 + FRAEXAMS_Y))
# Centre of a control of fraExams given in twips.
point_in_exams() { echo "$((EXAMS_LEFT + ($1 + $3 / 2) / 15)) $((EXAMS_TOP + ($2 + $4 / 2) / 15))"; }
read -r COPIES_X COPIES_Y <<<"$(point_in_exams 6705 4005 600 465)"
read -r PRINT_X PRINT_Y <<<"$(point_in_exams 2430 4770 2445 960)"
read -r RESET_X RESET_Y <<<"$(point_in_exams 4950 4770 2445 960)"

scan() { # number: typed as a scanner does, ended by Enter
    xdotool type --delay 5 "$1"
    xdotool key Return
}
# (mousemove --sync waits for the pointer to move: never when it is there already.)
click_at() {
    local X Y SCREEN WINDOW
    eval "$(xdotool getmouselocation --shell)"
    [ "$X" = "$1" ] && [ "$Y" = "$2" ] || xdotool mousemove --sync "$1" "$2"
    xdotool click 1
}

# ---------------------------------------------------------------------------
# Reading the results.
pdf_files() { # the queue's PDF files in job order
    find "$PDF_DIR" -maxdepth 1 -name '*-job_*.pdf' -printf '%f\n' \
        | sed -n 's/.*-job_\([0-9]*\)\.pdf$/\1 &/p' | sort -n | cut -d' ' -f2-
}
pdf_count() { pdf_files | wc -l; }
queue_empty() { [ -z "$(lpstat -o "$QUEUE" 2>/dev/null)" ]; }

# decode_pdfs FROM EXPECTED...: the queue's PDF files from the FROM-th on (in job
# order) are exactly as many as EXPECTED and read, one by one, as those barcodes
# when rasterised at the label printer's 203 dpi.
decode_pdfs() {
    local from=$1
    shift
    local files i=0 file got expected
    mapfile -t files < <(pdf_files | tail -n +"$from")
    [ "${#files[@]}" -eq $# ] || fail "expected $# PDF files from the ${from}th on, the queue wrote ${#files[@]}: ${files[*]}"
    for expected in "$@"; do
        file=${files[$i]}
        rm -f "$WORK"/decode*.png
        pdftoppm -r 203 -mono -png "$PDF_DIR/$file" "$WORK/decode" 2>>"$WORK/pdftoppm.err" \
            || fail "pdftoppm could not read $file"
        got=$(zbarimg -q --raw "$WORK"/decode*.png 2>/dev/null | tr -d '\r') || true
        [ "$got" = "$expected" ] || fail "sticker $((from + i)) ($file) reads '$got' at 203 dpi, expected '$expected'"
        i=$((i + 1))
    done
    rm -f "$WORK"/decode*.png
}

repeat_each() { # COUNT ITEMS...: each item COUNT times, in order
    local n=$1 item k
    shift
    for item in "$@"; do for ((k = 0; k < n; k++)); do echo "$item"; done; done
}

# The print log on the server's database file, through labdb-log. log_table
# Master|Date prints that table's rows, one a line, cells separated by "|"
# (labdb-log pads its columns; the dashed rule under the header gives their spans).
LOG_TEXT="$WORK/print-log.txt"
log_table() {
    if ! "$LOGTOOL" "$WORK/laboratory.sqlite" >"$LOG_TEXT" 2>&1; then
        echo "labdb-log failed: $(cat "$LOG_TEXT")" >&2
        return 1
    fi
    awk -v table="$1" '
        /^(Master|Date) rows/ { inside = index($0, table " rows") == 1; state = 1; next }
        !inside { next }
        state == 1 { state = 2; next }
        state == 2 {
            n = 0; pos = 1
            while (match(substr($0, pos), /-+/)) {
                n++; start[n] = pos + RSTART - 1; width[n] = RLENGTH; pos = start[n] + RLENGTH
            }
            state = 3; next
        }
        state == 3 && NF == 0 { inside = 0; next }
        state == 3 {
            line = ""
            for (i = 1; i <= n; i++) {
                cell = substr($0, start[i], width[i]); gsub(/^ +| +$/, "", cell)
                line = line (i > 1 ? "|" : "") cell
            }
            print line
        }
    ' "$LOG_TEXT"
}
master_count() { log_table Master | wc -l; }

# check_log FROM REFNUM T_FROM T_TO BARCODES...: master rows from the FROM-th on
# are exactly one per barcode, in order, for chargeslip REFNUM; each has its date
# row (same request and item, status 0); both rows are stamped with the server's
# clock between T_FROM and T_TO (epoch seconds): the database's own time of the
# call, and the print date that the program read from the server.
check_log() {
    local from=$1 refnum=$2 t_from=$3 t_to=$4
    shift 4
    local masters dates i m d mcell dcell stamp when
    mapfile -t masters < <(log_table Master | tail -n +"$from")
    mapfile -t dates < <(log_table Date | tail -n +"$from")
    [ "${#masters[@]}" -eq $# ] || fail "expected $# master rows from the ${from}th on, the log has ${#masters[@]} (see $LOG_TEXT)"
    [ "${#dates[@]}" -eq $# ] || fail "expected $# date rows from the ${from}th on, the log has ${#dates[@]} (see $LOG_TEXT)"
    i=0
    for barcode in "$@"; do
        IFS='|' read -r -a mcell <<<"${masters[$i]}"
        IFS='|' read -r -a dcell <<<"${dates[$i]}"
        # Master: RefNum IdNum HospNum Barcode ItemID SpecimenID SectionID RequestNum ProfileID SavedAt
        # Date:   RequestNum ItemID SectionID PrintDate Status Remarks SavedAt
        [ "${mcell[3]}" = "$barcode" ] || fail "master row $((from + i)) logs barcode '${mcell[3]}', expected '$barcode'"
        [ "${mcell[0]}" = "$refnum" ] || fail "master row $((from + i)) logs chargeslip '${mcell[0]}', expected '$refnum'"
        [ "${dcell[0]}/${dcell[1]}/${dcell[2]}" = "${mcell[7]}/${mcell[4]}/${mcell[6]}" ] \
            || fail "date row $((from + i)) (${dcell[*]}) is not for the request/item/section of master row ${mcell[*]}"
        [ "${dcell[4]}" = 0 ] || fail "date row $((from + i)) has status '${dcell[4]}', expected 0"
        for stamp in "${mcell[9]}" "${dcell[6]}" "${dcell[3]}"; do
            when=$(TZ=$SERVER_TZ date -d "$stamp" +%s 2>/dev/null) || fail "log row $((from + i)): '$stamp' is not a date and time"
            [ "$when" -ge $((t_from - 1)) ] && [ "$when" -le $((t_to + 1)) ] \
                || fail "log row $((from + i)): '$stamp' is not the server's time of the run (server clock $(TZ=$SERVER_TZ date -d "@$t_from" '+%F %T') to $(TZ=$SERVER_TZ date -d "@$t_to" '+%F %T'))"
        done
        i=$((i + 1))
    done
}

# The searches that reached the server, in order: "<number>',<mode>".
searches() { sed -n "s/.*Laboratory\.\.Lab_Barcode_GetRequests '\(.*',[0-9]\)$/\1/p" "$WORK/server-requests.log"; }
search_count() { searches | wc -l; }
# wait_for_search N NUMBER: the N-th search has reached the server and was for NUMBER.
wait_for_search() {
    local n=$1 number=$2 got
    search_count_reaches() { [ "$(search_count)" -ge "$1" ]; }
    wait_for 20 "search $n ($number) to reach the server" search_count_reaches "$n"
    got=$(searches | sed -n "${n}p")
    [ "${got%\',*}" = "$number" ] || fail "search $n asked the server for '${got%\',*}', expected '$number' (the number box was not empty?)"
}
finished() { # PDFS MASTERS: the queue has written PDFS files and is idle; the log holds MASTERS rows
    [ "$(pdf_count)" -ge "$1" ] && queue_empty && [ "$(master_count)" -ge "$2" ]
}

# ---------------------------------------------------------------------------
# 1. A scan, copies 2, Print; a second patient scanned while the first one's
#    stickers are printing.
xdotool windowfocus --sync "$WINDOW"
no_message_box || fail "a message box is open before the first scan"
say "scanning $FIRST_NUMBER"
scan "$FIRST_NUMBER"
wait_for_search 1 "$FIRST_NUMBER"
click_at "$COPIES_X" "$COPIES_Y"
xdotool key ctrl+a
xdotool type --delay 5 "$FIRST_COPIES"
T_START=$(date +%s)
say "copies $FIRST_COPIES; clicking Print at $PRINT_X,$PRINT_Y; scanning $SECOND_NUMBER meanwhile"
click_at "$PRINT_X" "$PRINT_Y"
scan "$SECOND_NUMBER"
LOGGED_WHILE_TYPING=$(master_count)
[ "$LOGGED_WHILE_TYPING" -lt "${#FIRST_BARCODES[@]}" ] \
    || fail "the first run had ended before the second scan was typed; the test cannot show that a scan typed during a run is kept"
FIRST_PDFS=$((${#FIRST_BARCODES[@]} * FIRST_COPIES))
wait_for 90 "$FIRST_PDFS stickers of $FIRST_NUMBER and ${#FIRST_BARCODES[@]} log rows" finished "$FIRST_PDFS" "${#FIRST_BARCODES[@]}"
T_END=$(date +%s)
say "first run done (${LOGGED_WHILE_TYPING} of ${#FIRST_BARCODES[@]} exams logged when the second scan had been typed)"
mapfile -t expected < <(repeat_each "$FIRST_COPIES" "${FIRST_BARCODES[@]}")
decode_pdfs 1 "${expected[@]}"
check_log 1 "$FIRST_NUMBER" "$T_START" "$T_END" "${FIRST_BARCODES[@]}"

# The scan typed during the run went into the emptied number box once the run
# had reset the window: the server got exactly that number.
wait_for_search 2 "$SECOND_NUMBER"
no_message_box || fail "a message box came up after the second scan: $(xdotool getwindowname "$(message_box)")"
say "second patient found; Print with the copies box back at 1"
T_START=$(date +%s)
click_at "$PRINT_X" "$PRINT_Y"
wait_for 60 "the stickers of $SECOND_NUMBER" finished $((FIRST_PDFS + ${#SECOND_BARCODES[@]})) $((${#FIRST_BARCODES[@]} + ${#SECOND_BARCODES[@]}))
T_END=$(date +%s)
decode_pdfs $((FIRST_PDFS + 1)) "${SECOND_BARCODES[@]}"
check_log $((${#FIRST_BARCODES[@]} + 1)) "$SECOND_NUMBER" "$T_START" "$T_END" "${SECOND_BARCODES[@]}"
screenshot after-second-run

# ---------------------------------------------------------------------------
# 2. The default printer refuses jobs: a message, no crash, nothing logged that
#    was not printed; once it accepts again, Print prints and logs the rest.
PDFS_BEFORE=$(pdf_count)
LOGGED_BEFORE=$(master_count)
cupsreject "$QUEUE"
say "printer refuses jobs; scanning $THIRD_NUMBER"
scan "$THIRD_NUMBER"
wait_for_search 3 "$THIRD_NUMBER"
no_message_box || fail "a message box came up after the third scan: $(xdotool getwindowname "$(message_box)")"
log_table Master >"$WORK/master-before-refusal.txt"
click_at "$PRINT_X" "$PRINT_Y"
message_box_shown() { [ -n "$(message_box)" ]; }
wait_for 30 "a message box 'Norvane' after printing to a printer that refuses jobs" message_box_shown
BOX=$(message_box)
screenshot refused
sleep 1   # a log written after the failure would show up by now
kill -0 "$NORVANE_PID" 2>/dev/null || fail "norvane ended after the printer refused the job"
log_table Master | cmp -s - "$WORK/master-before-refusal.txt" \
    || fail "the print log changed although the printer refused the stickers (see $LOG_TEXT)"
[ "$(pdf_count)" -eq "$PDFS_BEFORE" ] || fail "a PDF file came out of a printer that refuses jobs"
say "message box shown; closing it"
xdotool windowfocus --sync "$BOX"
xdotool key Return
wait_for 10 "the message box to close" no_message_box
cupsaccept "$QUEUE"
sleep 0.5
kill -0 "$NORVANE_PID" 2>/dev/null || fail "norvane ended after its message box was closed"
[ "$(master_count)" -eq "$LOGGED_BEFORE" ] || fail "the print log changed after the refusal's message box was closed"

say "printer accepts again; Print once more"
xdotool windowfocus --sync "$WINDOW"
T_START=$(date +%s)
click_at "$PRINT_X" "$PRINT_Y"
wait_for 30 "the stickers of $THIRD_NUMBER" finished $((PDFS_BEFORE + ${#THIRD_BARCODES[@]})) $((LOGGED_BEFORE + ${#THIRD_BARCODES[@]}))
T_END=$(date +%s)
decode_pdfs $((PDFS_BEFORE + 1)) "${THIRD_BARCODES[@]}"
check_log $((LOGGED_BEFORE + 1)) "$FIRST_NUMBER" "$T_START" "$T_END" "${THIRD_BARCODES[@]}"
# That run, too, ended with the window awaiting a number in an empty box.
scan "$SECOND_NUMBER"
wait_for_search 4 "$SECOND_NUMBER"
no_message_box || fail "a message box came up after the last scan: $(xdotool getwindowname "$(message_box)")"
kill -0 "$NORVANE_PID" 2>/dev/null || fail "norvane ended"

# ---------------------------------------------------------------------------
# 3. The server restarts (on the same database and port) and then refuses the
#    next print log: the search still finds the patient (on a connection opened
#    again), the sticker is printed, the failed log is told in a message box, and
#    the retry offered there records the exam once, printing nothing more.
say "restarting labdb-server; it will refuse the second batch of each connection"
stop_pid "$SERVER_PID" labdb-server
SERVER_PID=''
: >"$WORK/server.out"
TZ=$SERVER_TZ "$SERVER" --database "$WORK/laboratory.sqlite" --port "$PORT" \
    --user "$DB_USER" --password "$DB_PASSWORD" --log "$WORK/server-requests.log" --fail-batch 2 \
    >"$WORK/server.out" 2>>"$WORK/server.err" &
SERVER_PID=$!
wait_for 30 "labdb-server to listen again" server_listening
xdotool windowfocus --sync "$WINDOW"
# The second patient is still shown: Reset, and the number box is empty again.
PDFS_BEFORE=$(pdf_count)
LOGGED_BEFORE=$(master_count)
click_at "$RESET_X" "$RESET_Y"
scan "$THIRD_NUMBER"
wait_for_search 5 "$THIRD_NUMBER"
no_message_box || fail "the search after the server's restart failed: $(xdotool getwindowname "$(message_box)")"
T_START=$(date +%s)
click_at "$PRINT_X" "$PRINT_Y"
wait_for 30 "the question 'Norvane' after the refused print log" message_box_shown
BOX=$(message_box)
screenshot log-refused
[ "$(pdf_count)" -eq $((PDFS_BEFORE + 1)) ] || wait_for 20 "the one sticker of $THIRD_NUMBER" finished $((PDFS_BEFORE + 1)) "$LOGGED_BEFORE"
[ "$(master_count)" -eq "$LOGGED_BEFORE" ] || fail "the refused log left rows behind (see $LOG_TEXT)"
grep -q "rolled back: Injected failure of batch 2\." "$WORK/home/.local/share/Norvane/norvane.log" \
    || fail "the program's log file does not tell the refused log (see $WORK/home/.local/share/Norvane/norvane.log)"
say "question shown; answering Yes to record again"
xdotool windowfocus --sync "$BOX"
xdotool key y
wait_for 10 "the question to close" no_message_box
wait_for 20 "the exam recorded by the retry" finished $((PDFS_BEFORE + 1)) $((LOGGED_BEFORE + 1))
T_END=$(date +%s)
sleep 0.5
[ "$(pdf_count)" -eq $((PDFS_BEFORE + 1)) ] || fail "the retry printed again"
decode_pdfs $((PDFS_BEFORE + 1)) "${THIRD_BARCODES[@]}"
check_log $((LOGGED_BEFORE + 1)) "$FIRST_NUMBER" "$T_START" "$T_END" "${THIRD_BARCODES[@]}"
kill -0 "$NORVANE_PID" 2>/dev/null || fail "norvane ended"

FAILED=0
say "passed"
