#!/usr/bin/env bash
# What a practice's PC does to a run, under Wine, with the 32-bit export run without a window
# (esporta_pratica.exe) against the registered stand-in server: a `storico` that is a plain file,
# a previous file held by a PDF viewer or a spreadsheet, a disk that fills during the history
# copy, two runs at once on one folder, and a run killed midway, with a link under its name. Each
# time the previous export is whole somewhere, no file mixes two runs, no summary says
# "Operazione completata." over a failed write, no extract of a dead run stays behind, and nothing
# a link leads to goes with it.
# Arguments: the Windows build folder, the practice, the Linux run's files of rossi for that practice.
set -uo pipefail
QUI="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$QUI/../.." && pwd)"
BUILD="$1"
PRATICA="$2"
RIFERIMENTO="$3"
# shellcheck source=percorsi_wine.sh
. "$QUI/percorsi_wine.sh"

LAVORO="$BUILD/pc"
rm -rf "$LAVORO"
mkdir -p "$LAVORO"
esito=0
fallito() {
  echo "FAILED: $*"
  esito=1
}

# One export of rossi's whole practice into the folder; the summary and the boxes go to $2.out
# and $2.err. Its exit status is 0 only when the run ended as it should.
esporta() {
  ORVELLA_SERVER_DB="$(finestre "${PRATICA_RUN:-$PRATICA}")" wine "$BUILD/tests/esporta_pratica.exe" --vaccini \
    rossi demo 2000-01-01 2099-12-31 "$(finestre "$1")" >"$2.out" 2>"$2.err"
}

# The .DAT files and trx_sconosciuti.txt of the folder, each the same as in the other folder.
stessi_file() {
  local file
  for file in ACCESSI.DAT PPIP.DAT VACCINI.DAT trx_sconosciuti.txt; do
    cmp -s "$1/$file" "$2/$file" || return 1
  done
}

nessun_completata() {
  ! grep -q "^Operazione completata\." "$1.out"
}

# A first export into the folder, then what the PC does to it ($3, a command), then a second run
# that must stop with the message ($4) and leave the first run's files whole.
dopo_un_guasto() { # NAME FOLDER COMMAND MESSAGE
  esporta "$2" "$LAVORO/$1_primo" || fallito "the first run into $2: $(cat "$LAVORO/$1_primo.err")"
  eval "$3"
  if esporta "$2" "$LAVORO/$1"; then fallito "$1: the run ended well"; fi
  grep -q "$4" "$LAVORO/$1.err" || fallito "$1: $(cat "$LAVORO/$1.err")"
  stessi_file "$2" "$RIFERIMENTO" || fallito "$1: the previous export changed"
  # The register of exports beside the copies holds the first run's line.
  if [ -d "$2/storico" ]; then
    copie="$(ls -A "$2/storico" | grep -vx registro_esportazioni.csv || true)"
    [ -z "$copie" ] || fallito "$1: a copy stays in storico: $copie"
  fi
  nessun_completata "$LAVORO/$1" || fallito "$1: the summary says complete"
  echo "$1: $(head -1 "$LAVORO/$1.err")"
}

# A plain file named storico: nothing moves, and the copy says why.
CARTELLA="$LAVORO/storico_file"
dopo_un_guasto "A plain file named storico" "$CARTELLA" 'rm -rf "$CARTELLA/storico"; echo x >"$CARTELLA/storico"' \
  "Impossibile copiare nello storico il file .*ACCESSI.DAT: una parte del percorso non è una cartella\."

# The same period twice: the second summary names the first export; the files are its own.
CARTELLA="$LAVORO/di_nuovo"
esporta "$CARTELLA" "$LAVORO/di_nuovo_primo" || fallito "the first run into $CARTELLA: $(cat "$LAVORO/di_nuovo_primo.err")"
esporta "$CARTELLA" "$LAVORO/di_nuovo" || fallito "the same period again: $(cat "$LAVORO/di_nuovo.err")"
grep -q "ATTENZIONE: il periodo dal 01/01/2000 al 31/12/2099 comprende date già esportate il $(date +%d/%m/%Y) (ACCESSI.DAT, PPIP.DAT, VACCINI.DAT)" \
  "$LAVORO/di_nuovo.out" || fallito "the same period again gives no warning: $(tail -3 "$LAVORO/di_nuovo.out")"
stessi_file "$CARTELLA" "$RIFERIMENTO" || fallito "the same period again: the files are not the run's"
echo "The same period twice: $(grep "^ATTENZIONE: il periodo" "$LAVORO/di_nuovo.out")"

# A previous file held as a PDF viewer or a spreadsheet holds it (tieni_file.exe, the system's own
# refusal): the run stops with one ERRORE line naming it and moves nothing; once the holder lets
# go, the next run moves every file, with no " (2)" in storico.
tieni() { # FILE MODE: true once the holder has the file; lascia lets it go
  rm -f "$LAVORO/tieni.fifo" && mkfifo "$LAVORO/tieni.fifo"
  wine "$BUILD/tests/tieni_file.exe" "$(finestre "$1")" "$2" 300 <"$LAVORO/tieni.fifo" >"$LAVORO/tieni.out" 2>&1 &
  TIENI=$!
  exec 9>"$LAVORO/tieni.fifo"
  for _ in $(seq 1 600); do
    grep -q "^Tengo " "$LAVORO/tieni.out" && return 0
    kill -0 "$TIENI" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}
lascia() { exec 9>&- && wait "$TIENI"; }
tenuto() { # NAME FILE MODE MESSAGE
  local cartella="$LAVORO/$1" storico copie
  esporta "$cartella" "$LAVORO/$1_primo" || fallito "the first run into $cartella: $(cat "$LAVORO/$1_primo.err")"
  cp "$cartella/$2" "$LAVORO/$1_tenuto"
  storico="$(ls -A "$cartella/storico")"
  if tieni "$cartella/$2" "$3"; then
    if esporta "$cartella" "$LAVORO/$1"; then fallito "$1: the run ended well"; fi
  else
    fallito "$1: tieni_file did not hold $2: $(cat "$LAVORO/tieni.out")"
  fi
  lascia
  [ "$(grep -c "^ERRORE" "$LAVORO/$1.err")" = 1 ] && grep -q "$4" "$LAVORO/$1.err" || fallito "$1: $(cat "$LAVORO/$1.err")"
  stessi_file "$cartella" "$RIFERIMENTO" && cmp -s "$cartella/$2" "$LAVORO/$1_tenuto" || fallito "$1: the previous export changed"
  [ "$(ls -A "$cartella/storico")" = "$storico" ] || fallito "$1: storico changed: $(ls -A "$cartella/storico")"
  echo "$1: $(head -1 "$LAVORO/$1.err")"
  esporta "$cartella" "$LAVORO/$1_dopo" || fallito "$1: the run after the holder let go: $(cat "$LAVORO/$1_dopo.err")"
  copie="$(ls -A "$cartella/storico" | grep -vx registro_esportazioni.csv | sed 's/^[^_]*_//' | LC_ALL=C sort | tr '\n' ' ')"
  [ "$copie" = "ACCESSI.DAT PPIP.DAT RIEPILOGO.pdf VACCINI.DAT trx_sconosciuti.txt " ] \
    || fallito "$1: after the holder let go, storico holds $(ls -A "$cartella/storico")"
}
tenuto "The report held by a PDF viewer" RIEPILOGO.pdf lettore \
  'Impossibile spostare nello storico il file .*RIEPILOGO.pdf: il file è aperto in un altro programma, chiudere il visualizzatore PDF e premere di nuovo "Crea Tracciato"\. Nessun file è stato spostato\.'
tenuto "PPIP.DAT held by a spreadsheet" PPIP.DAT foglio \
  'Impossibile spostare nello storico il file .*PPIP.DAT: il file è aperto in un altro programma, chiudere il programma che lo tiene aperto (un foglio di calcolo, ad esempio) e premere di nuovo "Crea Tracciato"\. Nessun file è stato spostato\.'

# A disk that fills during the history copy: the previous files stay whole.
PIENO="$LAVORO/pieno"
mkdir -p "$PIENO"
if mount -t tmpfs -o size=2m tmpfs "$PIENO" 2>/dev/null; then
  dopo_un_guasto "A disk that fills during the history copy" "$PIENO" \
    'dd if=/dev/zero of="$PIENO/riempitivo" bs=4k >/dev/null 2>&1' \
    "Impossibile copiare nello storico il file .*: spazio su disco esaurito\."
  umount "$PIENO"
else
  echo "A disk that fills: not tried, a tmpfs cannot be mounted here"
fi

# A practice whose run lasts seconds, and the Linux run of it.
GRANDE="$LAVORO/grande.sqlite"
"$ROOT/build/genera_demo" --patients 20000 --services 10 "$GRANDE" >/dev/null
ORVELLA_SERVER_DB="$GRANDE" OV_PIP_REGISTRY="$LAVORO/nessuna.reg" "$ROOT/build/tests/esporta_pratica" --stand-in \
  --vaccini rossi demo 2000-01-01 2099-12-31 "$LAVORO/grande_linux" >/dev/null

# Two runs at once on one folder: the second writes nothing, or runs after the first.
CARTELLA="$LAVORO/due"
export PRATICA_RUN="$GRANDE"
RIFERIMENTO="$LAVORO/grande_linux"
esporta "$CARTELLA" "$LAVORO/due_1" &
primo=$!
esporta "$CARTELLA" "$LAVORO/due_2" &
secondo=$!
wait "$primo"
esito_1=$?
wait "$secondo"
esito_2=$?
stessi_file "$CARTELLA" "$RIFERIMENTO" || fallito "two runs at once mixed their files"
for copia in "$CARTELLA"/storico/*; do
  [ -e "$copia" ] || continue
  # The report carries the time of its export; the register is no copy.
  [[ "$copia" == *_RIEPILOGO.pdf || "$copia" == */registro_esportazioni.csv ]] && continue
  cmp -s "$copia" "$RIFERIMENTO/$(basename "$copia" | sed 's/^[^_]*_//')" || fallito "two runs at once: $copia is not whole"
done
for run in "1 $esito_1" "2 $esito_2"; do
  read -r numero stato <<<"$run"
  if [ "$stato" != 0 ] && ! nessun_completata "$LAVORO/due_$numero"; then
    fallito "two runs at once: run $numero says complete but failed"
  fi
done
if grep -qh "Un'altra esportazione è in corso nella cartella" "$LAVORO"/due_?.err; then
  echo "Two runs at once: $(grep -h "Un'altra esportazione" "$LAVORO"/due_?.err | head -1)"
else
  echo "Two runs at once: the second ran after the first, the files are whole"
fi

# A run killed midway: the next run in its folder is not stopped by its lock, and removes the
# extract it left.
TEMP="$(cartella_wine '%TEMP%')"
# Started here, not through esporta: $! must be the program's own process.
ORVELLA_SERVER_DB="$(finestre "$GRANDE")" wine "$BUILD/tests/esporta_pratica.exe" --vaccini rossi demo 2000-01-01 \
  2099-12-31 "$(finestre "$LAVORO/ucciso")" >/dev/null 2>&1 &
ucciso=$!
for _ in $(seq 1 600); do
  compgen -G "$TEMP/ov_pip-*" >/dev/null && break
  sleep 0.05
done
kill -9 "$ucciso" 2>/dev/null
wait "$ucciso" 2>/dev/null
if compgen -G "$TEMP/ov_pip-*" >/dev/null; then
  rimasta="$(cd "$TEMP" && echo ov_pip-*)"
  # A link under the dead run's name, leading to a folder that is not the run's. Wine 8 makes no
  # junction (mklink /J fails); it shows a Unix symbolic link to a folder as one, a folder with
  # the reparse-point attribute, and removes it through no Windows call.
  ALTROVE="$LAVORO/altrove"
  mkdir -p "$ALTROVE"
  echo dati >"$ALTROVE/paziente.txt"
  giunzione="${rimasta%-*}-giunzione"
  ln -s "$ALTROVE" "$TEMP/$giunzione"
  PRATICA_RUN="$PRATICA" esporta "$LAVORO/ucciso" "$LAVORO/dopo" || fallito "the run after a killed one: $(cat "$LAVORO/dopo.err")"
  if [ "$(cat "$ALTROVE/paziente.txt" 2>/dev/null)" = dati ]; then
    echo "A link under the dead run's name was not followed: the folder it leads to keeps its file"
  else
    fallito "the clean-up followed a link: $ALTROVE/paziente.txt is gone"
  fi
  rm -f "$TEMP/$giunzione"
  if compgen -G "$TEMP/ov_pip-*" >/dev/null; then
    fallito "the extract of a killed run stays: $(cd "$TEMP" && echo ov_pip-*)"
  else
    echo "A run killed midway left $rimasta; the next run removed it"
  fi
else
  fallito "the killed run left no private folder to remove: it was killed too late or too early"
fi
exit $esito
