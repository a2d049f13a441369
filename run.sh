#!/usr/bin/env bash
# Sets everything up, builds, creates a fresh demo practice and starts the program against it.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")" && pwd)"

# The window needs a display; say how to get one before spending minutes on a build.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'AIUTO'
run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot appear.
  - On a desktop: run ./run.sh from a terminal of the graphical session.
  - Over SSH: connect with "ssh -X" (or -Y) so that windows open on your own screen.
  - Without a screen: install Xvfb (apt-get install xvfb) and run "xvfb-run -a ./run.sh".
./test.sh needs no display.
AIUTO
  exit 1
fi

# Only what the demo needs: the program and the demo generator; ./test.sh builds the rest.
"$ROOT/scripts/setup.sh" ov_pip genera_demo

DEMO="$ROOT/build/demo"
mkdir -p "$DEMO"
"$ROOT/build/genera_demo" "$DEMO/ambulatorio.sqlite"

# A settings store for the demo, unless the caller points at one of their own.
if [ -z "${OV_PIP_REGISTRY:-}" ]; then
  cat > "$DEMO/registry.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Corvitel-Amberlo]
"ultimo_utente"="rossi"
"karv_debug"="1"
REG
  export OV_PIP_REGISTRY="$DEMO/registry.reg"
fi

export ORVELLA_SERVER_DB="$DEMO/ambulatorio.sqlite"
exec "$ROOT/build/ov_pip"
