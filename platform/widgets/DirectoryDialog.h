#pragma once

#include <QFileDialog>

// A directory chooser that, when allowed, accepts the name of a directory that does not exist
// yet. It never creates anything: the file system is read-only through it.
class DirectoryDialog : public QFileDialog {
    Q_OBJECT
public:
    DirectoryDialog(QWidget* parent, const QString& caption, const QString& start, bool allowMissing);

    QString chosenDirectory() const { return chosen_; }

public slots:
    void accept() override;

private:
    bool allowMissing_;
    QString chosen_;
};
