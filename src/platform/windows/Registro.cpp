#include "platform/Registro.h"

#include <optional>
#include <vector>

#include "platform/windows/TestoWindows.h"

namespace platform {
namespace {

// The roots in the order of RegistryRoot, whose names the system's headers take as macros.
HKEY chiaveRadice(RegistryRoot radice)
{
    const HKEY radici[] = { HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS };
    return radici[static_cast<int>(radice)];
}

class ChiaveAperta {
public:
    explicit ChiaveAperta(HKEY chiave)
        : chiave_(chiave)
    {
    }
    ~ChiaveAperta() { RegCloseKey(chiave_); }
    ChiaveAperta(const ChiaveAperta&) = delete;
    ChiaveAperta& operator=(const ChiaveAperta&) = delete;
    HKEY get() const { return chiave_; }

private:
    HKEY chiave_;
};

// The value in one view of the registry; nothing when the key or the value is not there.
std::optional<RegistryValue> leggiInVista(
    HKEY radice, const std::wstring& sottochiave, const std::wstring& nomeValore, REGSAM vista)
{
    // Read access only: the program never writes the settings, and an ordinary user, who may not
    // change a key of the machine, must still read them.
    HKEY aperta = nullptr;
    if (RegOpenKeyExW(radice, sottochiave.c_str(), 0, KEY_READ | vista, &aperta) != ERROR_SUCCESS)
        return std::nullopt;
    const ChiaveAperta chiaveAperta(aperta);

    std::vector<BYTE> dati(256);
    DWORD tipo = 0;
    LSTATUS esito = ERROR_MORE_DATA;
    DWORD byte = 0;
    // The value may grow between the size query and the read: ask again until it fits.
    while (esito == ERROR_MORE_DATA) {
        byte = static_cast<DWORD>(dati.size());
        esito = RegQueryValueExW(chiaveAperta.get(), nomeValore.c_str(), nullptr, &tipo, dati.data(), &byte);
        if (esito == ERROR_MORE_DATA)
            dati.resize(byte + sizeof(wchar_t));
    }
    if (esito != ERROR_SUCCESS)
        return std::nullopt;

    RegistryValue valore;
    if (tipo != REG_SZ && tipo != REG_EXPAND_SZ) {
        valore.tipo = RegistryValue::Tipo::AltroTipo;
        return valore;
    }
    valore.tipo = RegistryValue::Tipo::Testo;
    // Stored as it was written: the terminating zero may be there or not, an odd byte is dropped.
    valore.testo
        = daTestoLargo(std::wstring_view(reinterpret_cast<const wchar_t*>(dati.data()), byte / sizeof(wchar_t)));
    return valore;
}

} // namespace

RegistryValue leggiValoreRegistro(RegistryRoot radice, const std::string& chiave, const std::string& nome)
{
    // A leading backslash starts the path at the root, as the callers write it.
    const std::string::size_type inizio = chiave.find_first_not_of('\\');
    const std::wstring sottochiave = largoDa1252(inizio == std::string::npos ? "" : chiave.substr(inizio));
    const std::wstring nomeValore = largoDa1252(nome);
    // The program that wrote these settings was a 32-bit one: on a 64-bit Windows they are in the
    // 32-bit view (WOW6432Node). A practice that set them from a 64-bit tool has them in the other.
    for (const REGSAM vista : { KEY_WOW64_32KEY, KEY_WOW64_64KEY }) {
        if (auto valore = leggiInVista(chiaveRadice(radice), sottochiave, nomeValore, vista))
            return *valore;
    }
    return {};
}

} // namespace platform
