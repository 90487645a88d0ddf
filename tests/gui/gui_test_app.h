#pragma once
// The one QApplication of the GUI tests (off-screen platform).

class QApplication;

namespace tidemark::testing {

// Created on first use and destroyed after the last test, while Qt can still clean up
// after itself (a function-static application dies in the exit handlers, after Qt's
// own globals, and crashes there). An application made elsewhere is reused.
QApplication& guiApp();

} // namespace tidemark::testing
