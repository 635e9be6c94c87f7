#pragma once

#include <QApplication>

class QWidget;

// The host application as modules see it.
namespace Application {

// The host's main window: owner of modal windows and of the busy animation. The host sets it;
// nullptr in a host without one (the capture command).
QWidget* MainForm();
void SetMainForm(QWidget* form);

// The window that should own a dialog shown now.
QWidget* ActiveWindow();

// Lets the window system deliver what is pending (repaints, clicks, key presses) and returns.
void ProcessMessages();

// Makes every text on screen Portuguese like the windows' own, whatever the machine's locale: the
// program's own messages, the texts Qt adds (dialog buttons, the directory dialog, context menus)
// and the dates. False when the program's Portuguese catalog is not installed; the messages then
// stay English.
bool UsePortugueseTexts();

} // namespace Application
