# The stand-in host server "Orvella.Server" in each kind a host may install, for the Windows test
# scripts (sourced). Needs WINEPREFIX and STAND_IN_32, STAND_IN_64: the folders of the 32-bit and
# the 64-bit builds' hostserver/com, each holding orvella_server_com.dll and orvella_server32.exe
# or orvella_server64.exe.
#
#   dll32  in-process, 32-bit: what a 32-bit host application installs
#   exe32  out-of-process, 32-bit      exe64  out-of-process, 64-bit
#   dll64  in-process, 64-bit: no 32-bit program can load it
#
# Once Wine's 32-bit part is installed, "wine" starts builtins such as regsvr32 and reg as 32-bit
# programs; each 64-bit one is started through the 64-bit loader, and every reg command names its
# view.

WINE64=/usr/lib/wine/wine64
STAND_IN_TIPI="dll32 exe32 exe64 dll64"

# The file of a kind, as a Linux path.
stand_in_file() {
  case "$1" in
    dll32) echo "$STAND_IN_32/orvella_server_com.dll" ;;
    dll64) echo "$STAND_IN_64/orvella_server_com.dll" ;;
    exe32) echo "$STAND_IN_32/orvella_server32.exe" ;;
    exe64) echo "$STAND_IN_64/orvella_server64.exe" ;;
    *) echo "ERROR: no stand-in server of kind $1" >&2; return 1 ;;
  esac
}

# The loader of a kind's bitness, and the regsvr32 that calls into a DLL of that bitness. The
# 32-bit DLL uses the MinGW runtime DLLs that its client has loaded; regsvr32 has none of its own,
# so they are found where the compiler keeps them.
stand_in_regsvr32() {
  case "$1" in
    *32) WINEPATH="$(runtime_mingw32)" wine 'C:\windows\syswow64\regsvr32.exe' "${@:2}" ;;
    *64) "$WINE64" 'C:\windows\system32\regsvr32.exe' "${@:2}" ;;
  esac
}
stand_in_loader() {
  case "$1" in
    *32) wine "${@:2}" ;;
    *64) "$WINE64" "${@:2}" ;;
  esac
}

# Registers that kind alone as "Orvella.Server": every other kind goes first, so that COM cannot
# fall back on one of them.
registra_stand_in() {
  local tipo="$1" file
  rimuovi_stand_in
  file="$(stand_in_file "$tipo")" || return 1
  [ -f "$file" ] || { echo "ERROR: $file is missing" >&2; return 1; }
  case "$tipo" in
    dll*) stand_in_regsvr32 "$tipo" /s "$(finestre "$file")" ;;
    exe*) stand_in_loader "$tipo" "$(finestre "$file")" /regserver ;;
  esac || { echo "ERROR: cannot register the stand-in server $tipo ($file)" >&2; return 1; }
}

# Removes every kind's registration, as each kind removes its own.
rimuovi_stand_in() {
  local tipo file
  for tipo in $STAND_IN_TIPI; do
    file="$(stand_in_file "$tipo")"
    [ -f "$file" ] || continue
    case "$tipo" in
      dll*) stand_in_regsvr32 "$tipo" /u /s "$(finestre "$file")" ;;
      exe*) stand_in_loader "$tipo" "$(finestre "$file")" /unregserver ;;
    esac >/dev/null 2>&1 || true
  done
}

# Which kind of "Orvella.Server" the registry holds, in each view, as a technician reads it with
# reg query on a practice's PC: "view 32: InprocServer32 Z:\...\orvella_server_com.dll".
descrivi_stand_in() {
  local clsid vista
  clsid="$(wine reg query 'HKLM\Software\Classes\Orvella.Server\CLSID' /ve /reg:64 2>/dev/null | grep -o '{[^}]*}')" \
    || { echo "  no Orvella.Server"; return 0; }
  for vista in 32 64; do
    wine reg query "HKLM\\Software\\Classes\\CLSID\\$clsid" /s /reg:$vista 2>/dev/null | tr -d '\r' \
      | awk -v vista="$vista" '/^HKEY/ { n = split($0, parti, "\\"); chiave = parti[n] }
          /REG_SZ/ && (chiave == "InprocServer32" || chiave == "LocalServer32") && $1 == "(Default)" {
            sub(/^ *\(Default\) +REG_SZ +/, ""); print "  view " vista ": " chiave " " $0 }' || true
  done
}
