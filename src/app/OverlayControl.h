// How the configuration process finds, starts, stops and restarts the overlay process. It keeps nothing
// about the overlay between calls: every operation starts with a fresh lookup of the overlay's window title.
#pragma once

#include <windows.h>

#include <string>

// Hands out the top-level window carrying the overlay title (null when there is none) and says whether
// it is a window.
BOOL FindOverlayWindow(HWND& found);

// Closes the overlay if there is one, otherwise starts one from this program's own executable.
void ToggleOverlay();
// Closes a running overlay and starts it again, so that it reads the stored settings afresh. Does
// nothing when no overlay runs.
void RestartOverlay();

// The same two operations with the overlay started from `executablePath`.
void ToggleOverlayFrom(const std::string& executablePath);
void RestartOverlayFrom(const std::string& executablePath);
