#include "host/HtmlReport.h"

#include "host/CaptureFindings.h"
#include "host/CaptureReport.h"

#include <QHash>
#include <QLocale>

#include <utility>

namespace {

using CaptureFindings::Finding;
using CaptureFindings::Kind;

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// Narrow screens get each finding as a card of labelled lines; print keeps the table and never
// breaks a row over two pages. Captions keep their blanks, and a long one wraps.
const char kStyle[] = R"(
body { font: 15px/1.4 system-ui, sans-serif; color: #1b1b1b; background: #fff; margin: 0; }
main { max-width: 72em; margin: 0 auto; padding: 1em; }
h1 { font-size: 1.5em; margin: 0 0 .3em; }
h2 { font-size: 1.2em; margin: 1.5em 0 .3em; border-bottom: 1px solid #ccc; }
h3 { font-size: 1em; margin: 1em 0 .3em; }
.status { font-weight: bold; padding: .4em .6em; border-left: .3em solid #2e7d32; background: #eef6ee; }
.status.found { border-color: #b26a00; background: #fff4e0; }
.status.failed { border-color: #c62828; background: #fdecea; }
dl.summary { display: grid; grid-template-columns: repeat(auto-fill, minmax(11em, 1fr)); gap: .4em 1em; }
dl.summary div { border: 1px solid #ddd; border-radius: .3em; padding: .3em .6em; }
dt { font-size: .85em; color: #555; }
dd { margin: 0; font-weight: bold; overflow-wrap: anywhere; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; vertical-align: top; padding: .3em .5em; border-bottom: 1px solid #ddd; }
th { background: #f3f3f3; }
td.caption { white-space: pre-wrap; overflow-wrap: anywhere; }
tr.changed td.kind { color: #b26a00; }
tr.removed td.kind { color: #555; }
del { background: #fbd0d0; text-decoration: line-through; }
ins { background: #c8efc8; text-decoration: none; }
@media (max-width: 40em) {
  table, thead, tbody, tr, th, td { display: block; }
  thead { display: none; }
  tr { border: 1px solid #ccc; border-radius: .3em; margin: 0 0 .6em; }
  td { border: none; padding: .15em .5em; }
  td::before { content: attr(data-label); display: block; font-size: .8em; color: #555; }
}
@media print {
  body { font-size: 10pt; }
  main { max-width: none; padding: 0; }
  tr { break-inside: avoid; }
  h2, h3 { break-after: avoid; }
  del, ins { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
)";

QString summaryItem(const QString& label, const QString& value) {
    return QStringLiteral("<div><dt>%1</dt><dd>%2</dd></div>\n").arg(escaped(label), escaped(value));
}

QString cell(const QString& label, const QString& html, const char* cssClass = nullptr) {
    return QStringLiteral("<td%1 data-label=\"%2\">%3</td>")
        .arg(cssClass ? QStringLiteral(" class=\"%1\"").arg(QLatin1String(cssClass)) : QString(),
             escaped(label), html);
}

QString findingRow(const Finding& finding) {
    QString stored, inForm;
    switch (finding.kind) {
    case Kind::New:
        inForm = escaped(finding.value);
        break;
    case Kind::Changed: {
        const HtmlReport::MarkedChange marked =
            HtmlReport::markChange(finding.old.value_or(QString()), finding.value);
        stored = marked.old;
        inForm = marked.now;
        break;
    }
    case Kind::Removed:
        stored = escaped(finding.value);
        break;
    }
    const QString place = CaptureFindings::place(finding.file, finding.line);
    static const char* const kClasses[] = {"new", "changed", "removed"};
    return QStringLiteral("<tr class=\"%1\">").arg(QLatin1String(kClasses[static_cast<int>(finding.kind)])) +
           cell(QStringLiteral("Place"), escaped(place)) +
           cell(QStringLiteral("Component"),
                escaped(finding.component + QLatin1Char('.') + finding.property)) +
           cell(QStringLiteral("Finding"), escaped(CaptureFindings::title(finding.kind)), "kind") +
           cell(QStringLiteral("Stored caption"), stored, "caption") +
           cell(QStringLiteral("Caption in the form"), inForm, "caption") + QStringLiteral("</tr>\n");
}

QString tableHead() {
    QString head = QStringLiteral("<table>\n<thead><tr>");
    for (const QString& label :
         {QStringLiteral("Place"), QStringLiteral("Component"), QStringLiteral("Finding"),
          QStringLiteral("Stored caption"), QStringLiteral("Caption in the form")})
        head += QStringLiteral("<th>%1</th>").arg(escaped(label));
    return head + QStringLiteral("</tr></thead>\n<tbody>\n");
}

// Per program, then per form, in the order first met.
QString findingTables(const QList<Finding>& findings) {
    QStringList programs;
    QHash<QString, QStringList> formsOf;
    QHash<std::pair<QString, QString>, QList<const Finding*>> findingsOf;
    for (const Finding& finding : findings) {
        if (!formsOf.contains(finding.program))
            programs.append(finding.program);
        QStringList& forms = formsOf[finding.program];
        QList<const Finding*>& ofForm = findingsOf[{finding.program, finding.form}];
        if (ofForm.isEmpty())
            forms.append(finding.form);
        ofForm.append(&finding);
    }
    QString html;
    for (const QString& program : std::as_const(programs)) {
        html += QStringLiteral("<section>\n<h2>%1</h2>\n")
                    .arg(escaped(QStringLiteral("Program %1").arg(program)));
        for (const QString& form : std::as_const(formsOf[program])) {
            html += QStringLiteral("<h3>%1</h3>\n").arg(escaped(QStringLiteral("Form %1").arg(form))) +
                    tableHead();
            for (const Finding* finding : std::as_const(findingsOf[{program, form}]))
                html += findingRow(*finding);
            html += QStringLiteral("</tbody>\n</table>\n");
        }
        html += QStringLiteral("</section>\n");
    }
    return html;
}

QString status(const CaptureReport& report, qsizetype findings) {
    if (!report.completed()) {
        const QString where = report.lastFile().isEmpty()
                                  ? QStringLiteral("Stopped before the scan")
                                  : QStringLiteral("Stopped at %1:%2")
                                        .arg(report.lastFile(), QString::number(report.lastLine()));
        return QStringLiteral("<p class=\"status failed\">%1</p>\n<ul>\n").arg(escaped(where)) + [&] {
            QString items;
            for (const QString& failure : report.failures())
                items += QStringLiteral("<li>%1</li>\n").arg(escaped(failure));
            return items;
        }() + QStringLiteral("</ul>\n");
    }
    if (findings == 0)
        return QStringLiteral("<p class=\"status\">%1</p>\n")
            .arg(escaped(
                QStringLiteral("Every caption is known and every stored caption is still in the forms.")));
    return QStringLiteral("<p class=\"status found\">%1</p>\n")
        .arg(escaped(QStringLiteral("Findings: %1").arg(findings)));
}

} // namespace

namespace HtmlReport {

MarkedChange markChange(const QString& old, const QString& now) {
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(old.size(), now.size());
    while (prefix < shorter && old[prefix] == now[prefix])
        ++prefix;
    // Never between the halves of a surrogate pair.
    if (prefix > 0 && old[prefix - 1].isHighSurrogate())
        --prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    if (suffix > 0 && old[old.size() - suffix].isLowSurrogate())
        --suffix;
    const auto marked = [&](const QString& text, QLatin1String tag) {
        const QString middle = text.mid(prefix, text.size() - prefix - suffix);
        return escaped(text.left(prefix)) +
               (middle.isEmpty() ? QString() : QStringLiteral("<%1>%2</%1>").arg(tag, escaped(middle))) +
               escaped(text.right(suffix));
    };
    return {marked(old, QLatin1String("del")), marked(now, QLatin1String("ins"))};
}

QByteArray write(const CaptureReport& report) {
    const QList<Finding> findings = CaptureFindings::of(report);
    const bool check = report.mode() == CaptureReport::Mode::Check;
    const QString heading = check ? QStringLiteral("Caption check") : QStringLiteral("Caption capture");
    const qsizetype changed = report.changed();
    const QString title = QStringLiteral("%1: %2 new, %3 changed, %4 removed")
                              .arg(heading, QString::number(report.rows().size() - changed),
                                   QString::number(changed), QString::number(report.removed().size()));
    const QLocale locale;
    QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"%1\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>%2</title>\n<style>%3</style>\n</head>\n<body>\n<main>\n<h1>%4</h1>\n")
            .arg(escaped(locale.bcp47Name()), escaped(title), QLatin1String(kStyle), escaped(heading));
    html += status(report, findings.size());
    html += QStringLiteral("<dl class=\"summary\">\n") +
            summaryItem(QStringLiteral("Files"), QString::number(report.files().size())) +
            summaryItem(QStringLiteral("Captions looked up"), QString::number(report.lookups())) +
            summaryItem(QStringLiteral("New"), QString::number(report.rows().size() - changed)) +
            summaryItem(QStringLiteral("Changed"), QString::number(changed)) +
            summaryItem(QStringLiteral("Removed"), QString::number(report.removed().size())) +
            summaryItem(QStringLiteral("Language"), report.language()) +
            summaryItem(QStringLiteral("Server"), report.server()) +
            summaryItem(QStringLiteral("Time"), locale.toString(report.started(), QLocale::ShortFormat)) +
            summaryItem(QStringLiteral("Took"),
                        QStringLiteral("%1 s").arg(
                            locale.toString(report.started().msecsTo(report.finished()) / 1000.0, 'f', 3))) +
            QStringLiteral("</dl>\n");
    html += findingTables(findings);
    html += QStringLiteral("</main>\n</body>\n</html>\n");
    return html.toUtf8();
}

} // namespace HtmlReport
