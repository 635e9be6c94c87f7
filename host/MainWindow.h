#pragma once

#include <QMainWindow>

class ModuleLoader;
class QLabel;

// The host's main window: the menu that opens the capture module, the server address editor
// and, in the status bar, the address connects use now. Its operations run inside the
// toolkit's guard, so a failure ends in the error dialog whoever starts them.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(ModuleLoader& module, QWidget* parent = nullptr);

    // Loads the module on first use and runs its entry; returns when the capture window closes.
    void openCapture();
    // Edits the saved server address and saves it when accepted.
    void editServerSettings();
    void refreshServerAddress();

private:
    void createMenus();

    ModuleLoader& module_;
    QLabel* serverAddress_;
};
