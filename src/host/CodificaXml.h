#pragma once

// Makes libxml2 read extracts declared as windows-1252 (or cp1252) through the program's own
// Windows-1252 table, so that every platform reads them alike, with or without iconv: a byte that
// Windows-1252 leaves undefined comes through as the C1 control of the same value, as Windows
// itself converts it. Safe to call more than once; the parser must have been initialised.
void registraCodificaWindows1252();
