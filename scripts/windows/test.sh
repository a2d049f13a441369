#!/usr/bin/env bash
# The Windows build, proven under Wine: cross-builds everything, the program with its two windows
# included, into build-windows/ and installs the program with what it needs into
# build-windows/ov_pip/; registers the stand-in's COM server with regsvr32; runs the unit tests,
# the window tests (headless) and the COM adapter's tests; runs the export for a general
# practitioner and a paediatrician through COM and compares every file byte for byte with the
# Linux build's run (build/, made first by scripts/setup.sh) of the same practice and range; then
# builds the MSI, installs it, runs the same export through the installed program's real windows
# on a virtual display (finestra.sh), upgrades and uninstalls it (msi_test.sh). Wine's prefix
# lives in the build.
set -euo pipefail

QUI="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$QUI/../.." && pwd)"
BUILD="$ROOT/build-windows"

DIPENDENZE="$("$QUI/dipendenze.sh" | tail -1)"

LANCIATORE=()
if command -v ccache >/dev/null; then LANCIATORE=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
PKG_CONFIG_LIBDIR="$DIPENDENZE/pkgconfig" cmake -S "$ROOT" -B "$BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$QUI/mingw-w64.cmake" -C "$DIPENDENZE/cache.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CROSSCOMPILING_EMULATOR=wine \
  "${LANCIATORE[@]}" >/dev/null
cmake --build "$BUILD" --parallel
# The folder a practice's PC receives: the program, Qt's DLLs and plugins, the MinGW runtime.
rm -rf "$BUILD/ov_pip"
cmake --install "$BUILD" --prefix "$BUILD/ov_pip" >/dev/null
# The package for the practices, signed when a certificate is given (see msi.sh).
VERSIONE="$(sed -n 's/^project(ov_pip VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")"
"$QUI/msi.sh" "$BUILD/ov_pip" "$BUILD/ov_pip-$VERSIONE-x64.msi"

# shellcheck source=percorsi_wine.sh
. "$QUI/percorsi_wine.sh"

export WINEPREFIX="$BUILD/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
if [ ! -f "$WINEPREFIX/.ov_pip-finestre" ]; then
  # Qt 6 runs on Windows 10 and later; Wine says 7 unless told.
  wine winecfg -v win10 >/dev/null 2>&1
  # Wine passes no QT_* variable to a program; these come from the user's environment instead.
  # The offscreen platform of the headless tests finds fonts only in a folder of files.
  for variabile in "QT_QPA_FONTDIR|Z:\usr\share\fonts\truetype\dejavu" "QT_FORCE_STDERR_LOGGING|1"; do
    wine reg add 'HKCU\Environment' /v "${variabile%%|*}" /t REG_SZ /d "${variabile#*|}" /f >/dev/null 2>&1
  done
  # The Desktop of the prefix is a folder of its own, never the Linux user's.
  DESKTOP="$(cartella_wine '%USERPROFILE%')/Desktop"
  if [ -L "$DESKTOP" ]; then rm "$DESKTOP" && mkdir -p "$DESKTOP"; fi
  touch "$WINEPREFIX/.ov_pip-finestre"
fi
# The programs with Qt find its DLLs and the MinGW runtime where the build left them.
QT_WINDOWS="$(sed -n 's/^set(CMAKE_PREFIX_PATH "\(.*\)" CACHE.*/\1/p' "$DIPENDENZE/cache.cmake")"
WINEPATH="$(finestre "$QT_WINDOWS/bin");$(finestre "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")");$(finestre /usr/x86_64-w64-mingw32/lib)"
export WINEPATH

DLL="$(finestre "$BUILD/hostserver/com/orvella_server_com.dll")"
wine regsvr32 /s "$DLL"
# Wine's COM looks classes up in the machine's registry only, not in the current user's where
# DllRegisterServer puts them, as Windows does for a user without administrator rights.
CLSID="$(wine reg query 'HKCU\Software\Classes\Orvella.Server\CLSID' /ve 2>/dev/null | grep -o '{[^}]*}')"
for chiave in 'Orvella.Server' "CLSID\\$CLSID"; do
  wine reg copy "HKCU\\Software\\Classes\\$chiave" "HKLM\\Software\\Classes\\$chiave" /s /f >/dev/null
done

(cd "$BUILD" && ctest --output-on-failure --parallel "$(nproc)")

# --- The same export on both platforms -------------------------------------------------------------
CONFRONTO="$BUILD/confronto"
rm -rf "$CONFRONTO"
mkdir -p "$CONFRONTO"
"$ROOT/build/genera_demo" --seed 20240501 "$CONFRONTO/ambulatorio.sqlite" >/dev/null
DAL=2000-01-01
AL=2099-12-31
esito=0
# user, options, the files that the run must make
for caso in "rossi|--vaccini|ACCESSI.DAT PPIP.DAT VACCINI.DAT trx_sconosciuti.txt" \
  "bianchi||BILSALU.DAT PPIP.DAT trx_sconosciuti.txt"; do
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
  if diff -r "$CONFRONTO/linux/$utente" "$CONFRONTO/windows/$utente"; then
    echo "Windows and Linux export files of $utente are identical: $(cd "$CONFRONTO/windows/$utente" && echo $attesi)"
  else
    echo "FAILED: the Windows export files of $utente differ from the Linux ones"
    esito=1
  fi
done

# --- The package a practice installs: install, the run through the installed program's real windows
# (finestra.sh), upgrade and uninstall. Without WINEPATH: the installed folder must hold everything.
env -u WINEPATH "$QUI/msi_test.sh" "$BUILD" || esito=1
exit $esito
