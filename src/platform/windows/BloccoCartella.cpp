#include "platform/BloccoCartella.h"

#include <windows.h>

#include "platform/FileSistema.h"

namespace platform {

BloccoCartella::BloccoCartella(const std::string& sDir)
    : nome_(sDir + "ov_pip.lock")
{
    // Opened by nobody else while held, hidden, and gone with the last handle: Windows closes it
    // when the program ends, however it ends.
    const HANDLE handle = CreateFileW(percorsoNativo(nome_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
        OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A file that is going (another run's, just released) is not held.
        occupato_ = GetLastError() == ERROR_SHARING_VIOLATION;
        return;
    }
    risorsa_ = reinterpret_cast<std::intptr_t>(handle);
}

BloccoCartella::~BloccoCartella()
{
    if (risorsa_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(risorsa_));
}

} // namespace platform
