#include "widgets/DirectoryDialog.h"

#include "widgets/FileColumns.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QTreeView>

DirectoryDialog::DirectoryDialog(QWidget* parent, const QString& caption, const QString& start,
                                 bool allowMissing)
    : QFileDialog(parent, caption, start), allowMissing_(allowMissing) {
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly);
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ReadOnly); // no "new folder", rename or delete
    setProxyModel(new FileColumns(this));
    // The Portuguese date and the column's title are wider than the English ones Qt sized it for;
    // the size column, always empty for directories, gives them its room.
    if (auto* details = findChild<QTreeView*>()) {
        details->header()->setSectionResizeMode(FileColumns::kDateColumn, QHeaderView::ResizeToContents);
        details->hideColumn(FileColumns::kSizeColumn);
    }
}

void DirectoryDialog::accept() {
    const QStringList files = selectedFiles();
    if (files.isEmpty())
        return;
    chosen_ = files.constFirst();
    // The stock dialog refuses a directory that is not there; a name for one that is still to
    // be made is a valid answer here.
    if (allowMissing_ && !QFileInfo::exists(chosen_)) {
        QDialog::accept();
        return;
    }
    QFileDialog::accept();
}
