#include "tests/support/CaptureProcess.h"

#include "tests/support/ServerProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

void startCapture(QProcess& process, const QStringList& arguments, const QString& home,
                  const QString& workingDirectory) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("VDR_MODULE_PATH")); // the module beside the executable is used
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(CAPTURE_PATH), arguments);
}

CaptureResult runCapture(const QStringList& arguments, const QByteArray& input,
                         const QString& workingDirectory) {
    QTemporaryDir home;
    QProcess process;
    startCapture(process, arguments, home.path(), workingDirectory);
    CaptureResult result;
    if (!process.waitForStarted(10000))
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QStringList serverOption(const ServerProcess& server) {
    return {QStringLiteral("--server"), QStringLiteral("%1:%2").arg(server.host()).arg(server.port())};
}

std::optional<CaptureSummary> summaryOf(const QString& out) {
    static const QRegularExpression line(
        QStringLiteral("^files: (\\d+), lines: (\\d+), captions looked up: (\\d+), "
                       "rows (?:inserted|it would insert): (\\d+), time: \\d+\\.\\d{3} s$"),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(out);
    if (!match.hasMatch())
        return std::nullopt;
    return CaptureSummary{match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                          match.captured(4).toInt()};
}
