#pragma once

#include <QFont>
#include <QMessageBox>
#include <QString>

class QCoreApplication;
class QLabel;
class QWidget;
#include <string>

#include "platform/MessageBox.h"
#include "tools/Versione.h"

// Small pieces the two windows share.

// The windows' font: MS Sans Serif 8 pt where it exists, else the nearest sans-serif.
QFont carattereFinestra();

// The application-wide busy (hourglass) cursor, switched on or off; not nested.
void impostaCursoreOccupato(bool occupato);

// The version mark's label over the logo's lower edge: Arial 8 pixels high, transparent; its
// text is set by the window's creation.
QLabel* creaEtichettaVersione(QWidget* parent);

// Places the version mark for a window scaled by fattore, sized to its text.
void scalaEtichettaVersione(QLabel* etichetta, double fattore);

// The control takes its label's text, without the colon, as the name a screen reader says, and
// the label points at it.
void nominaPerLettoreSchermo(QWidget* controllo, QLabel* etichetta);

// Italian throughout, whatever the system's language: dates, month and day names, and Qt's own
// texts (context menus, standard buttons). Called before any widget is built: a date picker
// fixes its format when it is made, and popups do not follow a widget's own locale.
void impostaItaliano(QCoreApplication& applicazione);

// Puts a window in the middle of its screen's free area; called as it is first shown.
void centraSulloSchermo(QWidget& finestra);

// The icon of what a message tells.
QMessageBox::Icon iconaMessaggio(platform::Gravita gravita);

// Windows-1252 text to and from the widgets' text.
QString daCp1252(const std::string& testo);
std::string aCp1252(const QString& testo);

// The real message box: modal, one OK button; the details, when any, behind "Mostra dettagli…".
void mostraMessaggioQt(
    const std::string& testo, const std::string& dettagli = {}, platform::Gravita gravita = platform::Gravita::Errore);

// The real folder opener: the system's file manager shows the folder at the Windows-1252 path.
bool apriCartellaQt(const std::string& percorso);
