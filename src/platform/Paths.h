#pragma once

#include <filesystem>
#include <string>

namespace platform {

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
    std::string percorso_;
};

// Makes a new folder under sDirBase that only this user may enter, under a name nobody chose
// before that carries this program's process id; its path with a trailing separator, or the
// empty text when it cannot be made.
std::string creaCartellaPrivata(const std::string& sDirBase);

// Removes, with all they hold, the private folders under sDirBase (with its trailing separator)
// that this user's programs left when they died (a crash, a kill): the patients' data of an
// extract must not stay on the disk. A link under such a name goes as a link, its target stays.
void rimuoviCartellePrivateAbbandonate(const std::string& sDirBase);

// Whether the private folder (or a link in its place), of the process id its name carries, is
// this user's and its program is gone.
bool cartellaPrivataAbbandonata(const std::filesystem::path& cartella, unsigned long processo);

// The id of this program's process.
unsigned long processoCorrente();

// Where debug mode keeps a copy of the extract: the fixed "C:\karv.xml" on Windows; elsewhere, where
// the file-system root is neither writable nor private, beside the output in sDirOutput.
std::string percorsoCopiaEstratto(const std::string& sDirOutput);

// The separator of the paths the program builds.
extern const char separatore;

} // namespace platform
