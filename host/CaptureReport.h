#pragma once

#include "capture/CaptureObserver.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What a capture run or check did, file by file, as the run tells it: the summary and the report
// are both made from it.
class CaptureReport {
public:
    enum class Mode { Run, Check };

    struct File {
        QString path;
        int lines = 0;
        int lookups = 0;
        int rows = 0;    // inserted by a run, new to a check
        int changed = 0; // of those rows
        int removed = 0;
    };
    struct Row {
        QString file;
        int line = 0;
        QString program, form, component, property, value, language;
        // The table's value of this component's caption that this row replaces: a changed caption.
        std::optional<QString> old;
    };
    // A caption looked up, with the names the form text gives it (upper-cased a-z).
    struct LookUp {
        QString file;
        int line = 0;
        QString program, form, component, property;
    };
    // A stored row of a scanned form that the form no longer holds, as stored.
    struct Removed {
        QString file;
        QString program, form, component, property, value, language;
    };

    CaptureReport(Mode mode, QString language, QString server);

    // The code of the language the run writes in, once the server's list has named it.
    void setLanguage(const QString& code) { language_ = code; }
    // A check fails also on removed captions: the reports weigh them as they weigh a new one.
    void setFailOnRemoved(bool failOnRemoved) { failOnRemoved_ = failOnRemoved; }
    // Whether each caption looked up is kept, for a report that tells each (JUnit's); without it
    // a run of any size holds only what it found.
    void setKeepsLookUps(bool keeps) { keepsLookUps_ = keeps; }
    void fileScanStarted(const QString& path, int lines);
    void captionLookedUp(const LookedUpCaption& caption);
    void captionRecorded(const RecordedCaption& caption);
    void rowStoring(const QString& path, int line);
    void captionRemoved(const QString& path, const StoredCaption& stored);
    // The run has ended; failures: what went wrong, none when it went to its end.
    void finish(const QStringList& failures);

    Mode mode() const { return mode_; }
    const QString& language() const { return language_; }
    const QString& server() const { return server_; }
    bool failOnRemoved() const { return failOnRemoved_; }
    const QDateTime& started() const { return started_; }
    const QDateTime& finished() const { return finished_; }
    const QList<File>& files() const { return files_; }
    const QList<LookUp>& lookUps() const { return lookUps_; }
    const QList<Row>& rows() const { return rows_; }
    const QList<Removed>& removed() const { return removed_; }
    int changed() const;
    int lookups() const;
    int lines() const;

    bool completed() const { return failures_.isEmpty(); }
    const QStringList& failures() const { return failures_; }
    // Where the scan was when the run ended: the file being scanned and the line of the caption
    // looked up last (or being looked up); empty and 0 before the first file, 0 before the
    // file's first look-up.
    const QString& lastFile() const { return lastFile_; }
    int lastLine() const { return lastLine_; }

private:
    File& file(const QString& path);

    Mode mode_;
    QString language_;
    QString server_;
    bool failOnRemoved_ = false;
    bool keepsLookUps_ = false;
    QDateTime started_ = QDateTime::currentDateTime();
    QDateTime finished_;
    QList<File> files_;
    QList<LookUp> lookUps_;
    QList<Row> rows_;
    QList<Removed> removed_;
    QStringList failures_;
    QString lastFile_;
    int lastLine_ = 0;
};
