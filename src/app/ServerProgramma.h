#pragma once

// Makes "Orvella.Server" resolve to the platform's automation server: on Windows the system's
// COM class registry already does; elsewhere the stand-in server is registered in the process.
void registraServerProgramma();
