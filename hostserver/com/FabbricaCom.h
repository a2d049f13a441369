#pragma once

#include <unknwn.h>

namespace hostserver {

// The one class factory of "Orvella.Server", for the DLL and for the program alike. It lives as
// long as the module, so its own references count for nothing.
IClassFactory& fabbricaServer();

} // namespace hostserver
