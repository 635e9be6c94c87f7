#include "widgets/OpenDialog.h"

#include "widgets/Application.h"

#include <QFileDialog>

bool TOpenDialog::Execute() {
    // "desc|pattern|desc|pattern" becomes Qt's "desc (pattern);;desc (pattern)".
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters.append(QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]));
    QFileDialog dialog(Application::ActiveWindow(), QString(), InitialDir);
    dialog.setNameFilters(filters);
    dialog.setFileMode(FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, HideReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = dialog.selectedFiles().constFirst();
    return true;
}
