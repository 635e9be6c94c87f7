#include "host/JUnitReport.h"

#include "host/CaptureFindings.h"
#include "host/CaptureReport.h"

#include <QHash>
#include <QSysInfo>
#include <QXmlStreamWriter>

#include <algorithm>

namespace {

using CaptureFindings::Finding;
using CaptureFindings::place;

struct TestCase {
    QString className, name;
    std::optional<Finding> failure;
};

struct Suite {
    QString name;
    QList<TestCase> cases;
    int errors = 0;

    qsizetype failures() const {
        return std::count_if(cases.cbegin(), cases.cend(), [](const TestCase& test) { return test.failure; });
    }
};

// A caption's case: its class the program and form, as a test's class is its package and class.
TestCase testCase(const QString& program, const QString& form, const QString& component,
                  const QString& property, const QString& where) {
    return {program + QLatin1Char('.') + form,
            component + QLatin1Char('.') + property + QStringLiteral(" (") + where + QLatin1Char(')'),
            std::nullopt};
}

// The suites in the order their programs were first met; a program whose captions were all
// removed comes after the others.
QList<Suite> suitesOf(const CaptureReport& report) {
    QList<Suite> suites;
    QHash<QString, qsizetype> suiteOf;
    const auto suite = [&](const QString& program) -> Suite& {
        auto found = suiteOf.constFind(program);
        if (found == suiteOf.cend()) {
            found = suiteOf.insert(program, suites.size());
            suites.append(Suite{program, {}, 0});
        }
        return suites[*found];
    };
    // A row a run would insert is told with the place of the caption it was looked up for.
    QHash<QString, Finding> findingAt;
    QList<Finding> removed;
    for (const Finding& finding : CaptureFindings::of(report)) {
        if (finding.kind == CaptureFindings::Kind::Removed)
            removed.append(finding);
        else
            findingAt.insert(place(finding.file, finding.line), finding);
    }
    for (const CaptureReport::LookUp& lookUp : report.lookUps()) {
        TestCase test = testCase(lookUp.program, lookUp.form, lookUp.component, lookUp.property,
                                 place(lookUp.file, lookUp.line));
        if (auto found = findingAt.constFind(place(lookUp.file, lookUp.line)); found != findingAt.cend())
            test.failure = *found;
        suite(lookUp.program).cases.append(std::move(test));
    }
    if (report.failOnRemoved())
        for (const Finding& finding : std::as_const(removed)) {
            TestCase test =
                testCase(finding.program, finding.form, finding.component, finding.property, finding.file);
            test.failure = finding;
            suite(finding.program).cases.append(std::move(test));
        }
    return suites;
}

} // namespace

namespace JUnitReport {

QByteArray write(const CaptureReport& report) {
    QList<Suite> suites = suitesOf(report);
    // A run that did not go to its end says why in a case of its own.
    if (!report.completed())
        suites.append(Suite{QStringLiteral("capture"),
                            {{QStringLiteral("capture"), QStringLiteral("run"), std::nullopt}},
                            1});
    // The schema takes a time stamp without fractions or zone: the local time, as the JSON report's.
    const QString timestamp = report.started().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    QString hostName = QSysInfo::machineHostName();
    if (hostName.isEmpty())
        hostName = QStringLiteral("localhost");

    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    // The schema Jenkins and GitLab follow gives the root no attributes: the suites carry the counts.
    for (qsizetype id = 0; id < suites.size(); ++id) {
        const Suite& suite = suites[id];
        xml.writeStartElement(QStringLiteral("testsuite"));
        xml.writeAttribute(QStringLiteral("name"), suite.name);
        xml.writeAttribute(QStringLiteral("package"), QStringLiteral("capture"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(id));
        xml.writeAttribute(QStringLiteral("timestamp"), timestamp);
        xml.writeAttribute(QStringLiteral("hostname"), hostName);
        xml.writeAttribute(QStringLiteral("tests"), QString::number(suite.cases.size()));
        xml.writeAttribute(QStringLiteral("failures"), QString::number(suite.failures()));
        xml.writeAttribute(QStringLiteral("errors"), QString::number(suite.errors));
        xml.writeAttribute(QStringLiteral("skipped"), QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("time"), QStringLiteral("0"));
        xml.writeStartElement(QStringLiteral("properties"));
        for (const auto& [name, value] : {std::pair{QStringLiteral("language"), report.language()},
                                          std::pair{QStringLiteral("server"), report.server()}}) {
            xml.writeEmptyElement(QStringLiteral("property"));
            xml.writeAttribute(QStringLiteral("name"), name);
            xml.writeAttribute(QStringLiteral("value"), value);
        }
        xml.writeEndElement();
        for (const TestCase& test : suite.cases) {
            xml.writeStartElement(QStringLiteral("testcase"));
            xml.writeAttribute(QStringLiteral("name"), test.name);
            xml.writeAttribute(QStringLiteral("classname"), test.className);
            xml.writeAttribute(QStringLiteral("time"), QStringLiteral("0"));
            if (test.failure) {
                xml.writeStartElement(QStringLiteral("failure"));
                xml.writeAttribute(QStringLiteral("message"), CaptureFindings::message(*test.failure));
                xml.writeAttribute(QStringLiteral("type"), CaptureFindings::ruleId(test.failure->kind));
                xml.writeCharacters(place(test.failure->file, test.failure->line) + QStringLiteral(": ") +
                                    CaptureFindings::message(*test.failure));
                xml.writeEndElement();
            } else if (suite.errors > 0) {
                xml.writeStartElement(QStringLiteral("error"));
                xml.writeAttribute(QStringLiteral("message"), report.failures().value(0));
                xml.writeAttribute(QStringLiteral("type"), QStringLiteral("stopped"));
                xml.writeCharacters(report.failures().join(QLatin1Char('\n')));
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        xml.writeTextElement(QStringLiteral("system-out"), QString());
        xml.writeTextElement(QStringLiteral("system-err"), QString());
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

} // namespace JUnitReport
