// tieni_file.exe PERCORSO lettore|foglio|esclusivo [SECONDI]
//
// Holds a file open as another program of the practice's PC would, so that the Wine tests meet
// the system's own refusals rather than a test seam: "lettore" as a PDF viewer holds a document
// (reading, others may only read), "foglio" as a spreadsheet holds the file it has open (reading
// and writing, others may only read), "esclusivo" as a program that shares nothing. Prints
// "Tengo PERCORSO" once it holds the file, then holds it until its standard input closes or the
// seconds given pass. Exits 1, with the system's reason, when the file cannot be opened.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

namespace {

struct Modo {
    const wchar_t* nome;
    DWORD accesso;
    DWORD condivisione;
};

constexpr Modo kModi[] = {
    { L"lettore", GENERIC_READ, FILE_SHARE_READ },
    { L"foglio", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ },
    { L"esclusivo", GENERIC_READ | GENERIC_WRITE, 0 },
};

// Reads the standard input to its end: the caller's way of letting the file go.
DWORD WINAPI leggiFinoAllaFine(void*)
{
    const HANDLE ingresso = GetStdHandle(STD_INPUT_HANDLE);
    char blocco[256];
    DWORD letti = 0;
    while (ingresso != INVALID_HANDLE_VALUE && ingresso != nullptr
        && ReadFile(ingresso, blocco, sizeof blocco, &letti, nullptr) && letti > 0) { }
    return 0;
}

int uso()
{
    std::fputs("Uso: tieni_file PERCORSO lettore|foglio|esclusivo [SECONDI]\n", stderr);
    return 2;
}

} // namespace

int main()
{
    int quanti = 0;
    const std::unique_ptr<wchar_t*, decltype(&LocalFree)> argomenti(
        CommandLineToArgvW(GetCommandLineW(), &quanti), &LocalFree);
    if (!argomenti || quanti < 3 || quanti > 4)
        return uso();
    const wchar_t* percorso = argomenti.get()[1];
    const Modo* modo = nullptr;
    for (const Modo& candidato : kModi)
        if (std::wcscmp(candidato.nome, argomenti.get()[2]) == 0)
            modo = &candidato;
    DWORD attesa = INFINITE;
    if (quanti == 4) {
        wchar_t* fine = nullptr;
        const unsigned long secondi = std::wcstoul(argomenti.get()[3], &fine, 10);
        if (*fine != L'\0' || secondi > MAXDWORD / 1000)
            return uso();
        attesa = static_cast<DWORD>(secondi * 1000);
    }
    if (!modo)
        return uso();

    const HANDLE file = CreateFileW(
        percorso, modo->accesso, modo->condivisione, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "Impossibile aprire %ls: errore %lu\n", percorso, GetLastError());
        return 1;
    }
    std::printf("Tengo %ls\n", percorso);
    std::fflush(stdout);

    const HANDLE lettura = CreateThread(nullptr, 0, leggiFinoAllaFine, nullptr, 0, nullptr);
    if (lettura) {
        WaitForSingleObject(lettura, attesa);
        CloseHandle(lettura);
    } else if (attesa != INFINITE) {
        Sleep(attesa);
    }
    CloseHandle(file);
    return 0;
}
