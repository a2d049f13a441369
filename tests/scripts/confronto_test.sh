#!/usr/bin/env bash
# A month that falls short is told. Headless exports of a generated practice, each made in the
# month after its own: three months, a fourth with three quarters of its PPIP services deleted
# from the practice, a fifth untouched. The fourth's summary and box name PPIP.DAT with the
# figures the register holds for the three months before, and its report's table gives them; the
# fifth has no such warning. Arguments: the headless export, the demo generator.
set -uo pipefail
export LC_ALL=C
errori=0
fallito() {
  echo "FAILED: $*" >&2
  errori=$((errori + 1))
}
LAVORO="$(mktemp -d)"
trap 'rm -rf "$LAVORO"' EXIT
# Over a thousand PPIP services a month, for the thousands' separator.
"$2" --seed 38 --services 130 "$LAVORO/pratica.sqlite" >/dev/null || exit 1

# The practice holds the last year: five months from nine months ago.
primo="$(date -d "$(date +%Y-%m-01) -9 months" +%Y-%m-01)"
giorno() { date -d "$primo +$1 months ${2:-}" "+${3:-%Y-%m-%d}"; }
esporta() { # MONTH (0-4): its summary in N.out, its box in N.err
  ORVELLA_SERVER_DB="$LAVORO/pratica.sqlite" OV_PIP_REGISTRY="$LAVORO/nessuna.reg" "$1" --stand-in --vaccini \
    --adesso "$(giorno $(($2 + 1)) "+4 days")" rossi demo "$(giorno "$2")" "$(giorno $(($2 + 1)) "-1 day")" \
    "$LAVORO/karv" 2>&1 >"$LAVORO/$2.out" | tr -d '\r' >"$LAVORO/$2.err" || fallito "month $2: $(cat "$LAVORO/$2.err")"
  sed -i 's/\r$//' "$LAVORO/$2.out"
}
migliaia() { echo "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|\.\)/\1.\2\3/; ta'; }
# A field of the register's line of the month: 8, 10 and 12 are ACCESSI.DAT's, PPIP.DAT's and
# VACCINI.DAT's services.
registro() { # MONTH FIELD
  awk -F';' -v dal="\"$(giorno "$1" "" %d/%m/%Y)\"" -v campo="$2" '$2 == dal { gsub(/"/, "", $campo); n = $campo } END { print n }' \
    "$LAVORO/karv/storico/registro_esportazioni.csv"
}
mese() {
  local nomi=(gennaio febbraio marzo aprile maggio giugno luglio agosto settembre ottobre novembre dicembre)
  echo "${nomi[$((10#$(giorno "$1" "" %m) - 1))]} $(giorno "$1" "" %Y)"
}

for m in 0 1 2; do esporta "$1" $m; done
sqlite3 "$LAVORO/pratica.sqlite" "DELETE FROM prestazioni_incentivanti WHERE data_esecuzione LIKE '$(giorno 3 "" %Y-%m)-%'
  AND id % 4 <> 0 AND codice_ov_pip IN ('0000001', '0000002', '0000003', '0000004', '0000005', '0000006', '0000008',
  '0000013', '0000017', '0000126', '0000132', '0000254', '0000315')" || exit 1
esporta "$1" 3
prima="$(mese 2): $(migliaia "$(registro 2 10)"), $(mese 1): $(migliaia "$(registro 1 10)"), $(mese 0): $(migliaia "$(registro 0 10)")"
atteso="PPIP.DAT: $(migliaia "$(registro 3 10)") prestazioni ($prima), meno della metà dei mesi precedenti: verificare in Orvella che le prestazioni del periodo siano registrate."
[ "$(grep "meno della met" "$LAVORO/3.out")" = "ATTENZIONE: $atteso" ] || fallito "the summary says
$(grep ATTENZIONE "$LAVORO/3.out")
and not
ATTENZIONE: $atteso"
# The box names it too, and sends to the report the run wrote.
[ "$(tail -2 "$LAVORO/3.err")" = "$atteso
Dettagli nel riepilogo." ] || fallito "the box says $(cat "$LAVORO/3.err")"
pdftotext -layout "$LAVORO/karv/RIEPILOGO.pdf" "$LAVORO/3.txt" || fallito "no readable report"
for voce in ACCESSI.DAT:8 PPIP.DAT:10 VACCINI.DAT:12; do
  atteso="${voce%:*} $(registro 0 "${voce#*:}") $(registro 1 "${voce#*:}") $(registro 2 "${voce#*:}") $(registro 3 "${voce#*:}")"
  trovato="$(awk -v nome="${voce%:*}" '/^ *Confronto con i mesi precedenti$/ { dentro = 1 } dentro && $1 == nome { $1 = $1; print; exit }' \
    "$LAVORO/3.txt")"
  [ "$trovato" = "$atteso" ] || fallito "the report's table gives '$trovato' where the register holds '$atteso'"
done

esporta "$1" 4
! grep "meno della met" "$LAVORO/4.out" "$LAVORO/4.err" || fallito "the month untouched falls short"
[ "$errori" -eq 0 ] && echo "The month with a quarter of its PPIP services is told, against the register's months before"
exit $((errori > 0))
