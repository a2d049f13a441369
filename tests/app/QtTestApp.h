#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

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
// tests use the user's own (under Wine, the test prefix's) and leave no export folder in it.
class DesktopDiProva {
public:
    DesktopDiProva() { pulisci(); }
    ~DesktopDiProva() { pulisci(); }
    DesktopDiProva(const DesktopDiProva&) = delete;
    DesktopDiProva& operator=(const DesktopDiProva&) = delete;
    std::filesystem::path desktop() const { return platform::percorsoNativo(platform::cartellaDesktop().percorso); }
    std::filesystem::path output() const { return desktop() / "KARV (ADI-PPiP)"; }

private:
    void pulisci()
    {
        std::error_code ignorato;
        std::filesystem::remove_all(output(), ignorato);
    }
};
#else
// A Desktop of the test's own: HOME and the XDG settings point into a temporary folder.
class DesktopDiProva {
public:
    DesktopDiProva()
        : home_("HOME", dir_.path().string())
        , config_("XDG_CONFIG_HOME", (dir_ / ".config").string())
    {
    }
    std::filesystem::path desktop() const { return dir_ / "Desktop"; }
    std::filesystem::path output() const { return desktop() / "KARV (ADI-PPiP)"; }

private:
    testing_support::TempDir dir_;
    testing_support::ScopedEnv home_;
    testing_support::ScopedEnv config_;
};
#endif
