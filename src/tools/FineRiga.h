#pragma once

// Every line the program writes ends so, in its files and in its texts on screen.
inline constexpr const char* kFineRiga = "\r\n";
