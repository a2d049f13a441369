#pragma once

#include <optional>
#include <string>

#include "export/Riepilogo.h"

// The claim report as an A4 PDF, in Italian: the heading, the outcome and its warnings, a table
// per file of what it claims per service type, the services left out, and last every record in
// readable columns. PDF/A-1b, to be kept. Written beside the file under a temporary name and put in
// its place when whole, so that a report is whole or absent; nothing on success, else why it could
// not be written. Needs a QGuiApplication.
std::optional<std::string> scriviRiepilogoPdf(const DatiRiepilogo& dati, const std::string& sFile);
