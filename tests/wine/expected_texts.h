#pragma once
// The plug-in's message texts, as a user reads them.

inline constexpr wchar_t kM1[] = L"Fehler beim Öffnen des COM-Ports!";
inline constexpr wchar_t kM2[] = L"DMX-Transmitter nicht funktionsbereit!";
inline constexpr wchar_t kM4[] =
    L"Achtung:\r\n"
    L"Die Übertragung zum DMX-Transmitter läuft mit weniger als 38 400 "
    L"Baud.\r\n"
    L"Dies kann zu ungenauen Fade-Zeiten führen.";
