# Paths between Linux and the Wine prefix named by WINEPREFIX; sourced by the Windows test scripts.

# A Linux path as the programs under Wine name it (Z:\...).
finestre() { winepath -w "$1" 2>/dev/null; }

# A Windows folder named through its variables (%USERPROFILE%, %ProgramData%, ...), as a Linux path.
cartella_wine() { winepath -u "$(wine cmd /c "echo $1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
