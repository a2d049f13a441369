#!/usr/bin/env bash
# Sets everything up, builds, creates a fresh demo practice and starts the program against it.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")" && pwd)"
"$ROOT/scripts/setup.sh"

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
