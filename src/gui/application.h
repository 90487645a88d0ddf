#pragma once

namespace tidemark::gui {

// Start-up of the desktop program: component check, the long-lived windows, event loop.
int runApplication(int argc, char* argv[]);

} // namespace tidemark::gui
