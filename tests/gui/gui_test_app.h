#pragma once
// The one QApplication of the GUI tests (off-screen platform).

#include <functional>

class QApplication;
class QDialog;

namespace tidemark::testing {

// Created on first use and destroyed after the last test, while Qt can still clean up
// after itself (a function-static application dies in the exit handlers, after Qt's
// own globals, and crashes there). An application made elsewhere is reused.
QApplication& guiApp();

// Acts on the dialog once it is shown modally (from the event loop of its exec()), then
// closes it if `act` left it open.
void whenModal(const std::function<void(QDialog&)>& act);
// Clicks the dialog's "OK" button.
void pressOk(QDialog& d);

} // namespace tidemark::testing
