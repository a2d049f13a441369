#!/usr/bin/env bash
# What a newcomer meets at the terminal: the program's and the generator's answers without a
# display, and what run.sh and test.sh build. The scripts run against stand-in cmake, apt-get and
# dpkg-query that only write down how they were called, so nothing is installed or built here.
# Arguments: the source folder, the program, the demo generator.
set -uo pipefail
ROOT="$1"
OV_PIP="$2"
GENERA_DEMO="$3"

errori=0
fallito() {
  echo "FAILED: $*" >&2
  errori=$((errori + 1))
}

LAVORO="$(mktemp -d)"
trap 'rm -rf "$LAVORO"' EXIT

# --- the program answers on the terminal without a display ---
senza_display=(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb)
aiuto="$("${senza_display[@]}" "$OV_PIP" --help 2>&1)" || fallito "ov_pip --help exits with $?"
grep -q "ORVELLA_SERVER_DB" <<<"$aiuto" || fallito "ov_pip --help does not name ORVELLA_SERVER_DB: $aiuto"
versione="$("${senza_display[@]}" "$OV_PIP" --version 2>&1)" || fallito "ov_pip --version exits with $?"
[ "$versione" = "ov_pip ver. 6" ] || fallito "ov_pip --version says: $versione"

# --- the generator says what it counts and refuses practices of many GB ---
aiuto="$("$GENERA_DEMO" --help)" || fallito "genera_demo --help exits with $?"
for opzione in --patients --services --exams; do
  grep -A1 -- "^  $opzione" <<<"$aiuto" | grep -q "in tutto" \
    || fallito "genera_demo --help does not say how many $opzione in all: $aiuto"
done
grep -q "per paziente" <<<"$aiuto" || fallito "genera_demo --help does not say what counts per patient"
"$GENERA_DEMO" --patients 100000000 --services 100 "$LAVORO/enorme.sqlite" 2>"$LAVORO/errore"
esito=$?
[ "$esito" -eq 2 ] || fallito "genera_demo of about 1 TB exits with $esito"
grep -q "GB" "$LAVORO/errore" || fallito "genera_demo's refusal does not give the size: $(cat "$LAVORO/errore")"
[ ! -e "$LAVORO/enorme.sqlite" ] || fallito "genera_demo wrote a file it refused"

# --- run.sh and test.sh, against stand-in tools ---
mkdir -p "$LAVORO/bin"
for strumento in cmake apt-get sudo; do
  cat >"$LAVORO/bin/$strumento" <<STRUMENTO
#!/usr/bin/env bash
echo "$strumento \$*" >>"$LAVORO/chiamate"
# A build stops the script here, before a demo is written or the program started.
[[ " \$* " == *" --build "* ]] && exit 1
exit 0
STRUMENTO
done
printf '#!/usr/bin/env bash\nprintf "install ok installed"\n' >"$LAVORO/bin/dpkg-query"
chmod +x "$LAVORO/bin/"*
strumenti="PATH=$LAVORO/bin:$PATH"

rm -f "$LAVORO/chiamate"
env -u DISPLAY -u WAYLAND_DISPLAY "$strumenti" "$ROOT/run.sh" >/dev/null 2>"$LAVORO/errore"
esito=$?
[ "$esito" -ne 0 ] || fallito "run.sh without a display exits with 0"
grep -q "xvfb-run" "$LAVORO/errore" || fallito "run.sh without a display does not say how to get one: $(cat "$LAVORO/errore")"
[ ! -e "$LAVORO/chiamate" ] || fallito "run.sh without a display still built: $(cat "$LAVORO/chiamate")"

rm -f "$LAVORO/chiamate"
env -u WAYLAND_DISPLAY "$strumenti" DISPLAY=:99 "$ROOT/run.sh" >/dev/null 2>&1
costruzione="$(grep -- "--build" "$LAVORO/chiamate")"
[ "$costruzione" = "cmake --build $ROOT/build --parallel --target ov_pip genera_demo" ] \
  || fallito "run.sh builds: $costruzione"

rm -f "$LAVORO/chiamate"
env "$strumenti" "$ROOT/test.sh" >/dev/null 2>&1
costruzione="$(grep -- "--build" "$LAVORO/chiamate")"
[ "$costruzione" = "cmake --build $ROOT/build --parallel" ] || fallito "test.sh builds: $costruzione"

# --- the README's user section explains the files and summary lines the program really writes ---
# Read once: a pipe into grep -q would kill sed with SIGPIPE once the section outgrows one write.
sezione="$(sed -n '/^## Using the program/,/^## Configuration/p' "$ROOT/README.md")"
for testo in "ACCESSI.DAT" "PPIP.DAT" "VACCINI.DAT" "BILSALU.DAT" "trx_sconosciuti.txt" "karv_log.txt" \
  "Operazione completata." "Visite: creato file" "Prestazioni: creato file" "Vaccini: creato file" \
  "Bilanci: creato file" "[Sono state scartate" "ATTENZIONE:" "Procedura terminata."; do
  grep -rqF -- "$testo" "$ROOT/src" || fallito "the program no longer writes \"$testo\""
  grep -qF -- "$testo" <<<"$sezione" || fallito "README's user section does not explain \"$testo\""
done

[ "$errori" -eq 0 ] && echo "All checks passed."
exit "$errori"
