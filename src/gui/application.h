#pragma once

namespace tidemark::gui {

// The application's name, desktop entry and icon; window titles stay exactly their captions.
void identifyApplication();

// Start-up of the desktop program: component check, the long-lived windows, event loop.
int runApplication(int argc, char* argv[]);

} // namespace tidemark::gui
