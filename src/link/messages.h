#pragma once
// The texts of the driver's message boxes (title: kMessageBoxTitle).

#include <string_view>

namespace quorvix {

inline constexpr std::string_view kMessagePortOpenFailed =  // M1
    "Fehler beim Öffnen des COM-Ports!";
inline constexpr std::string_view kMessageNotReady =  // M2
    "DMX-Transmitter nicht funktionsbereit!";
inline constexpr std::string_view kMessageReady =  // M3
    "DMX-Transmitter funktionsbereit!";
inline constexpr std::string_view kMessageSlowLine =  // M4
    "Achtung:\r\n"
    "Die Übertragung zum DMX-Transmitter läuft mit weniger als 38 400 Baud.\r\n"
    "Dies kann zu ungenauen Fade-Zeiten führen.";

// Below this rate the line is too slow for accurate fades.
inline constexpr long kFullSpeedBaud = 38400;

}  // namespace quorvix
