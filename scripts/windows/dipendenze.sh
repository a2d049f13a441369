#!/usr/bin/env bash
# Usage: dipendenze.sh [i686|x86_64]
# Installs the cross compilers, Wine with its 32-bit part and what drives a window on a virtual
# display, then builds for Windows, from Debian's own sources with the same toolchain:
# - i686 (the default): libxml2, SQLite, GoogleTest and Qt, for the 32-bit program and its tests;
# - x86_64: libxml2 and SQLite, for the 64-bit stand-in servers (built without tests).
# Each library is built once per version, target and compiler into a cache outside the clone,
# so a fresh clone on this machine reuses it.
# Prints the folder that holds them (the prefix for the cross build) as its last line.
set -euo pipefail

QUI="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ARCHITETTURA="${1:-i686}"
case "$ARCHITETTURA" in
  i686 | x86_64) ;;
  *) echo "usage: $0 [i686|x86_64]" >&2; exit 2 ;;
esac
TRIPLE="$ARCHITETTURA-w64-mingw32"
TOOLCHAIN="$QUI/mingw-w64-$ARCHITETTURA.cmake"
PACCHETTI=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386 tcl dpkg-dev cmake ninja-build
  libxml2-dev libsqlite3-dev googletest qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  xvfb xdotool x11-apps netpbm wixl osslsigncode openssl)

if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi

# Wine's 32-bit part runs the 32-bit program: Debian's i386 architecture must be known first.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding Debian's i386 architecture, for Wine's 32-bit part" >&2
  "${SUDO[@]}" dpkg --add-architecture i386
fi

installato() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

mancanti=()
for pacchetto in "${PACCHETTI[@]}"; do
  installato "$pacchetto" || mancanti+=("$pacchetto")
done
if [ ${#mancanti[@]} -gt 0 ]; then
  echo "Installing: ${mancanti[*]}" >&2
  if ! { "${SUDO[@]}" apt-get update >&2 \
      && "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y \
        --no-install-recommends "${mancanti[@]}" >&2; }; then
    echo "ERROR: cannot install the MinGW-w64 cross compiler and Wine (${mancanti[*]}): the Windows build and its tests cannot run." >&2
    exit 1
  fi
fi

# Wine takes a program's locale from the machine's C library: the Italian one the locale test
# sets must be compiled there, as a fresh machine has none but C.
if ! locale -a 2>/dev/null | grep -qix 'it_IT\.utf-\?8'; then
  echo "Compiling the it_IT.UTF-8 locale, for Wine" >&2
  "${SUDO[@]}" localedef -i it_IT -f UTF-8 it_IT.UTF-8 >&2
fi

versione() {
  dpkg-query -W -f='${Version}' "$1"
}
COMPILATORE="$TRIPLE-gcc$($TRIPLE-gcc-posix -dumpfullversion)"
CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/ov_pip/mingw-w64"
mkdir -p "$CACHE"

# One build at a time on this machine: two clones may share the cache.
exec 9>"$CACHE/.lock-$ARCHITETTURA"
flock 9

LAVORO=""
pulisci() { [ -z "$LAVORO" ] || rm -rf "$LAVORO"; }
trap pulisci EXIT
cartella_lavoro() {
  if [ -z "$LAVORO" ]; then
    LAVORO="$(mktemp -d)"
    chmod 755 "$LAVORO" # apt-get source drops privileges to _apt when it can
  fi
}

# apt-get source needs a deb-src entry; derive it from the machine's own sources.
sorgenti_debian() {
  if apt-cache showsrc libxml2 2>/dev/null | grep -q '^Package:'; then
    return
  fi
  local voce=/etc/apt/sources.list.d/ov_pip-deb-src
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | "${SUDO[@]}" tee "$voce.sources" >/dev/null
  else
    grep -h '^deb ' /etc/apt/sources.list 2>/dev/null | sed 's/^deb /deb-src /' | "${SUDO[@]}" tee "$voce.list" >/dev/null
  fi
  "${SUDO[@]}" apt-get update >&2
}

# Unpacks Debian's source of the package at the version installed here; prints its folder.
# The work folder must exist: this runs in a subshell, where it could not be recorded for removal.
sorgente() {
  local pacchetto="$1" versione="$2"
  (cd "$LAVORO" && apt-get source -q "$pacchetto=$versione" >&2)
  find "$LAVORO" -mindepth 1 -maxdepth 1 -type d -name "$pacchetto-*" | head -1
}

cmake_windows() {
  cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release "$@" >&2
}

# pkg-config files for the static libxml2 and SQLite built here, into $PREFISSO.
scrivi_pkgconfig() {
  cat >"$PREFISSO/pkgconfig/libxml-2.0.pc" <<PC
Name: libxml-2.0
Description: libxml2, static, built for Windows
Version: $(versione libxml2-dev)
Cflags: -I$LIBXML2/include/libxml2 -DLIBXML_STATIC
Libs: -L$LIBXML2/lib -lxml2 -lws2_32 -lbcrypt
PC
  cat >"$PREFISSO/pkgconfig/sqlite3.pc" <<PC
Name: sqlite3
Description: SQLite, static, built for Windows
Version: $(versione libsqlite3-dev)
Cflags: -I$SQLITE/include
Libs: -L$SQLITE/lib -lsqlite3
PC
}

# --- libxml2 -------------------------------------------------------------------------------
LIBXML2="$CACHE/libxml2-$(versione libxml2-dev)-$COMPILATORE"
libxml2() {
  [ ! -f "$LIBXML2/.completo" ] || return 0
  echo "Building libxml2 for Windows into $LIBXML2" >&2
  rm -rf "$LIBXML2"
  sorgenti_debian
  cartella_lavoro
  local sorgente_xml
  sorgente_xml="$(sorgente libxml2 "$(versione libxml2-dev)")"
  # No iconv on Windows: the program registers its own Windows-1252 handler.
  cmake_windows -S "$sorgente_xml" -B "$LAVORO/libxml2-build" -DCMAKE_INSTALL_PREFIX="$LIBXML2" \
    -DBUILD_SHARED_LIBS=OFF -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF \
    -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_TESTS=OFF \
    -DLIBXML2_WITH_PROGRAMS=OFF
  cmake --build "$LAVORO/libxml2-build" --parallel >&2
  cmake --install "$LAVORO/libxml2-build" >&2
  touch "$LIBXML2/.completo"
}

# --- SQLite: Debian ships the full tree; its single-file form is generated with tclsh -------
# The single file is the same for both targets: generated once, kept beside the libraries.
SQLITE_SORGENTE="$CACHE/sqlite3-$(versione libsqlite3-dev)-file-unico"
sqlite_file_unico() {
  # Both targets' runs may want it at once (each holds only its own target's lock).
  exec 8>"$CACHE/.lock-sqlite"
  flock 8
  [ ! -f "$SQLITE_SORGENTE/.completo" ] || return 0
  echo "Generating SQLite's single source file into $SQLITE_SORGENTE" >&2
  rm -rf "$SQLITE_SORGENTE"
  sorgenti_debian
  cartella_lavoro
  local sorgente_sqlite
  sorgente_sqlite="$(sorgente sqlite3 "$(versione libsqlite3-dev)")"
  mkdir -p "$LAVORO/sqlite-build" "$SQLITE_SORGENTE"
  (cd "$LAVORO/sqlite-build" && "$sorgente_sqlite/configure" --disable-tcl >&2 && make sqlite3.c >&2)
  cp "$LAVORO/sqlite-build/sqlite3.c" "$LAVORO/sqlite-build/sqlite3.h" "$SQLITE_SORGENTE/"
  cp "$sorgente_sqlite/src/sqlite3ext.h" "$SQLITE_SORGENTE/" 2>/dev/null || true
  touch "$SQLITE_SORGENTE/.completo"
}
SQLITE="$CACHE/sqlite3-$(versione libsqlite3-dev)-$COMPILATORE"
sqlite() {
  [ ! -f "$SQLITE/.completo" ] || return 0
  sqlite_file_unico
  echo "Building SQLite for Windows into $SQLITE" >&2
  rm -rf "$SQLITE"
  mkdir -p "$SQLITE/include" "$SQLITE/lib"
  "$TRIPLE-gcc-posix" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA \
    -c "$SQLITE_SORGENTE/sqlite3.c" -o "$SQLITE/lib/sqlite3.o"
  "$TRIPLE-ar" rcs "$SQLITE/lib/libsqlite3.a" "$SQLITE/lib/sqlite3.o"
  rm "$SQLITE/lib/sqlite3.o"
  cp "$SQLITE_SORGENTE"/*.h "$SQLITE/include/"
  touch "$SQLITE/.completo"
}

# --- GoogleTest: the sources that the googletest package installs ---------------------------
GTEST="$CACHE/googletest-$(versione googletest)-$COMPILATORE"
googletest() {
  [ ! -f "$GTEST/.completo" ] || return 0
  echo "Building GoogleTest for Windows into $GTEST" >&2
  rm -rf "$GTEST"
  cartella_lavoro
  cmake_windows -S /usr/src/googletest -B "$LAVORO/gtest-build" -DCMAKE_INSTALL_PREFIX="$GTEST"
  cmake --build "$LAVORO/gtest-build" --parallel >&2
  cmake --install "$LAVORO/gtest-build" >&2
  touch "$GTEST/.completo"
}

# --- Qt: Core, Gui, Widgets and Test as DLLs, from Debian's qt6-base at the host's version -----
# The host's Qt serves the cross build as its tool host (moc, rcc, uic). As DLLs beside the
# program, a user may replace them, as the LGPL asks; the bundled third-party sources of Debian's
# tarball are used, so nothing else has to be built for Windows.
QT_OPZIONI=(
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DBUILD_SHARED_LIBS=ON -DFEATURE_pkg_config=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_system_textmarkdownreader=OFF
  # Debian's tarball drops the Wintab sources: no pen tablets. Direct2D must stay on, or the
  # windows platform plugin misses its DirectWrite font database at link time.
  -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=ON -DFEATURE_direct2d1_1=OFF
  # Modules the program does not link.
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF
  -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
  # What neither the program nor its tests use. Core: the MIME database, processes (the folder
  # opens through the shell), shared memory, gestures. Gui: the text formats other than HTML
  # (ODF, Markdown), undo, the file system model, animations and pictures, the system tray, and
  # the image formats never read (only PNG is: the icon and the styles' images; BMP and XPM stay
  # for the clipboard and the styles' built-in pictures). Widgets: style sheets, graphics view,
  # dock widgets and MDI, the standard dialogs but the message box, kinetic scrolling, and the
  # widgets no window has (a style draws the rest). Main windows, tool bars and the input dialog
  # stay: Qt 6.4's Widgets and its Windows style include their headers whatever the features.
  -DFEATURE_mimetype=OFF -DFEATURE_process=OFF -DFEATURE_sharedmemory=OFF -DFEATURE_systemsemaphore=OFF
  -DFEATURE_gestures=OFF
  -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
  -DFEATURE_undocommand=OFF -DFEATURE_undostack=OFF -DFEATURE_undogroup=OFF -DFEATURE_filesystemmodel=OFF
  -DFEATURE_movie=OFF -DFEATURE_picture=OFF -DFEATURE_systemtrayicon=OFF -DFEATURE_syntaxhighlighter=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF -DFEATURE_imageformat_ppm=OFF -DFEATURE_imageformat_xbm=OFF
  -DFEATURE_style_stylesheet=OFF -DFEATURE_graphicsview=OFF -DFEATURE_graphicseffect=OFF
  -DFEATURE_dockwidget=OFF -DFEATURE_mdiarea=OFF
  -DFEATURE_colordialog=OFF -DFEATURE_filedialog=OFF -DFEATURE_fscompleter=OFF -DFEATURE_fontdialog=OFF
  -DFEATURE_progressdialog=OFF -DFEATURE_errormessage=OFF -DFEATURE_wizard=OFF
  -DFEATURE_scroller=OFF -DFEATURE_undoview=OFF -DFEATURE_columnview=OFF -DFEATURE_datawidgetmapper=OFF
  -DFEATURE_fontcombobox=OFF -DFEATURE_keysequenceedit=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_dial=OFF
  -DFEATURE_splashscreen=OFF -DFEATURE_commandlinkbutton=OFF -DFEATURE_treewidget=OFF -DFEATURE_listwidget=OFF
  -DFEATURE_toolbox=OFF -DFEATURE_textbrowser=OFF
)
# Named after its options too: a cache that holds a Qt built otherwise is not taken for this one.
QT="$CACHE/qt6-base-$(versione qt6-base-dev)-$COMPILATORE-$(printf '%s\n' "${QT_OPZIONI[@]}" | sha256sum | cut -c1-8)"
qt() {
  [ ! -f "$QT/.completo" ] || return 0
  echo "Building Qt for Windows into $QT (once per machine: about 15 minutes on two cores)" >&2
  rm -rf "$QT"
  sorgenti_debian
  cartella_lavoro
  local sorgente_qt
  sorgente_qt="$(sorgente qt6-base "$(versione qt6-base-dev)")"
  cmake_windows -S "$sorgente_qt" -B "$LAVORO/qt-build" -DCMAKE_INSTALL_PREFIX="$QT" "${QT_OPZIONI[@]}"
  cmake --build "$LAVORO/qt-build" --parallel "$(nproc)" >&2
  cmake --install "$LAVORO/qt-build" >&2
  rm -rf "$LAVORO/qt-build" # 0.8 GB, no longer needed
  touch "$QT/.completo"
}

# --- What the cross build reads: pkg-config files and an initial CMake cache -----------------
# Names the libraries' folders, Qt last where it is built; prints the folder.
prefisso() {
  local cartella radici=""
  PREFISSO="$CACHE/prefix"
  for cartella in "$@"; do
    PREFISSO+="-$(basename "$cartella")"
    radici+="${radici:+;}$cartella"
  done
  if [ ! -f "$PREFISSO/.completo" ]; then
    rm -rf "$PREFISSO"
    mkdir -p "$PREFISSO/pkgconfig"
    scrivi_pkgconfig
    {
      echo "set(CMAKE_FIND_ROOT_PATH \"$radici\" CACHE STRING \"\")"
      for cartella in "$@"; do
        case "$cartella" in
          "$GTEST") echo "set(GTest_DIR \"$GTEST/lib/cmake/GTest\" CACHE PATH \"\")" ;;
          "$QT")
            echo "set(CMAKE_PREFIX_PATH \"$QT\" CACHE PATH \"\")"
            echo "set(QT_HOST_PATH \"/usr\" CACHE PATH \"\")"
            echo "set(QT_HOST_PATH_CMAKE_DIR \"/usr/lib/x86_64-linux-gnu/cmake\" CACHE PATH \"\")"
            ;;
        esac
      done
    } >"$PREFISSO/cache.cmake"
    touch "$PREFISSO/.completo"
  fi
  echo "$PREFISSO"
}

libxml2
sqlite
if [ "$ARCHITETTURA" = x86_64 ]; then
  # The 64-bit stand-in servers: no test, no window, so neither GoogleTest nor Qt.
  prefisso "$LIBXML2" "$SQLITE"
else
  googletest
  qt
  prefisso "$LIBXML2" "$SQLITE" "$GTEST" "$QT"
fi
