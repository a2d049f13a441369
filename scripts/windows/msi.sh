#!/usr/bin/env bash
# Builds the package a practice installs (ov_pip.wxs) from the installed program folder of the
# Windows build (cmake --install build-windows --prefix build-windows/ov_pip), with the project's
# version from CMakeLists.txt. With a certificate, signs ov_pip.exe before it goes into the
# package, then the package:
#
#   OV_PIP_CERTIFICATO           a PKCS#12 file (.p12, .pfx) with the key and its chain
#   OV_PIP_CERTIFICATO_PASSWORD  its password
#   OV_PIP_MARCA_TEMPORALE       optional: an RFC 3161 time-stamp server, so that the signature
#                                outlives the certificate
#
#   msi.sh CARTELLA_PROGRAMMA USCITA.msi [VERSIONE]
#
# VERSIONE (major[.minor[.build]]) stands in for the project's, to try an upgrade.
set -euo pipefail

QUI="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$QUI/../.." && pwd)"
WXS="$QUI/ov_pip.wxs"
ICONA="$ROOT/src/app/windows/ov_pip.ico"

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 CARTELLA_PROGRAMMA USCITA.msi [VERSIONE]" >&2
  exit 2
fi
PROGRAMMA="$(cd "$1" && pwd)"
USCITA="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"

for comando in wixl osslsigncode; do
  command -v "$comando" >/dev/null || { echo "ERROR: $comando is missing (Debian package $comando)" >&2; exit 1; }
done

# --- The version: Windows Installer compares major.minor.build -------------------------------
versione="${3:-$(sed -n 's/^project(ov_pip VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")}"
if ! [[ "$versione" =~ ^[0-9]+(\.[0-9]+){0,3}$ ]]; then
  echo "ERROR: no usable version (\"$versione\"): expected project(ov_pip VERSION n) in CMakeLists.txt" >&2
  exit 1
fi
IFS=. read -r maggiore minore build _ <<<"$versione"
minore="${minore:-0}"
build="${build:-0}"
if [ "$maggiore" -gt 255 ] || [ "$minore" -gt 255 ] || [ "$build" -gt 65534 ]; then
  echo "ERROR: version $versione is beyond what Windows Installer compares (255.255.65534)" >&2
  exit 1
fi
VERSIONE="$maggiore.$minore.$build"
SUCCESSIVA="$maggiore.$minore.$((build + 1))"

# --- The folder must hold exactly the files the package names --------------------------------
# A file the install gains and the package lacks would be missed only on the practice's PC.
# shellcheck disable=SC2016 # wixl's variable, written out as it is in the .wxs
nominati="$(grep -o 'Source="$(var.Sorgente)/[^"]*"' "$WXS" | sed 's|^Source="$(var.Sorgente)/||; s|"$||' | sort)"
presenti="$(cd "$PROGRAMMA" && find . -type f | sed 's|^\./||' | sort)"
if [ "$nominati" != "$presenti" ]; then
  echo "ERROR: $PROGRAMMA does not hold exactly the files that ov_pip.wxs names:" >&2
  diff <(echo "$nominati") <(echo "$presenti") | sed -n 's/^< /  missing: /p; s/^> /  not in the package: /p' >&2
  exit 1
fi

PALCO="$(mktemp -d)"
trap 'rm -rf "$PALCO"' EXIT
# wixl takes relative source paths only: the package is put together in a folder of its own.
cp -r "$PROGRAMMA" "$PALCO/ov_pip"
cp "$ICONA" "$PALCO/ov_pip.ico"

firma() { # FILE: signs it in place
  local argomenti=(-pkcs12 "$OV_PIP_CERTIFICATO" -readpass "$PALCO/password" -h sha256 -n ov_pip)
  if [ -n "${OV_PIP_MARCA_TEMPORALE:-}" ]; then argomenti+=(-ts "$OV_PIP_MARCA_TEMPORALE"); fi
  osslsigncode sign "${argomenti[@]}" -in "$1" -out "$1.firmato" >/dev/null \
    || { echo "ERROR: cannot sign $(basename "$1") with $OV_PIP_CERTIFICATO" >&2; exit 1; }
  mv "$1.firmato" "$1"
}

if [ -n "${OV_PIP_CERTIFICATO:-}" ]; then
  [ -f "$OV_PIP_CERTIFICATO" ] || { echo "ERROR: OV_PIP_CERTIFICATO names no file: $OV_PIP_CERTIFICATO" >&2; exit 1; }
  # Through a file, not the command line, where any user of the machine could read it.
  (umask 077 && printf '%s' "${OV_PIP_CERTIFICATO_PASSWORD-}" >"$PALCO/password")
  firma "$PALCO/ov_pip/ov_pip.exe"
fi

if ! (cd "$PALCO" && wixl -a x86 -D Versione="$VERSIONE" -D Successiva="$SUCCESSIVA" -D Sorgente=ov_pip \
  -D Icona=ov_pip.ico -o ov_pip.msi "$WXS" >wixl.log 2>&1); then
  cat "$PALCO/wixl.log" >&2
  echo "ERROR: wixl made no package" >&2
  exit 1
fi

if [ -n "${OV_PIP_CERTIFICATO:-}" ]; then
  firma "$PALCO/ov_pip.msi"
  stato="signed with $(basename "$OV_PIP_CERTIFICATO")"
else
  stato="NOT signed: no certificate in OV_PIP_CERTIFICATO"
fi
mv "$PALCO/ov_pip.msi" "$USCITA"
echo "ov_pip $VERSIONE: $USCITA, $(stat -c %s "$USCITA") bytes, $stato"
