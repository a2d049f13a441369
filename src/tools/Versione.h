#pragma once

// The program's version as its texts write it ("ver. 6"), from the project's major version in
// CMake, which the Windows program file's version information carries too.
#define OV_PIP_TESTO_DI(valore) #valore
#define OV_PIP_TESTO(valore) OV_PIP_TESTO_DI(valore)
inline constexpr const char* kVersione = "ver. " OV_PIP_TESTO(OV_PIP_VERSIONE);
