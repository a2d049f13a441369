#pragma once

#include <windows.h>

namespace hostserver {

// How COM starts "Orvella.Server": by loading this DLL into the client, or by running this
// program in a process of its own.
enum class ModoServer { Dll, Programma };

// Registers "Orvella.Server" under HKEY_LOCAL_MACHINE\Software\Classes, as an installer does,
// with the module that calls (the DLL or the program) as its server. The class lands in this
// process's registry view.
HRESULT registraServer(ModoServer modo);

// Removes what registraServer wrote; what is not there counts as removed.
HRESULT cancellaServer();

} // namespace hostserver
