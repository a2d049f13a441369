#pragma once

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <functional>
#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/FileSistema.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

// The application object that the widget tests' main creates.
inline QApplication& applicazioneTest()
{
    return *qApp;
}

// Runs the action as soon as the event loop turns, e.g. inside a modal display.
inline void appenaPossibile(std::function<void()> azione)
{
    QTimer::singleShot(0, &applicazioneTest(), std::move(azione));
}

#ifdef _WIN32
// Windows names the Desktop through the shell, with no variable a test could point elsewhere: the
// tests use the user's own (under Wine, the test prefix's) and leave no export folder in it. With
// a length, the shell's Desktop is a folder of the test's own, whose path is that long, until the
// object goes.
class DesktopDiProva {
public:
    explicit DesktopDiProva(std::size_t lunghezza = 0)
    {
        if (lunghezza > 0) {
            // Where the shell reads the user's Desktop (Wine has no SHSetKnownFolderPath).
            wchar_t precedente[MAX_PATH];
            DWORD dimensione = sizeof precedente;
            if (RegGetValueW(HKEY_CURRENT_USER, kCartelle, L"Desktop",
                    RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, precedente, &dimensione)
                == ERROR_SUCCESS)
                precedente_ = precedente;
            std::wstring lungo = dir_.path().wstring() + L"\\";
            lungo += std::wstring(lunghezza - std::min(lunghezza, lungo.size()), L'd');
            std::filesystem::create_directories(lungo);
            impostaDesktop(lungo);
        }
        pulisci();
    }
    ~DesktopDiProva()
    {
        pulisci();
        if (!precedente_.empty())
            impostaDesktop(precedente_);
    }
    DesktopDiProva(const DesktopDiProva&) = delete;
    DesktopDiProva& operator=(const DesktopDiProva&) = delete;
    std::filesystem::path desktop() const { return platform::percorsoNativo(platform::cartellaDesktop().percorso); }
    std::filesystem::path output() const { return desktop() / "KARV (ADI-PPiP)"; }

private:
    static constexpr const wchar_t* kCartelle
        = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    static void impostaDesktop(const std::wstring& cartella)
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, kCartelle, L"Desktop", REG_EXPAND_SZ, cartella.c_str(),
            static_cast<DWORD>((cartella.size() + 1) * sizeof(wchar_t)));
    }
    void pulisci()
    {
        std::error_code ignorato;
        std::filesystem::remove_all(output(), ignorato);
    }
    testing_support::TempDir dir_;
    std::wstring precedente_;
};
#else
// A Desktop of the test's own: HOME and the XDG settings point into a temporary folder. With a
// length, the Desktop is a folder whose path is that long.
class DesktopDiProva {
public:
    explicit DesktopDiProva(std::size_t lunghezza = 0)
        : home_("HOME", dir_.path().string())
        , config_("XDG_CONFIG_HOME", (dir_ / ".config").string())
    {
        if (lunghezza == 0)
            return;
        const std::string radice = dir_.path().string() + "/";
        desktop_ = radice + std::string(lunghezza - std::min(lunghezza, radice.size()), 'd');
        std::filesystem::create_directories(desktop_);
        std::filesystem::create_directories(dir_ / ".config");
        testing_support::writeFile(
            dir_ / ".config" / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + desktop_.string() + "\"\n");
    }
    std::filesystem::path desktop() const { return desktop_; }
    std::filesystem::path output() const { return desktop() / "KARV (ADI-PPiP)"; }

private:
    testing_support::TempDir dir_;
    testing_support::ScopedEnv home_;
    testing_support::ScopedEnv config_;
    std::filesystem::path desktop_ = dir_ / "Desktop";
};
#endif
