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

// Makes the texts Qt itself puts on screen (dialog buttons, the directory dialog, context menus)
// Portuguese like the windows' own, whatever the machine's locale. False when Qt's Portuguese
// translations are not installed; Qt's texts then stay English.
bool UsePortugueseQtTexts();

} // namespace Application
