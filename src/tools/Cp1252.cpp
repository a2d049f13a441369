#include "tools/Cp1252.h"

#include <array>
#include <cstdint>

namespace {

// Code points of bytes 0x80..0x9F; 0 marks the five bytes that Windows-1252 leaves undefined,
// which are carried through as the C1 control of the same value.
constexpr std::array<char16_t, 32> kAlti = { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };

char32_t byteToCodePoint(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0 && kAlti[byte - 0x80] != 0)
        return kAlti[byte - 0x80];
    return byte;
}

char codePointToByte(char32_t codice)
{
    if (codice < 0x80 || (codice >= 0xA0 && codice <= 0xFF))
        return static_cast<char>(codice);
    for (unsigned i = 0; i < kAlti.size(); ++i) {
        if (kAlti[i] == codice || (kAlti[i] == 0 && codice == 0x80 + i))
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

void appendUtf8(std::string& uscita, char32_t c)
{
    if (c < 0x80) {
        uscita += static_cast<char>(c);
    } else if (c < 0x800) {
        uscita += static_cast<char>(0xC0 | (c >> 6));
        uscita += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        uscita += static_cast<char>(0xE0 | (c >> 12));
        uscita += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        uscita += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        uscita += static_cast<char>(0xF0 | (c >> 18));
        uscita += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        uscita += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        uscita += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char32_t kSostituto = 0xFFFD;

// Decodes one UTF-8 sequence at i and advances i; an ill-formed sequence gives U+FFFD.
char32_t nextUtf8(std::string_view s, size_t& i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char primo = byte(i++);
    if (primo < 0x80)
        return primo;
    int seguito = 0;
    char32_t codice = 0;
    char32_t minimo = 0;
    if ((primo & 0xE0) == 0xC0) {
        seguito = 1, codice = primo & 0x1F, minimo = 0x80;
    } else if ((primo & 0xF0) == 0xE0) {
        seguito = 2, codice = primo & 0x0F, minimo = 0x800;
    } else if ((primo & 0xF8) == 0xF0) {
        seguito = 3, codice = primo & 0x07, minimo = 0x10000;
    } else {
        return kSostituto;
    }
    for (int k = 0; k < seguito; ++k) {
        if (i >= s.size() || (byte(i) & 0xC0) != 0x80)
            return kSostituto;
        codice = (codice << 6) | (byte(i++) & 0x3F);
    }
    if (codice < minimo || codice > 0x10FFFF || (codice >= 0xD800 && codice <= 0xDFFF))
        return kSostituto;
    return codice;
}

// Decodes one UTF-16 unit or surrogate pair at i and advances i.
char32_t nextUtf16(std::u16string_view s, size_t& i)
{
    const char16_t primo = s[i++];
    if (primo >= 0xD800 && primo <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
        return 0x10000 + ((primo - 0xD800) << 10) + (s[i++] - 0xDC00);
    if (primo >= 0xD800 && primo <= 0xDFFF)
        return kSostituto;
    return primo;
}

void appendUtf16(std::u16string& uscita, char32_t c)
{
    if (c >= 0x10000) {
        c -= 0x10000;
        uscita += static_cast<char16_t>(0xD800 + (c >> 10));
        uscita += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        uscita += static_cast<char16_t>(c);
    }
}

} // namespace

std::u16string cp1252ToUtf16(std::string_view testo)
{
    std::u16string uscita;
    uscita.reserve(testo.size());
    for (const char c : testo)
        uscita += static_cast<char16_t>(byteToCodePoint(static_cast<unsigned char>(c)));
    return uscita;
}

std::string utf16ToCp1252(std::u16string_view testo)
{
    std::string uscita;
    uscita.reserve(testo.size());
    for (size_t i = 0; i < testo.size();)
        uscita += codePointToByte(nextUtf16(testo, i));
    return uscita;
}

std::string cp1252ToUtf8(std::string_view testo)
{
    std::string uscita;
    uscita.reserve(testo.size());
    for (const char c : testo) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            uscita += c;
        else
            appendUtf8(uscita, byteToCodePoint(byte));
    }
    return uscita;
}

std::string utf8ToCp1252(std::string_view testo)
{
    std::string uscita;
    uscita.reserve(testo.size());
    for (size_t i = 0; i < testo.size();) {
        const auto byte = static_cast<unsigned char>(testo[i]);
        if (byte < 0x80) {
            uscita += testo[i++];
            continue;
        }
        uscita += codePointToByte(nextUtf8(testo, i));
    }
    return uscita;
}

std::u16string utf8ToUtf16(std::string_view testo)
{
    std::u16string uscita;
    uscita.reserve(testo.size());
    for (size_t i = 0; i < testo.size();)
        appendUtf16(uscita, nextUtf8(testo, i));
    return uscita;
}

std::string utf16ToUtf8(std::u16string_view testo)
{
    std::string uscita;
    uscita.reserve(testo.size());
    for (size_t i = 0; i < testo.size();)
        appendUtf8(uscita, nextUtf16(testo, i));
    return uscita;
}

bool isValidUtf8(std::string_view testo)
{
    for (size_t i = 0; i < testo.size();) {
        const size_t inizio = i;
        if (nextUtf8(testo, i) == kSostituto) {
            // A real U+FFFD in the text is valid; anything else that decodes to it is not.
            if (testo.substr(inizio, i - inizio) != "\xEF\xBF\xBD")
                return false;
        }
    }
    return true;
}
