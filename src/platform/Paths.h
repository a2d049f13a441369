#pragma once

#include <filesystem>
#include <memory>
#include <string>

class QTemporaryDir;

namespace platform {

// The program builds its paths as Windows-1252 text; the file system wants UTF-8 names.
std::filesystem::path percorsoNativo(const std::string& percorso);

// Whether something stands at the path the program built; an unreadable path counts as absent.
bool esiste(const std::string& percorso);

// A folder of the platform as the program's Windows-1252 text.
struct CartellaPiattaforma {
    std::string percorso; // without a trailing separator; the empty text when it is unknown
    // False when Windows-1252 cannot spell the folder's name: percorso then holds "?" in its
    // place and names another folder, which nothing may be written to.
    bool rappresentabile = true;
};

// The user's Desktop folder.
CartellaPiattaforma cartellaDesktop();

// The folder of the program file, with a trailing separator.
std::string cartellaProgramma();

// The folder for temporary files ($TMPDIR, or the system's own), with a trailing separator;
// the empty text when Windows-1252 cannot spell it.
std::string cartellaTemporanea();

// A folder of its own, made under sDirBase (with its trailing separator), that only this user may enter: nothing
// another user left behind can be found in it. It goes, with all it holds, when the object goes.
class CartellaPrivata {
public:
    explicit CartellaPrivata(const std::string& sDirBase);
    ~CartellaPrivata();
    CartellaPrivata(const CartellaPrivata&) = delete;
    CartellaPrivata& operator=(const CartellaPrivata&) = delete;

    // With a trailing separator; the empty text when the folder could not be made.
    const std::string& percorso() const { return percorso_; }

private:
    std::unique_ptr<QTemporaryDir> cartella_;
    std::string percorso_;
};

// The separator of the paths the program builds.
inline constexpr char separatore = '/';

} // namespace platform
