#include "appserver/net/DescriptorLimit.h"

#include <QFile>
#include <QRegularExpression>

#include <sys/resource.h>

namespace {

// Read from /proc rather than asked for: the service's system call filter denies the rlimit calls,
// and a denied call ends the process. When the limits are equal (LimitNOFILE= in the unit sets
// both) no call is made at all.
bool readLimits(rlim_t& soft, rlim_t& hard) {
    QFile file(QStringLiteral("/proc/self/limits"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    static const QRegularExpression line(QStringLiteral("^Max open files\\s+(\\S+)\\s+(\\S+)"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(file.readAll()));
    if (!match.hasMatch())
        return false;
    const auto parse = [](const QString& text) {
        return text == QLatin1String("unlimited") ? RLIM_INFINITY : rlim_t(text.toULongLong());
    };
    soft = parse(match.captured(1));
    hard = parse(match.captured(2));
    return true;
}

} // namespace

long raiseDescriptorLimit() {
    rlim_t soft = 0;
    rlim_t hard = 0;
    if (!readLimits(soft, hard))
        return -1;
    if (soft < hard) {
        const rlimit raised{hard, hard};
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            soft = hard;
    }
    return soft == RLIM_INFINITY ? -1 : static_cast<long>(soft);
}
