#!/usr/bin/env bash
# The package a practice installs, proven under Wine. Builds it (msi.sh) from the installed program
# folder of the Windows build; installs it silently and checks the files in Program Files, the
# Start-menu shortcut and the one entry in "Programs and Features"; installs over it a rebuild of
# the same version, signed with a throwaway certificate, then a newer version, and checks that one
# copy remains, the newer one, and that an older package refuses to go over it; runs the
# end-to-end window test (finestra.sh) through the installed program against each kind of stand-in
# server (stand_in.sh), and sees sign-in refused where only a 64-bit in-process server is
# registered, a few runs side by side (OV_PIP_FINESTRE_AFFIANCATE, 3 unless set), each in a copy
# of the prefix with the program installed; uninstalls silently and
# checks that Program Files, ProgramData and both Start menus are as before. Checks the signatures,
# and that a changed byte or a wrong password fails. The settings key is the administrator's:
# neither installing nor uninstalling may touch it.
#
#   msi_test.sh BUILD_WINDOWS [--senza-finestra]
#
# BUILD_WINDOWS holds the installed program folder ov_pip/; the unsigned package goes beside it
# (ov_pip-VERSION-x86.msi, the one for the practices), the other packages and the test's files
# into BUILD_WINDOWS/msi. Needs WINEPREFIX (64-bit with Wine's 32-bit part, Windows 10) and, for
# finestra.sh, the stand-in servers built in BUILD_WINDOWS/hostserver/com (32-bit) and
# BUILD_WINDOWS/x64/hostserver/com (64-bit) and the Linux build in build/, as scripts/windows/test.sh
# leaves them. --senza-finestra leaves the window tests out, for a program folder of stand-in files.
set -euo pipefail

QUI="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ $# -lt 1 ] || [ $# -gt 2 ] || { [ $# = 2 ] && [ "$2" != --senza-finestra ]; }; then
  echo "usage: $0 BUILD_WINDOWS [--senza-finestra]" >&2
  exit 2
fi
BUILD="$(cd "$1" && pwd)"
FINESTRA=1
[ "${2:-}" = --senza-finestra ] && FINESTRA=0
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
WINEPREFIX="$(cd "$WINEPREFIX" && pwd)"
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}"
# Wine would copy the Start-menu shortcut into the Linux user's menu.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"

PROGRAMMA="$BUILD/ov_pip"
LAVORO="$BUILD/msi"
rm -rf "$LAVORO"
mkdir -p "$LAVORO"

esito=0
sbaglia() {
  echo "FAILED: $*"
  esito=1
}
ora() { date +%s.%N; }
durata() { awk -v da="$1" -v a="$(ora)" 'BEGIN { printf "%.1f s", a - da }'; }

# shellcheck source=percorsi_wine.sh
. "$QUI/percorsi_wine.sh"
# The 32-bit program goes into Program Files (x86).
INSTALLATO="$(cartella_wine '%ProgramFiles(x86)%')/ov_pip"
MENU_UTENTE="$(cartella_wine '%APPDATA%')/Microsoft/Windows/Start Menu/Programs"
MENU_TUTTI="$(cartella_wine '%ProgramData%')/Microsoft/Windows/Start Menu/Programs"
DATI_COMUNI="$(cartella_wine '%ProgramData%')"
PROGRAMMI_64="$(cartella_wine '%ProgramW6432%')"
PROGRAMMI_32="$(dirname "$INSTALLATO")"
# The installer's cache: the package and the icons of its shortcuts and of "Programs and Features".
CACHE_INSTALLER="$(cartella_wine '%windir%')/Installer"
for cartella in "$INSTALLATO" "$MENU_UTENTE" "$MENU_TUTTI" "$PROGRAMMI_64" "$CACHE_INSTALLER"; do
  [[ "$cartella" == "$WINEPREFIX"/?* ]] || { echo "ERROR: Wine in $WINEPREFIX names no folder for $cartella" >&2; exit 1; }
done

# "key|name|version|publisher" for every entry of "Programs and Features" named ov_pip, in both
# views of the registry.
voci() {
  for vista in 64 32; do
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:$vista 2>/dev/null || true
  done | tr -d '\r' | awk -F '    ' '
    function stampa() { if (nome == "ov_pip") print chiave "|" nome "|" versione "|" editore }
    /^HKEY/ { stampa(); chiave = $0; nome = versione = editore = ""; next }
    $2 == "DisplayName" { nome = $4 }
    $2 == "DisplayVersion" { versione = $4 }
    $2 == "Publisher" { editore = $4 }
    END { stampa() }'
}
# What installing and uninstalling may change, and what they must leave as it was.
fotografia() {
  find "$PROGRAMMI_64" "$PROGRAMMI_32" "$DATI_COMUNI" "$MENU_UTENTE" "$CACHE_INSTALLER" 2>/dev/null | sort
  wine reg query 'HKLM\Software\Classes\Installer\Products' /s /reg:64 2>/dev/null | tr -d '\r' | grep '^HKEY' || true
  voci
}
impostazioni() {
  for vista in 32 64; do
    wine reg query 'HKLM\SOFTWARE\Corvitel-Amberlo' /s /reg:$vista 2>/dev/null | tr -d '\r' || true
  done
}
installa() { # MSI: prints how long it took
  local inizio
  inizio="$(ora)"
  wine msiexec /i "$(finestre "$1")" /qn >&2 || return 1
  durata "$inizio"
}

# One copy, of that version and publisher; the files of that folder, the exe perhaps signed; the
# shortcut and the icon of "Programs and Features".
controlla_installazione() { # VERSION FOLDER [signed]
  local versione="$1" origine="$2" firmato="${3:-}" elenco file collegamenti icona
  elenco="$(voci)"
  if [ "$(grep -c . <<<"$elenco")" -ne 1 ]; then
    sbaglia "$(grep -c . <<<"$elenco") entries of ov_pip in \"Programs and Features\", not one:"$'\n'"$elenco"
  fi
  [[ "$elenco" == *"|ov_pip|$versione|Corvitel-Amberlo" ]] \
    || sbaglia "the entry in \"Programs and Features\" is not ov_pip $versione by Corvitel-Amberlo: $elenco"
  if ! diff <(cd "$origine" && find . | sort) <(cd "$INSTALLATO" 2>/dev/null && find . | sort); then
    sbaglia "$INSTALLATO does not hold exactly the files of $origine"
  fi
  while read -r file; do
    if [ "$file" = ./ov_pip.exe ] && [ -n "$firmato" ]; then
      verifica "$INSTALLATO/$file" || sbaglia "the installed ov_pip.exe carries no valid signature"
      [ "$(impronta "$INSTALLATO/$file")" = "$IMPRONTA_PROGRAMMA" ] \
        || sbaglia "the installed ov_pip.exe, its signature aside, is not the program folder's"
    elif ! cmp -s "$origine/$file" "$INSTALLATO/$file"; then
      sbaglia "the installed $file differs from the program folder's"
    fi
  done < <(cd "$origine" && find . -type f)
  collegamenti="$(find "$MENU_UTENTE" "$MENU_TUTTI" -maxdepth 1 -name 'ov_pip.lnk')"
  if [ "$(grep -c . <<<"$collegamenti")" -ne 1 ]; then
    sbaglia "not one Start-menu shortcut: ${collegamenti:-none}"
  elif ! grep -qaF 'C:\Program Files (x86)\ov_pip\ov_pip.exe' "$collegamenti"; then
    sbaglia "the Start-menu shortcut does not start C:\\Program Files (x86)\\ov_pip\\ov_pip.exe"
  else
    icona="$(strings -a -el "$collegamenti" | grep -oE '[A-Z]:\\.*\.ico$' | head -1 || true)"
    icona_del_programma "$icona" || sbaglia "the Start-menu shortcut has not the program's icon (${icona:-none})"
  fi
  icona="$(wine reg query 'HKLM\Software\Classes\Installer\Products' /s /reg:64 2>/dev/null | tr -d '\r' \
    | awk -F '    ' '$2 == "ProductIcon" { i = $4 } $2 == "ProductName" && $4 == "ov_pip" { print i; i = "" }')"
  icona_del_programma "$icona" || sbaglia "\"Programs and Features\" has not the program's icon (${icona:-none})"
}
icona_del_programma() { # WINDOWS_PATH
  [ -n "$1" ] && cmp -s "$(winepath -u "$1" 2>/dev/null)" "$QUI/../../src/app/windows/ov_pip.ico"
}

# Anything of an earlier run goes first, so that the prefix is as a practice's PC before.
while IFS='|' read -r chiave _; do
  [ -z "$chiave" ] || wine msiexec /x "${chiave##*\\}" /qn || true
done < <(voci)
rm -rf "$INSTALLATO" "$MENU_UTENTE/ov_pip.lnk" "$MENU_TUTTI/ov_pip.lnk"

# --- The packages ----------------------------------------------------------------------------
# The unsigned one is the package for the practices that the build leaves beside the program
# folder: built once, here, and proven.
inizio="$(ora)"
PACCHETTO="$BUILD/ov_pip-$(sed -n 's/^project(ov_pip VERSION \([0-9.]*\).*/\1/p' "$QUI/../../CMakeLists.txt")-x86.msi"
riga="$(env -u OV_PIP_CERTIFICATO "$QUI/msi.sh" "$PROGRAMMA" "$PACCHETTO")"
echo "$riga"
echo "Measured: the package built in $(durata "$inizio")"
VERSIONE="$(sed -n 's/^ov_pip \([0-9.]*\): .*/\1/p' <<<"$riga")"
NUOVA="$((${VERSIONE%%.*} + 1)).0.0"
[[ "$riga" == *"NOT signed"* ]] || sbaglia "the build without a certificate does not say that the package is not signed"

# A throwaway code-signing certificate of its own, trusted for the verification only.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ov_pip prova/O=Corvitel-Amberlo" \
  -addext extendedKeyUsage=codeSigning -addext keyUsage=critical,digitalSignature \
  -keyout "$LAVORO/chiave.pem" -out "$LAVORO/certificato.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$LAVORO/chiave.pem" -in "$LAVORO/certificato.pem" -passout pass:prova-firma \
  -out "$LAVORO/certificato.p12"
export OV_PIP_CERTIFICATO="$LAVORO/certificato.p12" OV_PIP_CERTIFICATO_PASSWORD=prova-firma
"$QUI/msi.sh" "$PROGRAMMA" "$LAVORO/ov_pip-firmato.msi"
"$QUI/msi.sh" "$PROGRAMMA" "$LAVORO/ov_pip-nuovo.msi" "$NUOVA"
if OV_PIP_CERTIFICATO_PASSWORD=sbagliata "$QUI/msi.sh" "$PROGRAMMA" "$LAVORO/password-sbagliata.msi" 2>/dev/null \
  || [ -e "$LAVORO/password-sbagliata.msi" ]; then
  sbaglia "a wrong certificate password still made a package"
fi
unset OV_PIP_CERTIFICATO OV_PIP_CERTIFICATO_PASSWORD

verifica() { osslsigncode verify -CAfile "$LAVORO/certificato.pem" -in "$1" >/dev/null 2>&1; }
# The digest of a signed program, which leaves out the signature and the header's checksum: the
# installed signed program must have the one of the build's program signed here.
impronta() { osslsigncode verify -CAfile "$LAVORO/certificato.pem" -in "$1" 2>/dev/null | sed -n 's/^Calculated message digest *: *//p'; }
osslsigncode sign -pkcs12 "$LAVORO/certificato.p12" -pass prova-firma -n ov_pip -h sha256 \
  -in "$PROGRAMMA/ov_pip.exe" -out "$LAVORO/ov_pip-firmato.exe" >/dev/null
IMPRONTA_PROGRAMMA="$(impronta "$LAVORO/ov_pip-firmato.exe")"
[ -n "$IMPRONTA_PROGRAMMA" ] || { echo "ERROR: osslsigncode gives no digest of the signed ov_pip.exe" >&2; exit 1; }
for pacchetto in ov_pip-firmato.msi ov_pip-nuovo.msi; do
  verifica "$LAVORO/$pacchetto" || sbaglia "the signature of $pacchetto does not verify"
done
verifica "$PACCHETTO" && sbaglia "the unsigned package passes as signed"
# A byte of the cabinet (the program files) changed after signing.
cp "$LAVORO/ov_pip-firmato.msi" "$LAVORO/alterato.msi"
cabinet="$(grep -obUa MSCF "$LAVORO/alterato.msi" | head -1 | cut -d: -f1)"
printf '\x5a' | dd of="$LAVORO/alterato.msi" bs=1 seek=$((cabinet + 300)) conv=notrunc 2>/dev/null
cmp -s "$LAVORO/ov_pip-firmato.msi" "$LAVORO/alterato.msi" && printf '\xa5' \
  | dd of="$LAVORO/alterato.msi" bs=1 seek=$((cabinet + 300)) conv=notrunc 2>/dev/null
verifica "$LAVORO/alterato.msi" && sbaglia "a package changed after signing still verifies"

# --- Install, reinstall, upgrade, refused downgrade ------------------------------------------
# Every Windows has the installer's cache folder; a fresh Wine prefix makes it at the first install.
mkdir -p "$CACHE_INSTALLER"
PRIMA="$(fotografia)"
IMPOSTAZIONI_PRIMA="$(impostazioni)"
tempo="$(installa "$PACCHETTO")" || { sbaglia "msiexec /i $(basename "$PACCHETTO") /qn failed"; exit 1; }
echo "Measured: installed in $tempo"
controlla_installazione "$VERSIONE" "$PROGRAMMA"
echo "Installed: $(cd "$INSTALLATO" && find . -type f | wc -l) files, $(du -sb "$INSTALLATO" | cut -f1) bytes in $(finestre "$INSTALLATO")"

tempo="$(installa "$LAVORO/ov_pip-firmato.msi")" || sbaglia "msiexec /i of a rebuild of $VERSIONE failed"
echo "Measured: a rebuild of the same version installed over it in $tempo"
controlla_installazione "$VERSIONE" "$PROGRAMMA" firmato

tempo="$(installa "$LAVORO/ov_pip-nuovo.msi")" || sbaglia "msiexec /i of version $NUOVA over $VERSIONE failed"
echo "Measured: version $NUOVA installed over $VERSIONE in $tempo"
controlla_installazione "$NUOVA" "$PROGRAMMA" firmato

if installa "$PACCHETTO" >/dev/null 2>&1; then
  sbaglia "version $VERSIONE installed over the newer $NUOVA"
fi
controlla_installazione "$NUOVA" "$PROGRAMMA" firmato
[ "$(impostazioni)" = "$IMPOSTAZIONI_PRIMA" ] || sbaglia "installing changed HKLM\\SOFTWARE\\Corvitel-Amberlo"

# --- The installed program, alone: no build folder on the DLL path ----------------------------
# The window runs, each against the stand-in server of one kind registered alone (stand_in.sh):
# name|kind (nessuno: none)|finestra.sh's mode|what the program meets. Then what a practice's PC
# does to the host: busy for a while (refusing from each call, or from its message filter), busy
# past the wait, gone mid-run; and sign-in where no server a 32-bit program can use is registered.
FINESTRE=(
  "dll32|dll32||against the dll32 stand-in server"
  "exe32|exe32||against the exe32 stand-in server"
  "exe64|exe64||against the exe64 stand-in server"
  "exe32--occupato|exe32|--occupato|against the exe32 stand-in server, --occupato"
  "exe32--occupato-filtro|exe32|--occupato-filtro|against the exe32 stand-in server, --occupato-filtro"
  "exe32--chiuso|exe32|--chiuso|against the exe32 stand-in server, --chiuso"
  "exe32--tenuti|exe32|--tenuti|against the exe32 stand-in server, the report and the register held"
  "exe32--non-risponde|exe32|--non-risponde|against the exe32 stand-in server, --non-risponde"
  "nessuno|nessuno|--avvio-rifiutato|where no Orvella.Server is registered"
  "dll64|dll64|--avvio-rifiutato|where only a 64-bit in-process server is registered"
)
# Each run mostly waits (for Wine, a window, a box): a few go side by side, each with its own
# display and its own copy of this prefix, where the program is installed.
AFFIANCATE="${OV_PIP_FINESTRE_AFFIANCATE:-3}"

# A copy of this prefix into the folder. The system's DLLs, which no run writes, are shared
# through hard links: a full copy takes 1.3 GB and 20 s.
copia_prefisso() { # FOLDER
  local sistema
  rm -rf "$1"
  mkdir -p "$1"
  tar -C "$WINEPREFIX" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 \
    --exclude=./drive_c/windows/winsxs -cf - . | tar -C "$1" -xf -
  for sistema in system32 syswow64 winsxs; do
    cp -a --link "$WINEPREFIX/drive_c/windows/$sistema" "$1/drive_c/windows/"
  done
}

# One window run, in a prefix of its own: the stand-in of that kind registered alone, then
# finestra.sh. Its prefix goes when it passes.
finestra_in_copia() { # NAME KIND MODE WHAT
  local nome="$1" tipo="$2" modo="$3" cosa="$4" inizio copia="$LAVORO/prefissi/$nome"
  inizio="$(ora)"
  copia_prefisso "$copia" || return 1
  local WINEPREFIX="$copia"
  export WINEPREFIX
  echo "The installed program $cosa:"
  if [ "$tipo" = nessuno ]; then
    rimuovi_stand_in
  else
    registra_stand_in "$tipo" || return 1
  fi
  descrivi_stand_in
  # shellcheck disable=SC2086 # no mode is no argument
  env -u WINEPATH "$QUI/finestra.sh" "$PROGRAMMA_INSTALLATO" "$LAVORO/finestra-$nome" $modo || return 1
  echo "Measured: the window run $nome in $(durata "$inizio")"
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}

# Starts the run of that line of FINESTRE in the background: its output into its log, its
# exit status into a file of its own once it ends.
avvia_finestra() { # INDEX
  local nome tipo modo cosa
  IFS='|' read -r nome tipo modo cosa <<<"${FINESTRE[$1]}"
  (
    stato=0
    finestra_in_copia "$nome" "$tipo" "$modo" "$cosa" >"$LAVORO/finestra-$nome.log" 2>&1 || stato=$?
    echo "$stato" >"$LAVORO/finestra-$nome.esito"
  ) &
}
finita() { [ -f "$LAVORO/finestra-${FINESTRE[$1]%%|*}.esito" ]; }

# Prints that run's log whole once it has ended; a failed run is named.
stampa_finestra() { # INDEX
  local nome="${FINESTRE[$1]%%|*}"
  cat "$LAVORO/finestra-$nome.log"
  if [ "$(cat "$LAVORO/finestra-$nome.esito")" != 0 ]; then
    sbaglia "the window run $nome (the installed program ${FINESTRE[$1]##*|}); its prefix is kept in $LAVORO/prefissi/$nome"
  fi
}

# All runs, AFFIANCATE at a time, their logs printed in the order of FINESTRE.
finestre_affiancate() {
  local avviate=0 stampate=0 in_corso indice inizio
  inizio="$(ora)"
  while [ "$stampate" -lt "${#FINESTRE[@]}" ]; do
    in_corso=0
    for ((indice = stampate; indice < avviate; indice++)); do
      finita "$indice" || in_corso=$((in_corso + 1))
    done
    if [ "$avviate" -lt "${#FINESTRE[@]}" ] && [ "$in_corso" -lt "$AFFIANCATE" ]; then
      avvia_finestra "$avviate"
      avviate=$((avviate + 1))
    elif [ "$stampate" -lt "$avviate" ] && finita "$stampate"; then
      stampa_finestra "$stampate"
      stampate=$((stampate + 1))
    else
      sleep 1
    fi
  done
  wait
  echo "Measured: ${#FINESTRE[@]} window runs, $AFFIANCATE side by side, in $(durata "$inizio")"
}

if [ "$FINESTRA" = 1 ]; then
  # The prefix at rest before it is copied: its registry written out. Wine's desktop, started
  # without a display by the silent installs, would refuse the windows.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  # shellcheck source=stand_in.sh
  . "$QUI/stand_in.sh"
  STAND_IN_32="$BUILD/hostserver/com"
  STAND_IN_64="$BUILD/x64/hostserver/com"
  # C: of each copy: the copy's own installed program.
  PROGRAMMA_INSTALLATO="$(finestre "$INSTALLATO/ov_pip.exe")"
  # What holds a file as a PDF viewer or a spreadsheet does, for the run that meets them.
  export TIENI_FILE="$BUILD/tests/tieni_file.exe"
  rm -rf "$LAVORO/prefissi"
  finestre_affiancate
else
  echo "The end-to-end window tests through the installed program were left out (--senza-finestra)"
fi

# --- Uninstall -------------------------------------------------------------------------------
IMPOSTAZIONI_PRIMA="$(impostazioni)"
inizio="$(ora)"
wine msiexec /x "$(finestre "$LAVORO/ov_pip-nuovo.msi")" /qn || sbaglia "msiexec /x ov_pip-nuovo.msi /qn failed"
echo "Measured: uninstalled in $(durata "$inizio")"
if ! diff <(echo "$PRIMA") <(fotografia); then
  sbaglia "uninstalling left Program Files, ProgramData, the Start menus, the installer's cache or its registry not as before"
fi
[ "$(impostazioni)" = "$IMPOSTAZIONI_PRIMA" ] || sbaglia "uninstalling changed HKLM\\SOFTWARE\\Corvitel-Amberlo"

if [ "$esito" = 0 ]; then
  echo "The package installs, upgrades and uninstalls cleanly: $(stat -c %s "$PACCHETTO") bytes unsigned, $(stat -c %s "$LAVORO/ov_pip-firmato.msi") signed"
fi
exit $esito
