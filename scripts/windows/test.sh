#!/usr/bin/env bash
# The Windows build, proven under Wine. Cross-builds the 32-bit program that practices install,
# its two windows and its tests included, into build-windows/, and installs it with what it needs
# into build-windows/ov_pip/; cross-builds the 64-bit stand-in servers alone into
# build-windows/x64/. Registers the stand-in's 32-bit COM server DLL and runs the unit tests, the
# window tests (headless) and the COM adapter's tests, then the adapter's tests again against the
# 32-bit and the 64-bit out-of-process servers. Runs the export for a general practitioner and a
# paediatrician through COM and compares every file byte for byte with the Linux build's run
# (build/, made first by scripts/setup.sh) of the same practice and range. Then builds the MSI,
# installs it, runs the same export through the installed program's real windows on a virtual
# display against each kind of server (finestra.sh), and sees sign-in refused where only a 64-bit
# in-process server is registered; upgrades and uninstalls it (msi_test.sh). Wine's prefix lives
# in the build; it is made while Qt or the programs compile. One function per step, called at the
# end.
set -euo pipefail

QUI="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$QUI/../.." && pwd)"
BUILD="$ROOT/build-windows"
LANCIATORE=()
if command -v ccache >/dev/null; then LANCIATORE=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# shellcheck source=percorsi_wine.sh
. "$QUI/percorsi_wine.sh"
export WINEPREFIX="$BUILD/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# The libraries for Windows, built once per machine (dipendenze.sh): the folders to build with.
# The first call installs the packages, Wine among them; the second builds Qt on a fresh machine.
dipendenze_64() { DIPENDENZE_64="$("$QUI/dipendenze.sh" x86_64 | tail -1)"; }
dipendenze_32() { DIPENDENZE="$("$QUI/dipendenze.sh" i686 | tail -1)"; }

# The 32-bit program, its windows and its tests; the 64-bit stand-in servers alone (no window, no
# test, no program); the folder a practice's PC receives: the program, Qt's DLLs and plugins, the
# MinGW runtime.
compila() {
  PKG_CONFIG_LIBDIR="$DIPENDENZE/pkgconfig" cmake -S "$ROOT" -B "$BUILD" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$QUI/mingw-w64-i686.cmake" -C "$DIPENDENZE/cache.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CROSSCOMPILING_EMULATOR=wine \
    "${LANCIATORE[@]}" >/dev/null
  cmake --build "$BUILD" --parallel
  PKG_CONFIG_LIBDIR="$DIPENDENZE_64/pkgconfig" cmake -S "$ROOT" -B "$BUILD/x64" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$QUI/mingw-w64-x86_64.cmake" -C "$DIPENDENZE_64/cache.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOV_PIP_FINESTRE=OFF -DBUILD_TESTING=OFF \
    "${LANCIATORE[@]}" >/dev/null
  cmake --build "$BUILD/x64" --parallel --target orvella_server_com orvella_server_exe
  rm -rf "$BUILD/ov_pip"
  cmake --install "$BUILD" --prefix "$BUILD/ov_pip" >/dev/null
}

# Wine's prefix, made once and set as the tests need it. Its first minute is mostly Wine waiting
# on itself: it runs while Qt or the programs compile (avvia_prefisso), and is waited for before
# the first test (attendi_prefisso).
prefisso() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
  fi
  # The first 32-bit program of a prefix waits while Wine sets up its 32-bit side.
  wine cmd /c exit >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/.ov_pip-finestre" ]; then
    # Qt 6 runs on Windows 10 and later; Wine says 7 unless told.
    wine winecfg -v win10 >/dev/null 2>&1
    # Wine passes no QT_* variable to a program; these come from the user's environment instead.
    # The offscreen platform of the headless tests finds fonts only in a folder of files.
    for variabile in "QT_QPA_FONTDIR|Z:\usr\share\fonts\truetype\dejavu" "QT_FORCE_STDERR_LOGGING|1"; do
      wine reg add 'HKCU\Environment' /v "${variabile%%|*}" /t REG_SZ /d "${variabile#*|}" /f /reg:64 >/dev/null 2>&1
    done
    # The Desktop of the prefix is a folder of its own, never the Linux user's.
    DESKTOP="$(cartella_wine '%USERPROFILE%')/Desktop"
    if [ -L "$DESKTOP" ]; then rm "$DESKTOP" && mkdir -p "$DESKTOP"; fi
    touch "$WINEPREFIX/.ov_pip-finestre"
  fi
}
avvia_prefisso() {
  mkdir -p "$BUILD"
  prefisso >"$BUILD/prefisso.log" 2>&1 &
  PREFISSO_PID=$!
}
attendi_prefisso() {
  local stato=0
  wait "$PREFISSO_PID" || stato=$?
  cat "$BUILD/prefisso.log"
  [ "$stato" = 0 ] || { echo "ERROR: the Wine prefix $WINEPREFIX could not be made" >&2; exit 1; }
}

# The unit tests, the window tests (headless) and the COM adapter's tests against the registered
# 32-bit DLL. The programs with Qt find its DLLs and the MinGW runtime where the build left them.
test_unitari() {
  local qt_windows
  qt_windows="$(sed -n 's/^set(CMAKE_PREFIX_PATH "\(.*\)" CACHE.*/\1/p' "$DIPENDENZE/cache.cmake")"
  WINEPATH="$(finestre "$qt_windows/bin");$(runtime_mingw32)"
  export WINEPATH
  registra_stand_in dll32
  (cd "$BUILD" && ctest --output-on-failure --parallel "$(nproc)")
}

# The adapter again, each call crossing processes through COM's standard marshalling. Wine's COM
# carries no error object from another process, so a server that cannot open its practice is
# seen there only by its code: that case is left to the in-process run.
# A fresh Wine server first: once, on a loaded machine, a server that COM started after the
# parallel tests hung before registering its class. A hang fails the run within minutes.
test_com_fuori_processo() {
  local tipo
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  for tipo in exe32 exe64; do
    registra_stand_in "$tipo"
    if timeout 300 wine "$BUILD/tests/windows_OggettoCom_test.exe" --gtest_filter='-*ServerThatCannotStart*' \
      >"$BUILD/oggettocom-$tipo.log" 2>&1; then
      echo "The COM adapter's tests pass against the $tipo stand-in server"
    else
      cat "$BUILD/oggettocom-$tipo.log"
      echo "FAILED: the COM adapter's tests against the $tipo stand-in server"
      esito=1
    fi
  done
  registra_stand_in dll32
}

# The same export on both platforms: a general practitioner and a paediatrician of one
# generated practice, through COM under Wine and in the process on Linux; every file the same.
CONFRONTO="$BUILD/confronto"
confronto_linux() {
  local utente opzioni attesi caso file piattaforma registro DAL=2000-01-01 AL=2099-12-31
  rm -rf "$CONFRONTO"
  mkdir -p "$CONFRONTO"
  "$ROOT/build/genera_demo" --seed 20240501 "$CONFRONTO/ambulatorio.sqlite" >/dev/null
  # user, options, the files that the run must make
  for caso in "rossi|--vaccini|ACCESSI.DAT PPIP.DAT VACCINI.DAT trx_sconosciuti.txt RIEPILOGO.pdf" \
    "bianchi||BILSALU.DAT PPIP.DAT trx_sconosciuti.txt RIEPILOGO.pdf"; do
    IFS='|' read -r utente opzioni attesi <<<"$caso"
    # shellcheck disable=SC2086 # the options are words
    ORVELLA_SERVER_DB="$CONFRONTO/ambulatorio.sqlite" OV_PIP_REGISTRY="$CONFRONTO/nessuna.reg" \
      "$ROOT/build/tests/esporta_pratica" --stand-in $opzioni "$utente" demo "$DAL" "$AL" \
      "$CONFRONTO/linux/$utente" >/dev/null
    mkdir -p "$CONFRONTO/windows"
    # shellcheck disable=SC2086
    ORVELLA_SERVER_DB="$(finestre "$CONFRONTO/ambulatorio.sqlite")" \
      wine "$BUILD/tests/esporta_pratica.exe" $opzioni "$utente" demo "$DAL" "$AL" \
      "$(finestre "$CONFRONTO/windows")\\$utente" >/dev/null
    for file in $attesi; do
      if [ ! -s "$CONFRONTO/windows/$utente/$file" ]; then
        echo "FAILED: the Windows run for $utente made no $file"
        esito=1
      fi
    done
    # The report carries the time of its export and the fonts of its system, which set a table's
    # cells in another order of extraction and join some letters: its words are compared.
    for piattaforma in linux windows; do
      pdftotext "$CONFRONTO/$piattaforma/$utente/RIEPILOGO.pdf" - 2>/dev/null | grep -v "^Esportazione del " \
        | sed 's/ﬁ/fi/g; s/ﬂ/fl/g' | tr -s '[:space:]' '\n' | grep -v '^$' \
        | LC_ALL=C sort >"$CONFRONTO/$piattaforma-$utente-riepilogo.txt" || true
    done
    if ! cmp -s "$CONFRONTO/linux-$utente-riepilogo.txt" "$CONFRONTO/windows-$utente-riepilogo.txt"; then
      diff "$CONFRONTO/linux-$utente-riepilogo.txt" "$CONFRONTO/windows-$utente-riepilogo.txt" | head -20 || true
      echo "FAILED: the Windows report of $utente reads otherwise than the Linux one"
      esito=1
    fi
    # The register's line opens with the time of its export: the rest of it is compared.
    registro=storico/registro_esportazioni.csv
    if diff -r -x RIEPILOGO.pdf -x "$(basename "$registro")" "$CONFRONTO/linux/$utente" "$CONFRONTO/windows/$utente" \
      && diff <(cut -d';' -f2- "$CONFRONTO/linux/$utente/$registro") \
        <(cut -d';' -f2- "$CONFRONTO/windows/$utente/$registro"); then
      echo "Windows and Linux export files of $utente are identical: $(cd "$CONFRONTO/windows/$utente" && echo $attesi)"
    else
      echo "FAILED: the Windows export files of $utente differ from the Linux ones"
      esito=1
    fi
  done
}

# What a practice's PC does to a run (pc_test.sh).
test_pc() {
  "$QUI/pc_test.sh" "$BUILD" "$CONFRONTO/ambulatorio.sqlite" "$CONFRONTO/linux/rossi" || esito=1
}

# The package a practice installs, built and proven by msi_test.sh: install, the run through the
# installed program's real windows (finestra.sh), upgrade and uninstall. Without WINEPATH: the
# installed folder must hold everything. It leaves the package, unsigned, beside the program
# folder; with a certificate given (see msi.sh) a signed one takes its place.
pacchetto() {
  env -u WINEPATH "$QUI/msi_test.sh" "$BUILD" || esito=1
  if [ -n "${OV_PIP_CERTIFICATO:-}" ]; then
    "$QUI/msi.sh" "$BUILD/ov_pip" "$BUILD/ov_pip-$(versione_progetto)-x86.msi"
  fi
}
versione_progetto() { sed -n 's/^project(ov_pip VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt"; }

esito=0
dipendenze_64
avvia_prefisso
dipendenze_32
compila
attendi_prefisso
# shellcheck source=stand_in.sh
. "$QUI/stand_in.sh"
STAND_IN_32="$BUILD/hostserver/com"
STAND_IN_64="$BUILD/x64/hostserver/com"
export STAND_IN_32 STAND_IN_64
test_unitari
test_com_fuori_processo
confronto_linux
test_pc
pacchetto
exit $esito
