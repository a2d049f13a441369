# Paths between Linux and the Wine prefix named by WINEPREFIX; sourced by the Windows test scripts.

# A Linux path as the programs under Wine name it (Z:\...).
finestre() { winepath -w "$1" 2>/dev/null; }

# The folders of the 32-bit MinGW runtime DLLs (C++, GCC, threads), for WINEPATH.
runtime_mingw32() {
  echo "$(finestre "$(dirname "$(i686-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")");$(finestre /usr/i686-w64-mingw32/lib)"
}

# A Windows folder named through its variables (%USERPROFILE%, %ProgramData%, ...), as a Linux path.
cartella_wine() { winepath -u "$(wine cmd /c "echo $1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
