#!/usr/bin/env bash
# A month that falls short is told. Headless exports of a generated practice, each on a day of the
# month after its own: three whole months, then a fourth with three quarters of its PPIP services
# gone from the practice, then a fifth untouched. The fourth's summary and box name PPIP.DAT with
# its figures, which are those the register holds for the three months before; its report's table
# gives the three months as the register holds them; the fifth carries no such warning.
# Arguments: the headless export, the demo generator.
set -uo pipefail
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
# Some thousand PPIP services a month, for the thousands' separator.
"$GENERA_DEMO" --seed 38 --services 130 "$LAVORO/pratica.sqlite" >/dev/null || exit 1

# The practice holds the last year: five months from nine months ago.
primo="$(date -d "$(date +%Y-%m-01) -9 months" +%Y-%m-01)"
giorno() { date -d "$primo +$1 months ${2:-}" +%Y-%m-%d; }
esporta() { # MONTH (0-4)
  ORVELLA_SERVER_DB="$LAVORO/pratica.sqlite" OV_PIP_REGISTRY="$LAVORO/nessuna.reg" "$ESPORTA" --stand-in --vaccini \
    --adesso "$(giorno $(($1 + 1)) "+4 days")" rossi demo "$(giorno "$1")" "$(giorno $(($1 + 1)) "-1 day")" \
    "$LAVORO/karv" >"$LAVORO/$1.crlf" 2>"$LAVORO/$1.err.crlf" || fallito "month $1: the export did not end well: $(cat "$LAVORO/$1.err.crlf")"
  tr -d '\r' <"$LAVORO/$1.crlf" >"$LAVORO/$1.out"
  tr -d '\r' <"$LAVORO/$1.err.crlf" >"$LAVORO/$1.err"
}
# 1602 as 1.602
migliaia() { echo "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|\.\)/\1.\2\3/; ta'; }
# A field of the register's line of the month's period: 8, 10 and 12 are the services of
# ACCESSI.DAT, PPIP.DAT and VACCINI.DAT.
dal_registro() { # MONTH FIELD
  awk -F';' -v dal="\"$(date -d "$(giorno "$1")" +%d/%m/%Y)\"" -v campo="$2" '$2 == dal { gsub(/"/, "", $campo); n = $campo } END { print n }' \
    "$LAVORO/karv/storico/registro_esportazioni.csv"
}
mese() { # MONTH
  local nomi=(gennaio febbraio marzo aprile maggio giugno luglio agosto settembre ottobre novembre dicembre)
  echo "${nomi[$((10#$(date -d "$(giorno "$1")" +%m) - 1))]} $(date -d "$(giorno "$1")" +%Y)"
}

for m in 0 1 2; do esporta $m; done
grep -q "^PPIP.DAT: .* prestazioni ($(mese 0): [0-9.]*)$" "$LAVORO/1.out" \
  || fallito "the second month's summary does not set PPIP.DAT beside the first: $(grep '^PPIP' "$LAVORO/1.out")"

mese3="$(giorno 3 "" | cut -c1-7)"
sqlite3 "$LAVORO/pratica.sqlite" "DELETE FROM prestazioni_incentivanti WHERE data_esecuzione LIKE '$mese3-%' AND id % 4 <> 0
  AND codice_ov_pip IN ('0000001', '0000002', '0000003', '0000004', '0000005', '0000006', '0000008', '0000013',
  '0000017', '0000126', '0000132', '0000254', '0000315')" || exit 1
esporta 3
ora="$(awk '/^PPIP.DAT: .* righe, / { print $4 }' "$LAVORO/3.out")"
prima=""
for m in 2 1 0; do prima+="${prima:+, }$(mese $m): $(migliaia "$(dal_registro $m 10)")"; done
atteso="PPIP.DAT: $(migliaia "$ora") prestazioni ($prima), meno della metà dei mesi precedenti: verificare in Orvella che le prestazioni del periodo siano registrate."
grep -qxF "ATTENZIONE: $atteso" "$LAVORO/3.out" || fallito "the summary does not say
ATTENZIONE: $atteso
but
$(grep -a ATTENZIONE "$LAVORO/3.out")"
grep -qxF "$atteso" "$LAVORO/3.err" || fallito "the box does not say
$atteso
but
$(cat "$LAVORO/3.err")"
[ "$(grep -c "meno della met" "$LAVORO/3.out")" -eq 1 ] || fallito "files other than PPIP.DAT fall short: $(cat "$LAVORO/3.out")"

# The report's table: the three months, the earliest first, as the register holds them, then the run's.
pdftotext -layout "$LAVORO/karv/RIEPILOGO.pdf" "$LAVORO/3.txt" || fallito "no readable report"
for voce in ACCESSI.DAT:8 PPIP.DAT:10 VACCINI.DAT:12; do
  IFS=':' read -r nome campo <<<"$voce"
  atteso="$nome $(dal_registro 0 "$campo") $(dal_registro 1 "$campo") $(dal_registro 2 "$campo") $(dal_registro 3 "$campo")"
  trovato="$(awk -v nome="$nome" '/^ *Confronto con i mesi precedenti$/ { dentro = 1 } dentro && $1 == nome { print; exit }' \
    "$LAVORO/3.txt" | awk '{ $1 = $1; print }')"
  [ "$trovato" = "$atteso" ] || fallito "the report's table gives '$trovato' where the register holds '$atteso'"
done

esporta 4
if grep -q "meno della met" "$LAVORO/4.out" "$LAVORO/4.err"; then
  fallito "a month untouched falls short: $(grep -h "meno della met" "$LAVORO/4.out" "$LAVORO/4.err")"
fi

[ "$errori" -eq 0 ] && echo "The month with a quarter of its PPIP services is told, against the register's months before"
exit $((errori > 0))
