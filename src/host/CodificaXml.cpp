#include "host/CodificaXml.h"

#include <array>
#include <cstring>
#include <mutex>
#include <string>

#include <libxml/encoding.h>

#include "tools/Cp1252.h"

namespace {

const std::array<std::string, 256>& tabellaUtf8()
{
    static const std::array<std::string, 256> tabella = [] {
        std::array<std::string, 256> utf8;
        for (int byte = 0; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            utf8[byte] = cp1252ToUtf8(std::string_view(&c, 1));
        }
        return utf8;
    }();
    return tabella;
}

// libxml2's input converter: as many whole characters as fit in out; *inlen and *outlen report
// what was read and written.
int daWindows1252(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    const std::array<std::string, 256>& tabella = tabellaUtf8();
    int letti = 0;
    int scritti = 0;
    while (letti < *inlen) {
        const std::string& carattere = tabella[in[letti]];
        const int lunghezza = static_cast<int>(carattere.size());
        if (scritti + lunghezza > *outlen)
            break;
        std::memcpy(out + scritti, carattere.data(), carattere.size());
        scritti += lunghezza;
        ++letti;
    }
    *inlen = letti;
    *outlen = scritti;
    return scritti;
}

} // namespace

void registraCodificaWindows1252()
{
    static std::once_flag registrata;
    std::call_once(registrata, [] {
        tabellaUtf8();
        xmlCharEncodingHandlerPtr gestore = xmlNewCharEncodingHandler("WINDOWS-1252", daWindows1252, nullptr);
        // Older libxml2 registers the new handler itself; newer ones leave that to the caller.
        xmlCharEncodingHandlerPtr trovato = xmlFindCharEncodingHandler("WINDOWS-1252");
        if (gestore && (!trovato || trovato->input != daWindows1252)) {
            xmlCharEncCloseFunc(trovato); // an iconv converter found in its place is the caller's
            xmlRegisterCharEncodingHandler(gestore);
        }
        xmlAddEncodingAlias("WINDOWS-1252", "CP1252");
    });
}
