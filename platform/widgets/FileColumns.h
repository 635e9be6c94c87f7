#pragma once

#include <QIdentityProxyModel>

// The directory dialog's columns in the application's own language. Qt's file model writes its
// dates in the machine's locale and its "Folder" type untranslated; this shows both as the rest of
// the window does.
class FileColumns : public QIdentityProxyModel {
    Q_OBJECT
public:
    // QFileSystemModel's columns.
    static constexpr int kSizeColumn = 1;
    static constexpr int kTypeColumn = 2;
    static constexpr int kDateColumn = 3;

    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override;
};
