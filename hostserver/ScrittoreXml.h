#pragma once

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace hostserver {

// Appends testo (UTF-8) as XML character data. Markup characters are escaped; CR (and, in an
// attribute, tab and line feed) become character references so that a parser gives them back;
// ill-formed UTF-8 and characters that XML 1.0 does not allow become U+FFFD. The result is
// well-formed whatever the bytes.
void appendiTestoXml(std::string& uscita, std::string_view testo, bool inAttributo);

// A streaming UTF-8 XML writer for large extracts: elements are written as they come, through
// one buffer, with no tree in memory. Element and attribute names are the caller's constants.
class ScrittoreXml {
public:
    using Attributo = std::pair<std::string_view, std::string_view>;

    // Creates or truncates the file; throws std::runtime_error when it cannot.
    explicit ScrittoreXml(const std::filesystem::path& percorso);

    void dichiarazione();
    void apri(std::string_view nome, std::initializer_list<Attributo> attributi = {});
    void chiudi(std::string_view nome);
    // <nome>testo</nome>
    void foglia(std::string_view nome, std::string_view testo);
    void acapo() { buffer_ += '\n'; }

    // Writes what is left and closes the file; throws std::runtime_error when a write failed.
    void termina();

private:
    void scarica();

    struct ChiusuraFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::filesystem::path percorso_;
    std::unique_ptr<std::FILE, ChiusuraFile> file_;
    std::string buffer_;
};

} // namespace hostserver
