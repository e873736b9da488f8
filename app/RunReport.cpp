#include "RunReport.h"

#include "forms/backup/HeadlessRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace {

// Texts read from the switch or a file may hold bytes that are no UTF-8;
// they come out as U+FFFD rather than as JSON no parser takes.
QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

const char* Result(int exitCode) {
    if (exitCode == ExitOk) return "ok";
    if (exitCode == ExitVerify) return "differs";
    return "failed";
}

} // namespace

std::string RunReportJson(int exitCode, const std::vector<std::string>& changed,
                          const std::string& message) {
    QJsonArray lines;
    for (const std::string& line : changed)
        lines.append(Text(line));
    QJsonObject report;
    report.insert(QStringLiteral("result"), QString::fromLatin1(Result(exitCode)));
    report.insert(QStringLiteral("exit"), exitCode);
    report.insert(QStringLiteral("changed"), lines);
    report.insert(QStringLiteral("message"), Text(message));
    return QJsonDocument(report).toJson(QJsonDocument::Compact).toStdString();
}

bool WantsRunReport(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--json") == 0) return true;
    return false;
}
