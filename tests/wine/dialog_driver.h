#pragma once
// What the dialog scenarios share: a driver initialised on the simulator's
// port, the boxes shown while the dialog was open, the clipboard.

#include <oaidl.h>

#include <string>
#include <vector>

#include "dialog_probe.h"
#include "host_window.h"

// Init with the simulator's port and `line_settings`; null on failure.
IDispatch* InitDriver(HostContext& host, const wchar_t* line_settings);

// Waits for `count` boxes; true when exactly those came, with `text`, the
// `icon` and the dialog as their owner (each recorded in `owners`).
bool BoxesOverDialog(DialogProbe& probe, BoxOwners& owners, std::size_t count,
                     const std::wstring& text, const std::wstring& icon,
                     std::string& seen);

// Text for a paste, as another program would leave it.
void PutOnClipboard(const std::wstring& text);

inline constexpr wchar_t kM3[] = L"DMX-Transmitter funktionsbereit!";
inline constexpr wchar_t kPortNotOpen[] = L"COM-Port ist nicht geöffnet!";
