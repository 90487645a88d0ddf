#pragma once
// The three small dialogs of the options menu. Each is created when its menu item is
// chosen, shown modally and destroyed when it closes; the models decide everything.

#include "host/host.h"
#include "settings/ini_file.h"

class QWidget;

namespace tidemark::gui {

void showFirstTimeForm(QWidget* parent, IniFile& settings, Host& host);   // TFirstTimeForm
void showOzGetTimeForm(QWidget* parent, IniFile& settings, Host& host);   // TOzGetTimeForm
void showTimeAddForm(QWidget* parent, IniFile& settings, Host& host);     // TTimeAddForm

} // namespace tidemark::gui
