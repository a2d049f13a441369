#!/usr/bin/env bash
# The claim report read back as a doctor reads it: for a general practitioner and a paediatrician
# of a generated practice, the headless export writes RIEPILOGO.pdf, and its text (pdftotext) must
# give, per file and per service type, the services, patients and lines that the files themselves
# hold, counted here by position from the records; and, per Orvella code, the services left out
# that trx_sconosciuti.txt lists. The report is PDF/A-1b and nothing stands outside its pages'
# bodies but the footer. A second run moves the first report into storico, whole.
# Arguments: the headless export, the demo generator.
set -uo pipefail
# Byte by byte: trx_sconosciuti.txt is Windows-1252.
export LC_ALL=C
ESPORTA="$1"
GENERA_DEMO="$2"

errori=0
fallito() {
  echo "FAILED: $*" >&2
  errori=$((errori + 1))
}

LAVORO="$(mktemp -d)"
trap 'rm -rf "$LAVORO"' EXIT
"$GENERA_DEMO" --seed 30 "$LAVORO/pratica.sqlite" >/dev/null || exit 1

# Per service type of a file: "code services patients lines", from the records by position.
# Field places (from 1): code, count (none for BILSALU.DAT) and fiscal code.
dal_file() { # FILE CODE_FROM CODE_LEN COUNT_FROM COUNT_LEN
  awk -v c="$2" -v cl="$3" -v n="$4" -v nl="$5" '
    { sub(/\r$/, "") }
    { codice = substr($0, c, cl); quante = nl ? substr($0, n, nl) + 0 : 1
      servizi[codice] += quante; righe[codice]++
      if (!((codice, substr($0, 1, 16)) in visto)) { visto[codice, substr($0, 1, 16)] = 1; pazienti[codice]++ } }
    END { for (codice in servizi) print codice, servizi[codice], pazienti[codice], righe[codice] }' "$1" | sort
}

# The same from the report's table of the file: the rows between its heading and the next one.
dal_riepilogo() { # TEXT FILE
  awk -v file="$2" '
    { sub(/^\f/, "") } # a new page
    $0 == file { dentro = 1; next }
    dentro && (/^[A-Z]+\.DAT$/ || /^Prestazioni scartate$/) { exit }
    dentro && $1 != "Totale" && $2 ~ /^[0-9]+$/ && $3 ~ /^[0-9]+$/ && $4 ~ /^[0-9]+$/ { print $1, $2, $3, $4 }' "$1" | sort
}

# Every record of a file, under its type's heading in the report's listing, as "code fiscal-code
# date count", from the records by position and from the listing's lines.
record_dal_file() { # FILE CODE_FROM CODE_LEN COUNT_FROM COUNT_LEN DATE_FROM
  awk -v c="$2" -v cl="$3" -v n="$4" -v nl="$5" -v d="$6" '
    { sub(/\r$/, ""); print substr($0, c, cl), substr($0, 1, 16), substr($0, d, 10), nl ? substr($0, n, nl) + 0 : 1 }' \
    "$1" | sort
}
# The listing stands in columns side by side: a line of the text (-layout) holds a record of each.
record_dal_riepilogo() { # TEXT FILE
  awk -v file="$2" '
    function record(i) { return length($i) == 16 && $(i + 1) ~ /^[0-9][0-9]\/[0-9][0-9]\/[0-9][0-9][0-9][0-9]$/ && $(i + 2) ~ /^[0-9]+$/ }
    { sub(/^\f/, "") }
    /^[A-Z]+\.DAT: record/ { dentro = ($1 == file ":"); next }
    dentro && NF > 0 && NF % 3 == 0 && record(1) {
      for (i = 1; i <= NF; i += 3) if (record(i)) print codice, $i, $(i + 1), $(i + 2); else print "not a record:", $0
      next }
    dentro && $1 ~ /^[0-9]+$/ { codice = $1 }' "$1" | sort
}

# The table's Totale row ("services lines": its patients are no sum) and the count of distinct
# patients under it.
totale_dal_riepilogo() { # TEXT FILE
  awk -v file="$2" '
    { sub(/^\f/, "") }
    $0 == file { dentro = 1; next }
    dentro && $1 == "Totale" { print $2, $3 }
    dentro && /^Pazienti diversi in tutto: / { sub(/\.$/, "", $5); print $5; exit }' "$1"
}

# Per Orvella code, the services left out: from trx_sconosciuti.txt, whose entries run on in one
# line, and from the report's table.
scartati_dal_file() {
  sed 's/\*SCONOSCIUTO: /\n&/g; s/\*SCARTATO (SOLO PER MMG)/\n&/g; s/\([^*]\)\(SCARTATO (SOLO PER PLS)\)/\1\n\2/g' "$1" |
    sed -n 's/.*\*Codice Orvella\*: //p' | sort | uniq -c | awk '{ print $2, $1 }' | sort
}
scartati_dal_riepilogo() {
  awk '{ sub(/^\f/, "") }
    /^Prestazioni scartate$/ { dentro = 1; next }
    dentro && /^[A-Z]+\.DAT: record/ { exit }
    dentro && $2 ~ /^[0-9]+$/ && $1 != "Codice" { n[$1] += $2 }
    END { for (codice in n) print codice, n[codice] }' "$1" | sort
}

# How many pixels of the rows FROM..TO (from the top) of a page rendered in grey are not white.
scuri() { # PGM FROM TO
  local larghezza altezza testata
  read -r larghezza altezza < <(sed -n 2p "$1")
  testata=$(head -3 "$1" | wc -c)
  tail -c +$((testata + $2 * larghezza + 1)) "$1" | head -c $((($3 - $2 + 1) * larghezza)) | od -An -v -tu1 \
    | tr -s ' ' '\n' | grep -c -v -x -e 255 -e ''
}

for caso in "rossi|--vaccini|ACCESSI.DAT:37:1:33:4:23 PPIP.DAT:23:3:36:5:26 VACCINI.DAT:23:3:36:5:26" \
  "bianchi||BILSALU.DAT:33:2:0:0:23 PPIP.DAT:23:3:36:5:26"; do
  IFS='|' read -r utente opzioni file <<<"$caso"
  cartella="$LAVORO/$utente"
  # shellcheck disable=SC2086 # the options are words
  ORVELLA_SERVER_DB="$LAVORO/pratica.sqlite" OV_PIP_REGISTRY="$LAVORO/nessuna.reg" "$ESPORTA" --stand-in $opzioni \
    "$utente" demo 2000-01-01 2099-12-31 "$cartella" >"$LAVORO/$utente.out" 2>"$LAVORO/$utente.err" \
    || fallito "$utente: the export did not end well: $(cat "$LAVORO/$utente.err")"
  grep -q "^Riepilogo: creato file .*RIEPILOGO.pdf$" "$LAVORO/$utente.out" \
    || fallito "$utente: the summary does not name the report: $(tail -2 "$LAVORO/$utente.out")"
  pdftotext -layout "$cartella/RIEPILOGO.pdf" "$LAVORO/$utente.txt" || { fallito "$utente: no readable report"; continue; }
  for voce in $file; do
    IFS=':' read -r nome da lunghezza numero_da numero_lunghezza data_da <<<"$voce"
    atteso="$(dal_file "$cartella/$nome" "$da" "$lunghezza" "$numero_da" "$numero_lunghezza")"
    [ -n "$atteso" ] || fallito "$utente: $nome is empty, nothing to compare"
    trovato="$(dal_riepilogo "$LAVORO/$utente.txt" "$nome")"
    [ "$trovato" = "$atteso" ] || fallito "$utente: $nome per type, the report says
$trovato
and the file holds
$atteso"
    # The listing holds every record once, under its type.
    if ! diff <(record_dal_file "$cartella/$nome" "$da" "$lunghezza" "$numero_da" "$numero_lunghezza" "$data_da") \
      <(record_dal_riepilogo "$LAVORO/$utente.txt" "$nome") >"$LAVORO/differenze"; then
      fallito "$utente: $nome's records and the listing differ: $(head -4 "$LAVORO/differenze")"
    fi
    # Each total is the sum of the rows above it; the patients, each counted once, come apart.
    atteso="$(echo "$trovato" | awk '{ servizi += $2; righe += $4 } END { print servizi, righe }')
$(cut -c1-16 "$cartella/$nome" | sort -u | wc -l)"
    trovato="$(totale_dal_riepilogo "$LAVORO/$utente.txt" "$nome")"
    [ "$trovato" = "$atteso" ] || fallito "$utente: $nome, the totals and the patients read
$trovato
where the rows and the file give
$atteso"
  done
  # Kept for years: PDF/A-1b, its metadata saying so, every font inside the file.
  pdfinfo -meta "$cartella/RIEPILOGO.pdf" | grep -q 'pdfaid:part="1" pdfaid:conformance="B"' \
    || fallito "$utente: the report does not say it is PDF/A-1b"
  pdffonts "$cartella/RIEPILOGO.pdf" | awk 'NR > 2 && $(NF - 4) != "yes" { exit 1 }' \
    || fallito "$utente: fonts not embedded: $(pdffonts "$cartella/RIEPILOGO.pdf")"
  # At 72 dpi a pixel is a point: the body ends 60 points above the page's end, the footer's line
  # stands 4 points under it, 11 high. Above the body, between it and the footer and under the
  # footer nothing is drawn, a table's frame that goes on to the next page included.
  pdftoppm -gray -r 72 "$cartella/RIEPILOGO.pdf" "$LAVORO/$utente-pagina"
  for pagina in "$LAVORO/$utente"-pagina-*.pgm; do
    for fascia in "0 41" "783 785" "800 841"; do
      # shellcheck disable=SC2086 # the rows are two words
      n="$(scuri "$pagina" $fascia)"
      [ "$n" -eq 0 ] || fallito "$utente: $(basename "$pagina"): $n dark pixels in rows $fascia, outside the body"
    done
  done
  # Nor is a line of text cut in two by a page's end: each stands whole on one page. A point either
  # side is the font's ascent as the reader measures it, not a cut.
  tagliate="$(pdftotext -bbox "$cartella/RIEPILOGO.pdf" - | awk -F'"' '/<word / && ($4 < 41 && $8 > 43 || $4 < 781 && $8 > 783) {
    sub(/.*">/, ""); sub(/<.*/, ""); print }' | head -3)"
  [ -z "$tagliate" ] || fallito "$utente: words across a page's edge: $tagliate"
  atteso="$(scartati_dal_file "$cartella/trx_sconosciuti.txt")"
  trovato="$(scartati_dal_riepilogo "$LAVORO/$utente.txt")"
  [ -n "$atteso" ] && [ "$trovato" = "$atteso" ] || fallito "$utente: services left out, the report says
$trovato
and trx_sconosciuti.txt lists
$atteso"
done

# The same export again: the first report goes into storico with the files, byte for byte.
cp "$LAVORO/rossi/RIEPILOGO.pdf" "$LAVORO/primo.pdf"
ORVELLA_SERVER_DB="$LAVORO/pratica.sqlite" OV_PIP_REGISTRY="$LAVORO/nessuna.reg" "$ESPORTA" --stand-in --vaccini \
  rossi demo 2000-01-01 2099-12-31 "$LAVORO/rossi" >/dev/null 2>&1 || fallito "the second run did not end well"
copie=("$LAVORO"/rossi/storico/*_RIEPILOGO.pdf)
if [ ${#copie[@]} -ne 1 ] || ! cmp -s "${copie[0]}" "$LAVORO/primo.pdf"; then
  fallito "the first report is not whole in storico: $(ls "$LAVORO/rossi/storico")"
fi
[ -s "$LAVORO/rossi/RIEPILOGO.pdf" ] || fallito "the second run wrote no report"

[ "$errori" -eq 0 ] && echo "The reports of rossi and bianchi tell what their files and trx_sconosciuti.txt hold"
exit $((errori > 0))
