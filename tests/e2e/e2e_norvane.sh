#!/usr/bin/env bash
# End to end, as a user works: the real norvane program, started without switches,
# talks TDS to labdb-server on loopback, prints through CUPS to the default printer
# (a cups-pdf queue of this test's own) and is driven from outside with xdotool on
# an Xvfb display, the way a barcode scanner and a mouse drive it.
#
#   e2e_norvane.sh --norvane BIN --server BIN --log-tool BIN --label-tool BIN
#                  --name-tool BIN --work DIR
#
# --label-tool is norvane-label (the reference stickers), --name-tool is
# e2e_patientname (the reference for the patient's name on screen).
#
# Exit codes: 0 passed, 1 failed, 77 cannot run here (not root, a tool missing).
# Everything it starts is stopped on exit, whatever happens; on failure DIR keeps
# the logs, the PDF files, the print log and screenshots.
set -euo pipefail

SKIP=77
NORVANE='' SERVER='' LOGTOOL='' LABELTOOL='' NAMETOOL='' WORK=''
usage() {
    echo "usage: $0 --norvane BIN --server BIN --log-tool BIN --label-tool BIN --name-tool BIN --work DIR" >&2
    exit 2
}
while [ $# -gt 0 ]; do
    case "$1" in
    --norvane) NORVANE=$2; shift 2 ;;
    --server) SERVER=$2; shift 2 ;;
    --log-tool) LOGTOOL=$2; shift 2 ;;
    --label-tool) LABELTOOL=$2; shift 2 ;;
    --name-tool) NAMETOOL=$2; shift 2 ;;
    --work) WORK=$2; shift 2 ;;
    *) usage ;;
    esac
done
[ -n "$NORVANE" ] && [ -n "$SERVER" ] && [ -n "$LOGTOOL" ] && [ -n "$LABELTOOL" ] && [ -n "$NAMETOOL" ] \
    && [ -n "$WORK" ] || usage

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
# The second patient's name as the window and the stickers must show it, and what
# a connection without its character set once made of it.
SECOND_NAME='PEÑA, JOSÉ LUIS'
SECOND_NAME_GARBLED='PE�A, JOS� LUIS'
# The fields of the sticker of his first exam (CBC), in the template's order:
# Barcode PatientName HospNum Instrument Transdate RoomID AgeSex. An outpatient
# has no room; the date (the request's, of the day the server was started) is
# left out of the comparison.
SECOND_STICKER=(T1000003C "$SECOND_NAME" 00120173 HEMA-1 '' '' 38/M)
# That barcode is his hematology request's: scanned, it lists CBC and ESR.
SECOND_REQUEST_BARCODES=(T1000003C T1000004C)
# The sample's id numbers are plain ASCII; the test gives the second patient's
# chargeslip one with an Ñ and an É, which the print log reads back from the
# server and writes into every master row.
SECOND_ID_NUMBER='OP-240031-ÑÉ'

# Norvane runs under the locale of a US-English workstation, and at the end once
# more under none at all (C, plain ASCII). A locale that is not installed falls
# back to C without a word: the test makes sure that it is there.
WORKSTATION_LOCALE=en_US.UTF-8

# The main window fills the screen; fraMain (18465 x 10155 twips) is centred in
# it (the offsets rounded half up), fraExams lies at (10410, 4050) in fraMain, and
# inside fraExams txtCopies at (6705, 4005) sized 600 x 465, cmdGenerate at
# (2430, 4770) and cmdNew at (4950, 4770), both sized 2445 x 960, and
# lblPatientName at (180, 405).
# 15 twips are one pixel.
SCREEN_W=1280 SCREEN_H=800
FRAMAIN_W=$((18465 / 15)) FRAMAIN_H=$((10155 / 15))
FRAEXAMS_X=$((10410 / 15)) FRAEXAMS_Y=$((4050 / 15))

# ---------------------------------------------------------------------------
T0=$(date +%s%N)
say() { local ms=$((($(date +%s%N) - T0) / 1000000)); printf "[%3d.%03d] %s\n" $((ms / 1000)) $((ms % 1000)) "$*"; }
skip() { echo "SKIPPED: $*"; exit $SKIP; }

[ "$(id -u)" -eq 0 ] || skip "needs root: it adds a CUPS queue and a cups-pdf configuration (run the test command as root)"
for tool in Xvfb xdotool pdftoppm zbarimg lpadmin lpstat cancel cupsd cupsaccept cupsreject import convert compare \
    sqlite3 locale; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing: run scripts/install-deps.sh --test"
done
CUPS_PDF_BACKEND=/usr/lib/cups/backend/cups-pdf
CUPS_PDF_PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
[ -x "$CUPS_PDF_BACKEND" ] && [ -f "$CUPS_PDF_PPD" ] || skip "cups-pdf is missing: run scripts/install-deps.sh --test"
for bin in "$NORVANE" "$SERVER" "$LOGTOOL" "$LABELTOOL" "$NAMETOOL"; do
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
NORVANE_LOG="$WORK/norvane.log"
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
        tail -n 30 "$NORVANE_LOG" >&2
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
changed=$(sqlite3 -cmd '.timeout 5000' "$WORK/laboratory.sqlite" \
    "UPDATE chargeslips SET id_num = '$SECOND_ID_NUMBER' WHERE ref_num = '$SECOND_NUMBER'; SELECT changes();") \
    || fail "sqlite3 could not give $SECOND_NUMBER the id number $SECOND_ID_NUMBER"
[ "$changed" = 1 ] || fail "the sample database has no chargeslip $SECOND_NUMBER"

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

# The programs on the display, in the throw-away home: norvane, and the test's
# own e2e_patientname.
desktop_env=(env -u LPDEST -u PRINTER -u QT_QPA_PLATFORM -u LANGUAGE -u LC_ALL -u LANG -u LC_TIME
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_DATA_HOME="$WORK/home/.local/share"
    XDG_CACHE_HOME="$WORK/home/.cache" XDG_RUNTIME_DIR="$WORK/runtime"
    TZ="$WORKSTATION_TZ" QT_QPA_PLATFORM=xcb DISPLAY="$DISPLAY")

WINDOW=''
find_window() { WINDOW=$(xdotool search --onlyvisible --name '^ Norvane$' 2>/dev/null | head -n 1); [ -n "$WINDOW" ]; }
message_box() { xdotool search --onlyvisible --name '^Norvane$' 2>/dev/null | head -n 1; }
no_message_box() { [ -z "$(message_box)" ]; }
X=0 Y=0 WIDTH=0 HEIGHT=0
fills_screen() {
    eval "$(xdotool getwindowgeometry --shell "$WINDOW" | grep -E "^(X|Y|WIDTH|HEIGHT)=[0-9]+\$")"
    [ "$X" -eq 0 ] && [ "$Y" -eq 0 ] && [ "$WIDTH" -eq "$SCREEN_W" ] && [ "$HEIGHT" -eq "$SCREEN_H" ]
}
start_norvane() { # LC_ALL OUTPUT: starts norvane as a user does, without switches
    NORVANE_LOG=$2
    "${desktop_env[@]}" LC_ALL="$1" "$NORVANE" >"$NORVANE_LOG" 2>&1 &
    NORVANE_PID=$!
    wait_for 30 "the main window ' Norvane'" find_window
    wait_for 10 "the main window to fill the ${SCREEN_W}x$SCREEN_H screen" fills_screen
}

# (locale(1) warns on standard error when the C library cannot set it.)
grep -qix 'en_US\.utf-\?8' <(locale -a 2>/dev/null) && [ "$(LC_ALL=$WORKSTATION_LOCALE locale charmap 2>&1)" = UTF-8 ] \
    || fail "the locale $WORKSTATION_LOCALE is not installed (see locale -a): run scripts/install-deps.sh --test as root"
say "starting norvane under LC_ALL=$WORKSTATION_LOCALE"
start_norvane "$WORKSTATION_LOCALE" "$WORK/norvane.log"
say "main window $WINDOW fills the screen"
EXAMS_LEFT=$((X + (WIDTH - FRAMAIN_W + 1) / 2 + FRAEXAMS_X))
EXAMS_TOP=$((Y + (HEIGHT - FRAMAIN_H + 1) / 2 + FRAEXAMS_Y))
NAME_LEFT=$((EXAMS_LEFT + 180 / 15)) NAME_TOP=$((EXAMS_TOP + 405 / 15))
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
# (In a subshell under a UTF-8 locale, so that bash counts characters, as labdb-log
# does when it pads: cells may hold non-ASCII text.)
log_table() (
    LC_ALL=C.UTF-8
    local line state=0 n=0 pos rest i cell row
    local -a start width
    if ! "$LOGTOOL" "$WORK/laboratory.sqlite" >"$LOG_TEXT" 2>&1; then
        echo "labdb-log failed: $(cat "$LOG_TEXT")" >&2
        return 1
    fi
    while IFS= read -r line; do
        case $state in
        0) [[ $line == "$1 rows"* ]] && state=1 ;;
        1) state=2 ;; # the header
        2)            # the rule: a run of dashes under each column
            pos=0 rest=$line
            while [[ $rest =~ ^([^-]*)(-+)(.*)$ ]]; do
                start[n]=$((pos + ${#BASH_REMATCH[1]})) width[n]=${#BASH_REMATCH[2]}
                pos=$((start[n] + width[n])) rest=${BASH_REMATCH[3]} n=$((n + 1))
            done
            state=3 ;;
        3)
            [[ $line =~ ^\ *$ ]] && break
            row=''
            for ((i = 0; i < n; i++)); do
                cell=${line:start[i]:width[i]}
                cell=${cell#"${cell%%[! ]*}"} cell=${cell%"${cell##*[! ]}"}
                [ "$i" -eq 0 ] || row+='|'
                row+=$cell
            done
            printf '%s\n' "$row" ;;
        esac
    done <"$LOG_TEXT"
)
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
# A question 'Norvane' that Print asks first when the checked exams were printed on
# this workstation lately (the print journal's reprint warning): answered Yes, as a
# person types y, once it is up.
answer_reprint_question() { # NUMBER
    local question
    message_box_up() { [ -n "$(message_box)" ]; }
    wait_for 30 "the question whether to print $1 again" message_box_up
    question=$(message_box)
    screenshot "reprint-$1"
    xdotool windowfocus --sync "$question"
    xdotool key y
    # (The next box, a failed log's question, may follow at once.)
    question_closed() { [ "$(message_box)" != "$question" ]; }
    wait_for 10 "the reprint question to close" question_closed
}
finished() { # PDFS MASTERS: the queue has written PDFS files and is idle; the log holds MASTERS rows
    [ "$(pdf_count)" -ge "$1" ] && queue_empty && [ "$(master_count)" -ge "$2" ]
}

# ---------------------------------------------------------------------------
# The second patient's name, on screen, on the sticker and in the log.

# pixels_apart A B: how many pixels of two pictures of one size differ.
pixels_apart() {
    local n
    n=$(compare -metric AE "$1" "$2" null: 2>&1) || true # its status says only whether they differ
    [[ $n =~ ^[0-9]+$ ]] || fail "ImageMagick could not compare $1 with $2: $n"
    echo "$n"
}

# On screen: the window's lblPatientName cut out of a screenshot, against the same
# label drawn with the expected caption by e2e_patientname on this display (the
# main window's own label, font and colours): the same pixels, one for one. The
# garbled caption, drawn the same way, must not pass.
NAME_W=0 NAME_H=0 NAME_SHOT=''
name_reference() { # CAPTION FILE
    [ -s "$2" ] || "${desktop_env[@]}" "$NAMETOOL" "$1" "$2" >>"$WORK/name-tool.log" 2>&1 \
        || fail "e2e_patientname could not draw '$1' (see $WORK/name-tool.log)"
}
name_shown() { # TAG: a screenshot of the label shows the expected picture
    NAME_SHOT="$WORK/artifacts/name-$1.png"
    import -display "$DISPLAY" -window root -crop "${NAME_W}x$NAME_H+$NAME_LEFT+$NAME_TOP" +repage "$NAME_SHOT" \
        2>/dev/null || return 1
    [ "$(pixels_apart "$NAME_SHOT" "$WORK/name-expected.png")" -eq 0 ]
}
check_name_on_screen() { # TAG
    name_reference "$SECOND_NAME" "$WORK/name-expected.png"
    name_reference "$SECOND_NAME_GARBLED" "$WORK/name-garbled.png"
    read -r NAME_W NAME_H < <(identify -format '%w %h\n' "$WORK/name-expected.png")
    wait_for 10 "the window to show '$SECOND_NAME' as lblPatientName draws it (last screenshot of the label: \
$WORK/artifacts/name-$1.png, expected: $WORK/name-expected.png)" name_shown "$1"
    [ "$(pixels_apart "$NAME_SHOT" "$WORK/name-garbled.png")" -gt 0 ] \
        || fail "the label drawn with '$SECOND_NAME_GARBLED' looks the same as with '$SECOND_NAME': the check proves nothing"
}

# On the sticker: the printed sticker (the queue's PDF rasterised at the printer's
# 203 dpi) against norvane-label's picture of a sticker of the expected fields
# (same build, same template) at 203 dpi, all but the date's box. The printed one
# has passed through CUPS and Ghostscript, so a glyph's edge may lie a pixel off:
# a black pixel of either counts only when no black pixel of the other lies within
# one pixel of it. The sticker with the garbled name must not pass (nor would one
# whose Ñ and É had lost their tilde and accent: those differ in some 30 pixels).
TEMPLATE="$(dirname "$NORVANE")/LabBarcodeLabel.rpt"
STICKER_TOLERANCE=0
DATE_BOX=''
ink() { # PICTURE OUT: black and white, ink as white on black
    convert "$1" -colorspace gray -threshold 50% -negate "$2"
}
ink_beyond() { # A B: the inked pixels of A, outside the date's box, farther than one pixel from every inked pixel of B
    convert "$1" \( "$2" -morphology Dilate Square:1 -negate \) -compose Multiply -composite \
        -fill black -draw "rectangle $DATE_BOX" -format '%[fx:round(mean*w*h)]' info:
}
ink_apart() { echo $(($(ink_beyond "$1" "$2") + $(ink_beyond "$2" "$1"))); }
sticker_reference() { # NAME FIELDS...: norvane-label draws $WORK/NAME.png; its ink in $WORK/NAME-ink.png
    local name=$1
    shift
    [ -s "$WORK/$name-ink.png" ] && return 0
    env -u LC_ALL -u LANG QT_QPA_PLATFORM=offscreen HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/runtime" \
        "$LABELTOOL" --png "$WORK/$name.png" --dpi 203 "$@" >>"$WORK/label-tool.log" 2>&1 \
        || fail "norvane-label could not draw the reference sticker $name (see $WORK/label-tool.log)"
    ink "$WORK/$name.png" "$WORK/$name-ink.png"
}
check_sticker() { # TAG N: the N-th PDF of the queue is the sticker SECOND_STICKER
    local file printed=$WORK/artifacts/sticker-$1 fields apart
    if [ -z "$DATE_BOX" ]; then
        # The box of the text that prints the field Transdate, in pixels at 203 dpi,
        # widened by a pixel on each side.
        DATE_BOX=$(awk '$1 == "text" && / field=Transdate( |$)/ {
                for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
                d = 203 / 25.4
                printf "%d,%d %d,%d", v["x"] * d - 1, v["y"] * d - 1, (v["x"] + v["width"]) * d + 1, (v["y"] + v["height"]) * d + 1
                exit
            }' "$TEMPLATE")
        [[ $DATE_BOX =~ ^[0-9]+,[0-9]+\ [0-9]+,[0-9]+$ ]] || fail "no text box of the field Transdate in $TEMPLATE"
    fi
    sticker_reference sticker-expected "${SECOND_STICKER[@]}"
    fields=("${SECOND_STICKER[@]}")
    fields[1]=$SECOND_NAME_GARBLED
    sticker_reference sticker-garbled "${fields[@]}"
    file=$(pdf_files | sed -n "${2}p")
    [ -n "$file" ] || fail "the queue has no ${2}th PDF file"
    pdftoppm -r 203 -gray -png -singlefile "$PDF_DIR/$file" "$printed" 2>>"$WORK/pdftoppm.err" \
        || fail "pdftoppm could not read $file"
    ink "$printed.png" "$printed-ink.png"
    [ "$(identify -format '%wx%h' "$printed-ink.png")" = "$(identify -format '%wx%h' "$WORK/sticker-expected-ink.png")" ] \
        || fail "sticker $2 ($file) is not of the size of norvane-label's sticker at 203 dpi"
    apart=$(ink_apart "$printed-ink.png" "$WORK/sticker-expected-ink.png")
    [ "$apart" -le "$STICKER_TOLERANCE" ] \
        || fail "sticker $2 ($file) differs from norvane-label's sticker of ${SECOND_STICKER[*]} in $apart pixels (see $printed.png, $WORK/sticker-expected.png)"
    apart=$(ink_apart "$printed-ink.png" "$WORK/sticker-garbled-ink.png")
    [ "$apart" -gt "$STICKER_TOLERANCE" ] \
        || fail "sticker $2 passes against the sticker named '$SECOND_NAME_GARBLED' too: the check proves nothing"
}

# In the log: COUNT master rows from the FROM-th on hold the second patient's id
# number as the database holds it.
check_id_numbers() { # FROM COUNT
    local rows row cell i=0
    mapfile -t rows < <(log_table Master | tail -n +"$1" | head -n "$2")
    [ "${#rows[@]}" -eq "$2" ] || fail "expected $2 master rows from the ${1}th on, the log has ${#rows[@]} (see $LOG_TEXT)"
    for row in "${rows[@]}"; do
        IFS='|' read -r -a cell <<<"$row"
        [ "${cell[1]}" = "$SECOND_ID_NUMBER" ] \
            || fail "master row $(($1 + i)) (barcode ${cell[3]}) holds the id number '${cell[1]}', expected '$SECOND_ID_NUMBER' (see $LOG_TEXT)"
        i=$((i + 1))
    done
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
check_name_on_screen "$WORKSTATION_LOCALE"
say "second patient found, '$SECOND_NAME' on screen; Print with the copies box back at 1"
T_START=$(date +%s)
click_at "$PRINT_X" "$PRINT_Y"
wait_for 60 "the stickers of $SECOND_NUMBER" finished $((FIRST_PDFS + ${#SECOND_BARCODES[@]})) $((${#FIRST_BARCODES[@]} + ${#SECOND_BARCODES[@]}))
T_END=$(date +%s)
decode_pdfs $((FIRST_PDFS + 1)) "${SECOND_BARCODES[@]}"
check_log $((${#FIRST_BARCODES[@]} + 1)) "$SECOND_NUMBER" "$T_START" "$T_END" "${SECOND_BARCODES[@]}"
check_sticker "$WORKSTATION_LOCALE" $((FIRST_PDFS + 1))
check_id_numbers $((${#FIRST_BARCODES[@]} + 1)) "${#SECOND_BARCODES[@]}"
say "'$SECOND_NAME' on the sticker, '$SECOND_ID_NUMBER' in the log"
screenshot after-second-run

# ---------------------------------------------------------------------------
# 2. The default printer refuses jobs: a message, no crash, nothing logged that
#    was not printed; once it accepts again, Print asks whether to print again
#    what the first run printed, and on Yes prints and logs the rest.
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

say "printer accepts again; Print once more ($THIRD_NUMBER was printed in the first run: asked first)"
xdotool windowfocus --sync "$WINDOW"
T_START=$(date +%s)
click_at "$PRINT_X" "$PRINT_Y"
answer_reprint_question "$THIRD_NUMBER"
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
answer_reprint_question "$THIRD_NUMBER"
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

# ---------------------------------------------------------------------------
# 4. A workstation with no locale at all (C: plain ASCII, where a connection
#    without its character set loses every non-ASCII character): the second
#    patient's hematology request, scanned by its barcode, keeps his name on screen
#    and on the sticker and his id number in the log.
say "restarting labdb-server without faults, and norvane under LC_ALL=C"
stop_pid "$NORVANE_PID" norvane
NORVANE_PID=''
stop_pid "$SERVER_PID" labdb-server
SERVER_PID=''
: >"$WORK/server.out"
TZ=$SERVER_TZ "$SERVER" --database "$WORK/laboratory.sqlite" --port "$PORT" \
    --user "$DB_USER" --password "$DB_PASSWORD" --log "$WORK/server-requests.log" \
    >"$WORK/server.out" 2>>"$WORK/server.err" &
SERVER_PID=$!
wait_for 30 "labdb-server to listen again" server_listening
start_norvane C "$WORK/norvane-c.log"
xdotool windowfocus --sync "$WINDOW"
PDFS_BEFORE=$(pdf_count)
LOGGED_BEFORE=$(master_count)
SEARCHES_BEFORE=$(search_count)
scan "${SECOND_STICKER[0]}"
wait_for_search $((SEARCHES_BEFORE + 1)) "${SECOND_STICKER[0]}"
check_name_on_screen C
T_START=$(date +%s)
click_at "$PRINT_X" "$PRINT_Y"
# Printed in the first part by the second patient's chargeslip; the journal, kept
# across the restart, says so.
answer_reprint_question "${SECOND_STICKER[0]}"
wait_for 30 "the stickers of ${SECOND_STICKER[0]}'s request" finished $((PDFS_BEFORE + ${#SECOND_REQUEST_BARCODES[@]})) \
    $((LOGGED_BEFORE + ${#SECOND_REQUEST_BARCODES[@]}))
T_END=$(date +%s)
no_message_box || fail "a message box came up after printing under LC_ALL=C: $(xdotool getwindowname "$(message_box)")"
decode_pdfs $((PDFS_BEFORE + 1)) "${SECOND_REQUEST_BARCODES[@]}"
check_log $((LOGGED_BEFORE + 1)) "$SECOND_NUMBER" "$T_START" "$T_END" "${SECOND_REQUEST_BARCODES[@]}"
check_sticker C $((PDFS_BEFORE + 1))
check_id_numbers $((LOGGED_BEFORE + 1)) "${#SECOND_REQUEST_BARCODES[@]}"
say "under LC_ALL=C too: '$SECOND_NAME' on screen and on the sticker, '$SECOND_ID_NUMBER' in the log"
kill -0 "$NORVANE_PID" 2>/dev/null || fail "norvane ended"

FAILED=0
say "passed"
