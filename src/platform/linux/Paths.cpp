#include "platform/Paths.h"

#include <QStandardPaths>
#include <cstdlib>

#include "tools/Cp1252.h"

namespace platform {

const char separatore = '/';

std::filesystem::path percorsoNativo(const std::string& percorso)
{
    return std::filesystem::path(cp1252ToUtf8(percorso));
}

std::filesystem::path percorsoDaUtf8(std::string_view percorso)
{
    return std::filesystem::path(percorso);
}

std::string percorsoUtf8(const std::filesystem::path& percorso)
{
    return percorso.string();
}

std::FILE* apriFile(const std::filesystem::path& percorso, const char* modo)
{
    return std::fopen(percorso.c_str(), modo);
}

std::string cartellaDesktop()
{
    // Without a home folder there is no Desktop of this user, whatever a fallback would guess.
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0')
        return {};
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QByteArray utf8 = desktop.toUtf8();
    return utf8ToCp1252(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

std::string cartellaProgramma()
{
    std::error_code errore;
    std::filesystem::path programma = std::filesystem::read_symlink("/proc/self/exe", errore);
    if (errore)
        return {};
    std::string cartella = utf8ToCp1252(programma.parent_path().string());
    if (cartella.empty() || cartella.back() != separatore)
        cartella += separatore;
    return cartella;
}

} // namespace platform
