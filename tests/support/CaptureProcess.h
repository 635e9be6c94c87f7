#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QProcess;

class ServerProcess;

// The capture executable run as a user runs it, in a home directory of its own so that no saved
// setting of the machine takes part.
struct CaptureResult {
    bool finished = false; // false when it crashed or had to be stopped
    int exitCode = -1;
    QString out;
    QString err;
};

// workingDirectory: where it runs, as a CI job runs it in its checkout; the test's own by default.
CaptureResult runCapture(const QStringList& arguments, const QByteArray& input = {},
                         const QString& workingDirectory = {});

// Starts the capture executable without waiting for it, in the home directory given, for tests
// that act while it runs.
void startCapture(QProcess& process, const QStringList& arguments, const QString& home,
                  const QString& workingDirectory = {});

// --server with the address of server.
QStringList serverOption(const ServerProcess& server);

// The summary line: "files: N, lines: L, captions looked up: X, rows inserted: Y, time: T s"; a
// check's says "rows it would insert".
struct CaptureSummary {
    int files = -1;
    int lines = -1;
    int lookups = -1;
    int inserted = -1;
};
std::optional<CaptureSummary> summaryOf(const QString& out);
