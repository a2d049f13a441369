#!/usr/bin/env bash
# The Windows program through its real windows, under Wine on a virtual X display: signs in as a
# general practitioner and as a paediatrician, presses "Crea Tracciato", waits for the end of the
# run, and compares every export file byte for byte with the Linux build's run of the same
# practice and range (the whole previous month, which the window proposes). A screenshot of the
# main window after each run is kept in the build folder, for a person to look at.
# With --avvio-rifiutato, where no server that a 32-bit program can use is registered: signs in
# once and expects the start() box instead of the main window (its details shown, in the
# screenshot), a run log that names the system's reason and the registration, no export file, and
# a program that ends when the sign-in window is closed.
# With --occupato, the server answers each call with the busy code for 5 s at sign-in and again
# at the extraction: the general practitioner's run waits (the run log says so twice), shows no
# box but the last, and its files are those of the Linux run. With --non-risponde, the server is
# busy at sign-in for longer than the program waits (60 s), refusing the calls from its message
# filter: the start() box, whose cause the run log gives.
# With --occupato-filtro, a server in a process of its own is busy for 5 s from the extraction as a
# desktop program with a dialog open is: its message filter refuses every call before it arrives.
# The label says so within seconds of "Crea Tracciato", the run log once, and the files are those
# of the Linux run. The filter answers SERVERCALL_REJECTED: Wine runs a call that a filter answers
# SERVERCALL_RETRYLATER, as if it had said nothing ("retry call later not implemented").
# With --tenuti, after a first export: the claim report held as a PDF viewer holds it, then the
# register of exports as a spreadsheet holds it (tieni_file.exe, named in TIENI_FILE). The first
# press ends with its ERRORE and moves nothing; the second ends well, its line waiting beside the
# register; once let go, the next run adds both lines. A screenshot of each box.
# With --chiuso, the server's process ends itself in the middle of the paediatrician's health
# checks: one ERRORE box besides the last, a run that ends at once, the previous file whole in
# storico and a run log that says the run stopped.
#
#   finestra.sh PROGRAMMA.exe CARTELLA_DI_LAVORO [--avvio-rifiutato|--occupato|--occupato-filtro|
#     --non-risponde|--chiuso|--tenuti]
#
# Needs: WINEPREFIX with the stand-in COM server registered, build/ of the Linux build. The
# practice is named in the user's environment, as a server that COM starts sees only that. Runs
# in prefixes of their own may go side by side: each has its own display and its own Wine.
set -euo pipefail

MODO="${3:-}"
case "$MODO" in
  "" | --avvio-rifiutato | --occupato | --occupato-filtro | --non-risponde | --chiuso | --tenuti) ;;
  *) MODO=sconosciuto ;;
esac
if [ $# -lt 2 ] || [ $# -gt 3 ] || [ "$MODO" = sconosciuto ]; then
  echo "usage: $0 PROGRAMMA.exe CARTELLA_DI_LAVORO [--avvio-rifiutato|--occupato|--occupato-filtro|--non-risponde|--chiuso|--tenuti]" >&2
  exit 2
fi
PROGRAMMA="$1"
LAVORO="$2"
RIFIUTATO=0
[ "$MODO" = --avvio-rifiutato ] && RIFIUTATO=1
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
ATTESA=120 # seconds for a window to appear or a run to end

# shellcheck source=percorsi_wine.sh
. "$(dirname "${BASH_SOURCE[0]}")/percorsi_wine.sh"
fallisci() {
  echo "FAILED: $*"
  exit 1
}

rm -rf "$LAVORO"
mkdir -p "$LAVORO/schermate"
# The practice's fault table makes the server busy or makes it go away, as the mode asks.
GUASTI=()
case "$MODO" in
  --occupato) GUASTI=(--occupato connetti 5 --occupato genera_xml 5) ;;
  --occupato-filtro) GUASTI=(--occupato-filtro genera_xml 5 REJECTED) ;;
  --non-risponde) GUASTI=(--occupato-filtro connetti 75 REJECTED) ;;
  --chiuso) GUASTI=(--chiuso call_method_pipe:carica 40) ;;
esac
"$ROOT/build/genera_demo" --seed 20241207 "${GUASTI[@]}" "$LAVORO/ambulatorio.sqlite" >/dev/null

# The range the main window proposes: the whole previous month.
PRIMO_DEL_MESE="$(date +%Y-%m-01)"
DAL="$(date -d "$PRIMO_DEL_MESE -1 month" +%F)"
AL="$(date -d "$PRIMO_DEL_MESE -1 day" +%F)"

# Wine's server and desktop process, if still running from the headless tests, know no display.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# A virtual display of its own; no window manager, as on a bare X server.
exec 3> "$LAVORO/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null || true; wineserver -k 2>/dev/null || true
  wine reg delete "HKCU\\Environment" /v ORVELLA_SERVER_DB /f /reg:64 >/dev/null 2>&1 || true' EXIT
for _ in $(seq 50); do [ -s "$LAVORO/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$LAVORO/display")"
# Wine's first program from here on knows the display; the practice is named in the user's
# environment, where a server that COM starts finds it.
wine reg add 'HKCU\Environment' /v ORVELLA_SERVER_DB /t REG_SZ /d "$(finestre "$LAVORO/ambulatorio.sqlite")" /f \
  /reg:64 >/dev/null

# Settings as the program of old left them: in the 32-bit view of the registry; debug mode on, so
# that the run log tells when the run ends.
CHIAVE='HKLM\SOFTWARE\Corvitel-Amberlo'
wine reg add "$CHIAVE" /v karv_debug /t REG_SZ /d 1 /f /reg:32 >/dev/null

DESKTOP="$(cartella_wine '%USERPROFILE%')/Desktop"
OUTPUT="$DESKTOP/KARV (ADI-PPiP)"

# Whether a stand-in server's process of this prefix is running: other window runs, each in a
# prefix of its own, may have theirs meanwhile. A process that Wine starts keeps WINEPREFIX.
server_in_vita() {
  local pid
  for pid in $(pgrep -f 'orvella_server(32|64)\.exe'); do
    grep -qzxF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && return 0
  done
  return 1
}

# Waits for a visible window of exactly that title; prints its id, or fails the test.
aspetta_finestra() {
  local id
  id="$(timeout "$ATTESA" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1)"
  [ -n "$id" ] || { echo "FAILED: no window \"$1\" within $ATTESA s" >&2; return 1; }
  echo "$id"
}

# Presses OK in the box (its id in box) and waits for it to go.
chiudi_box() {
  xdotool windowfocus --sync "$box"
  xdotool key Return
  for _ in $(seq 20); do
    xdotool search --onlyvisible --name '^ov_pip$' >/dev/null 2>&1 || break
    sleep 0.5
  done
}

# Starts the program with rossi, the last user, proposed and signs in as USER with the password
# demo; sets programma (its process) and accesso (the sign-in window). The output folder goes
# first, so that what is there afterwards is this run's.
accedi() { # USER
  wine reg add "$CHIAVE" /v ultimo_utente /t REG_SZ /d rossi /f /reg:32 >/dev/null
  rm -rf "$OUTPUT"
  # Wine's GDI draws no text in Qt's edit fields; Qt's own FreeType engine does, so that the
  # screenshots show what a doctor sees. The run itself is the same with either engine.
  wine "$PROGRAMMA" -platform windows:fontengine=freetype >"$LAVORO/$1.out" 2>&1 &
  programma=$!
  accesso="$(aspetta_finestra 'Orva-Zezavazoza Puglia')" || exit 1
  xdotool windowfocus --sync "$accesso"
  sleep 1
  # With the user remembered, the password field has the focus: the password is typed at once.
  if [ "$1" != rossi ]; then
    xdotool key --clearmodifiers shift+Tab ctrl+a
    xdotool type --delay 20 "$1"
    xdotool key Tab
  fi
  xdotool type --delay 20 demo
  xdotool key Return
}

# Sign-in where COM cannot create the server for this program: the start() box, nothing written.
if [ "$RIFIUTATO" = 1 ]; then
  accedi rossi
  box="$(aspetta_finestra 'ov_pip')" || fallisci "sign-in without a usable server showed no box"
  sleep 1
  # "Mostra dettagli…" follows OK in the box's focus chain: what the registry holds.
  xdotool windowfocus --sync "$box"
  xdotool key Tab space
  sleep 1
  xwd -silent -id "$box" | xwdtopnm 2>/dev/null | pnmtopng >"$LAVORO/schermate/rifiutato.png"
  echo "Screenshot of the box at sign-in without a usable server, its details shown: $LAVORO/schermate/rifiutato.png"
  xdotool windowfocus --sync "$box"
  xdotool key Escape
  sleep 2
  if xdotool search --onlyvisible --name '^Orva-Zezavazoza Tracciato Puglia$' >/dev/null 2>&1; then
    fallisci "the main window opened without a server"
  fi
  # The sign-in window stays for another try; closing it ends the program.
  xdotool windowfocus --sync "$accesso"
  xdotool key alt+F4
  for _ in $(seq 30); do kill -0 "$programma" 2>/dev/null || break; sleep 1; done
  kill -0 "$programma" 2>/dev/null && fallisci "the program did not end when its sign-in window was closed"
  stato=0
  wait "$programma" || stato=$?
  [ "$stato" = 0 ] || fallisci "the program ended with status $stato"
  scritti="$(find "$OUTPUT" -type f ! -name karv_log.txt 2>/dev/null)"
  [ -z "$scritti" ] || fallisci "files written without a server: $scritti"
  # In debug mode the run log keeps the system's reason, for the technician.
  motivo="$(grep -a 'ole_orvapat.start(): eccezione' "$OUTPUT/karv_log.txt" 2>/dev/null | tr -d '\r' || true)"
  [[ "$motivo" == *0x80040154* || "$motivo" == *0x800401F3* ]] \
    || fallisci "the run log does not give the reason, not registered (0x80040154 or 0x800401F3): ${motivo:-no line}"
  registrazione="$(grep -a 'vista a 32 bit\|vista a 64 bit' "$OUTPUT/karv_log.txt" | tr -d '\r' | sed 's/^.* - //')"
  [ "$(grep -c 'ProgID' <<<"$registrazione")" = 2 ] \
    || fallisci "the run log does not list the registration in both views: ${registrazione:-no line}"
  echo "Sign-in without a usable server: the start() box, no file written, the program closed; the run log reads:"
  echo "  ${motivo#* - }"
  sed 's/^/  /' <<<"$registrazione"
  exit 0
fi

# A server busy at sign-in for longer than the program waits: the start() box, with the cause.
if [ "$MODO" = --non-risponde ]; then
  inizio=$SECONDS
  accedi rossi
  box="$(aspetta_finestra 'ov_pip')" || fallisci "a server busy past the limit showed no box"
  attesa=$((SECONDS - inizio))
  sleep 1
  xwd -silent -id "$box" | xwdtopnm 2>/dev/null | pnmtopng >"$LAVORO/schermate/non-risponde.png"
  echo "Screenshot of the box after $attesa s of a busy server at sign-in: $LAVORO/schermate/non-risponde.png"
  [ "$attesa" -ge 60 ] || fallisci "the box came after $attesa s, before the 60 s of the wait"
  xdotool windowfocus --sync "$box"
  xdotool key Return
  sleep 2
  # The reason goes to the run log once the box is closed.
  motivo="$(grep -a 'ole_orvapat.start(): eccezione' "$OUTPUT/karv_log.txt" 2>/dev/null | tr -d '\r' || true)"
  [[ "$motivo" == *0x8001010A* || "$motivo" == *0x80010001* ]] \
    || fallisci "the run log does not give the busy server's code: ${motivo:-no line}"
  grep -aq "Orvella occupato: in attesa che risponda" "$OUTPUT/karv_log.txt" || fallisci "the run log shows no wait"
  xdotool windowfocus --sync "$accesso"
  xdotool key alt+F4
  for _ in $(seq 30); do kill -0 "$programma" 2>/dev/null || break; sleep 1; done
  kill -0 "$programma" 2>/dev/null && fallisci "the program did not end when its sign-in window was closed"
  echo "A server busy past the limit at sign-in: the start() box after $attesa s; the run log reads:"
  echo "  ${motivo#* - }"
  exit 0
fi

if [ "$MODO" = --tenuti ]; then
  TIENI="${TIENI_FILE:?TIENI_FILE must name tieni_file.exe}"
  tieni() { # FILE MODE: held until lascia
    rm -f "$LAVORO/tieni.fifo" && mkfifo "$LAVORO/tieni.fifo"
    wine "$TIENI" "$(finestre "$1")" "$2" 300 <"$LAVORO/tieni.fifo" >"$LAVORO/tieni.out" 2>&1 &
    tieni_pid=$!
    exec 8>"$LAVORO/tieni.fifo"
    for _ in $(seq 600); do
      grep -q "^Tengo " "$LAVORO/tieni.out" && return 0
      kill -0 "$tieni_pid" 2>/dev/null || break
      sleep 0.05
    done
    fallisci "tieni_file did not hold $1: $(cat "$LAVORO/tieni.out")"
  }
  lascia() { exec 8>&- && wait "$tieni_pid" || true; }
  # "Crea Tracciato", and the box that ends the run; its id in box.
  premi() {
    xdotool windowfocus --sync "$principale"
    xdotool key Return
    box="$(aspetta_finestra 'ov_pip')" || exit 1
    sleep 1
  }
  REGISTRO="$OUTPUT/storico/registro_esportazioni.csv"
  ATTESA_RIGA="$OUTPUT/storico/registro_esportazioni_in_attesa.csv"
  accedi rossi
  principale="$(aspetta_finestra 'Orva-Zezavazoza Tracciato Puglia')" || exit 1
  sleep 1
  premi
  chiudi_box
  [ -f "$OUTPUT/RIEPILOGO.pdf" ] || fallisci "the first run wrote no RIEPILOGO.pdf"
  storico="$(ls -A "$OUTPUT/storico")"

  tieni "$OUTPUT/RIEPILOGO.pdf" lettore
  premi
  xwd -silent -id "$box" | xwdtopnm 2>/dev/null | pnmtopng >"$LAVORO/schermate/riepilogo-tenuto.png"
  echo "Screenshot of the box with RIEPILOGO.pdf held by a PDF viewer: $LAVORO/schermate/riepilogo-tenuto.png"
  chiudi_box
  lascia
  errore="$(grep -a "ERRORE: Impossibile spostare nello storico il file .*RIEPILOGO.pdf" "$OUTPUT/karv_log.txt" | tr -d '\r' | iconv -f WINDOWS-1252 -t UTF-8)"
  [ -n "$errore" ] || fallisci "the run with RIEPILOGO.pdf held logs no ERRORE naming it"
  [ -f "$OUTPUT/ACCESSI.DAT" ] && [ "$(ls -A "$OUTPUT/storico")" = "$storico" ] \
    || fallisci "the run with RIEPILOGO.pdf held moved files: $(ls -A "$OUTPUT/storico")"
  echo "RIEPILOGO.pdf held by a PDF viewer: ${errore#* - }"

  tieni "$REGISTRO" foglio
  premi
  xwd -silent -id "$box" | xwdtopnm 2>/dev/null | pnmtopng >"$LAVORO/schermate/registro-tenuto.png"
  echo "Screenshot of the box with the register held by a spreadsheet: $LAVORO/schermate/registro-tenuto.png"
  chiudi_box
  lascia
  [ "$(grep -c . "$ATTESA_RIGA" 2>/dev/null)" = 1 ] || fallisci "with the register held, no line waits beside it"
  premi
  chiudi_box
  [ "$(grep -c '"completata"' "$REGISTRO")" = 3 ] && [ ! -e "$ATTESA_RIGA" ] \
    || fallisci "after the spreadsheet let go, the register holds: $(cat "$REGISTRO")"
  doppie="$(ls -A "$OUTPUT/storico" | grep -F ' (2)' || true)"
  [ -z "$doppie" ] || fallisci "a copy made twice in storico: $doppie"
  echo "The register held by a spreadsheet: its line waited, and the next run added both; no copy made twice in storico"
  xdotool windowfocus --sync "$principale"
  xdotool key alt+F4
  for _ in $(seq 30); do kill -0 "$programma" 2>/dev/null || break; sleep 1; done
  exit 0
fi

esito=0
# user, the files that the run must make
CASI=("rossi|ACCESSI.DAT PPIP.DAT VACCINI.DAT trx_sconosciuti.txt RIEPILOGO.pdf"
  "bianchi|BILSALU.DAT PPIP.DAT trx_sconosciuti.txt RIEPILOGO.pdf")
case "$MODO" in
  --occupato | --occupato-filtro) CASI=("${CASI[0]}") ;;
  --chiuso) CASI=("bianchi|") ;;
esac
for caso in "${CASI[@]}"; do
  IFS='|' read -r utente attesi <<<"$caso"
  opzioni=--vaccini # the box is ticked at start
  # A run stopped by a server gone is compared with nothing; a busy one waits on Linux too.
  if [ "$MODO" != --chiuso ]; then
    ORVELLA_SERVER_DB="$LAVORO/ambulatorio.sqlite" OV_PIP_REGISTRY="$LAVORO/nessuna.reg" \
      "$ROOT/build/tests/esporta_pratica" --stand-in $opzioni "$utente" demo "$DAL" "$AL" "$LAVORO/linux/$utente" \
      >/dev/null 2>"$LAVORO/linux-$utente.err" || { cat "$LAVORO/linux-$utente.err"; fallisci "the Linux run of $utente"; }
  fi

  # The last user is proposed at sign-in; the other is typed over it.
  accedi "$utente"

  principale="$(aspetta_finestra 'Orva-Zezavazoza Tracciato Puglia')" || exit 1
  xdotool windowfocus --sync "$principale"
  sleep 1
  if [ "$MODO" = --chiuso ]; then
    # An export of before, which the run moves into storico first.
    printf 'esportazione precedente\r\n' >"$OUTPUT/PPIP.DAT"
  fi
  # "Crea Tracciato" has the focus and is the default button.
  xdotool key Return
  inizio=$SECONDS
  if [ "$MODO" = --occupato ] || [ "$MODO" = --occupato-filtro ]; then
    # The run's own wait (after the one at sign-in, where there is one): the label says it, in
    # the screenshot taken while the server is still busy.
    attese_attese=2
    [ "$MODO" = --occupato-filtro ] && attese_attese=1
    for _ in $(seq $((ATTESA * 10))); do
      [ "$(grep -ac 'Orvella occupato: in attesa che risponda' "$OUTPUT/karv_log.txt" 2>/dev/null)" -ge $attese_attese ] \
        && break
      sleep 0.1
    done
    inizio_attesa=$((SECONDS - inizio))
    sleep 1
    xwd -silent -id "$principale" | xwdtopnm 2>/dev/null | pnmtopng >"$LAVORO/schermate/occupato.png"
    echo "Screenshot of the main window while the run waits for the busy server: $LAVORO/schermate/occupato.png"
    echo "The wait began $inizio_attesa s after \"Crea Tracciato\""
    if [ "$MODO" = --occupato-filtro ] && [ "$inizio_attesa" -ge 5 ]; then
      echo "FAILED: the wait was shown $inizio_attesa s after Crea Tracciato, not while the server was busy"
      esito=1
    fi
  fi
  if [ "$MODO" = --chiuso ]; then
    # The server goes away: one ERRORE box, then the run's last one.
    box="$(aspetta_finestra 'ov_pip')" || exit 1
    sleep 1
    xwd -silent -id "$box" | xwdtopnm 2>/dev/null | pnmtopng >"$LAVORO/schermate/chiuso.png"
    echo "Screenshot of the box when the server went away: $LAVORO/schermate/chiuso.png"
    xdotool windowfocus --sync "$box"
    xdotool key Return
  fi
  for _ in $(seq "$ATTESA"); do
    grep -q "Procedura terminata" "$OUTPUT/karv_log.txt" 2>/dev/null && break
    sleep 1
  done
  grep -q "Procedura terminata" "$OUTPUT/karv_log.txt" 2>/dev/null || fallisci "the run of $utente did not end within $ATTESA s"
  durata=$((SECONDS - inizio))
  # The box "Procedura terminata." goes with Enter; the summary stays in the main window.
  box="$(aspetta_finestra 'ov_pip')" || exit 1
  sleep 1
  boxes="$(xdotool search --onlyvisible --name '^ov_pip$' 2>/dev/null | wc -l)"
  [ "$boxes" = 1 ] || { echo "FAILED: $boxes boxes at the end of the run of $utente, not 1"; esito=1; }
  chiudi_box
  sleep 1
  xwd -silent -id "$principale" | xwdtopnm 2>/dev/null | pnmtopng >"$LAVORO/schermate/$utente.png"
  echo "Screenshot of the main window after the run of $utente: $LAVORO/schermate/$utente.png"
  if [ "$utente" = rossi ] && [ -z "$MODO" ]; then
    # The same month again: the box that ends the run is a warning that names the first export.
    xdotool windowfocus --sync "$principale"
    xdotool key Return
    for _ in $(seq "$ATTESA"); do
      [ "$(grep -c "Procedura terminata" "$OUTPUT/karv_log.txt" 2>/dev/null)" -ge 2 ] && break
      sleep 1
    done
    box="$(aspetta_finestra 'ov_pip')" || exit 1
    sleep 1
    xwd -silent -id "$box" | xwdtopnm 2>/dev/null | pnmtopng >"$LAVORO/schermate/stesso-mese.png"
    echo "Screenshot of the box at the end of the same month exported again: $LAVORO/schermate/stesso-mese.png"
    xdotool windowfocus --sync "$box"
    xdotool key Return
    sleep 1
    copie="$(find "$OUTPUT/storico" -name '*_RIEPILOGO.pdf' 2>/dev/null | wc -l)"
    [ "$copie" = 1 ] || { echo "FAILED: the first report is not in storico ($copie copies)"; esito=1; }
    # "Apri cartella" (Alt+A) opens the output folder in the system's file manager.
    xdotool windowfocus --sync "$principale"
    xdotool key alt+a
    if cartella="$(aspetta_finestra '.*KARV \(ADI-PPiP\).*')"; then
      sleep 2
      xwd -silent -id "$cartella" | xwdtopnm 2>/dev/null | pnmtopng >"$LAVORO/schermate/apri-cartella.png"
      echo "\"Apri cartella\" opened $(xdotool getwindowname "$cartella"): $LAVORO/schermate/apri-cartella.png"
      xdotool windowfocus --sync "$cartella"
      xdotool key alt+F4
      for _ in $(seq 20); do
        xdotool search --onlyvisible --name '.*KARV \(ADI-PPiP\).*' >/dev/null 2>&1 || break
        sleep 0.5
      done
    else
      echo "FAILED: \"Apri cartella\" opened no window of the output folder"
      esito=1
    fi
  fi
  # Closing the main window ends the program.
  principale="$(aspetta_finestra 'Orva-Zezavazoza Tracciato Puglia')" || exit 1
  xdotool windowfocus --sync "$principale"
  xdotool key alt+F4
  for _ in $(seq 30); do kill -0 "$programma" 2>/dev/null || break; sleep 1; done
  if kill -0 "$programma" 2>/dev/null; then
    echo "FAILED: the program of $utente did not end when its main window was closed"
    esito=1
    wineserver -k
  fi
  # A server that COM started ends with its last object.
  for _ in $(seq 20); do server_in_vita || break; sleep 0.5; done
  if server_in_vita; then
    echo "FAILED: the stand-in server's process outlived the program of $utente"
    esito=1
  fi

  if [ "$MODO" = --chiuso ]; then
    grep -aq "Procedura terminata: interrotta" "$OUTPUT/karv_log.txt" || fallisci "the run log does not say the run stopped"
    [ "$(grep -ac 'Orvella occupato' "$OUTPUT/karv_log.txt")" = 0 ] || fallisci "the run waited for a server that was gone"
    storico="$(find "$OUTPUT/storico" -type f -name '*PPIP.DAT')"
    [ "$(cat "$storico" 2>/dev/null)" = "$(printf 'esportazione precedente\r\n')" ] \
      || fallisci "the previous PPIP.DAT is not whole in storico: ${storico:-none}"
    [ ! -e "$OUTPUT/PPIP.DAT" ] || fallisci "the stopped run wrote PPIP.DAT"
    [ "$durata" -le 20 ] || fallisci "the stopped run took $durata s"
    echo "Server gone during the run of $utente: one ERRORE box, the run ended $durata s after Crea Tracciato," \
      "BILSALU.DAT $(stat -c %s "$OUTPUT/BILSALU.DAT" 2>/dev/null || echo 0) bytes, the previous PPIP.DAT whole in storico"
    continue
  fi
  if [ "$MODO" = --occupato ] || [ "$MODO" = --occupato-filtro ]; then
    attese="$(grep -ac 'Orvella occupato: in attesa che risponda' "$OUTPUT/karv_log.txt")"
    [ "$attese" = "$attese_attese" ] \
      || { echo "FAILED: the run log shows $attese waits for the busy server, not $attese_attese"; esito=1; }
  fi
  if [ "$MODO" = --occupato-filtro ]; then
    [ "$durata" -ge 5 ] || { echo "FAILED: the run ended $durata s after Crea Tracciato, within the 5 s busy"; esito=1; }
    echo "Server busy in its message filter for 5 s at the extraction: the run of $utente took $durata s"
  fi
  uguali=1
  for file in ACCESSI.DAT PPIP.DAT VACCINI.DAT BILSALU.DAT trx_sconosciuti.txt; do
    linux="$LAVORO/linux/$utente/$file"
    windows="$OUTPUT/$file"
    if [ -f "$linux" ] && [ -f "$windows" ]; then
      cmp "$linux" "$windows" || uguali=0
    elif [ -f "$linux" ] || [ -f "$windows" ]; then
      echo "FAILED: $file made by only one of the two runs of $utente"
      uguali=0
    fi
  done
  for file in $attesi; do
    [ -s "$OUTPUT/$file" ] || { echo "FAILED: the window run of $utente made no $file"; esito=1; }
  done
  if [ $uguali = 1 ]; then
    echo "Windows program ($utente, $DAL to $AL): files identical to the Linux run: $attesi"
  else
    echo "FAILED: the files of the Windows program's run of $utente differ from the Linux ones"
    esito=1
  fi
done
exit $esito
