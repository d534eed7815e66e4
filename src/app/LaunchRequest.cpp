#include "LaunchRequest.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription("Cuts, joins, plays and converts audio files.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"cut", "Open the cutter with FILE.", "FILE"});
    parser.addOption({"join", "Open the joiner with the files given (a folder's audio files) in its join list."});
    parser.addPositionalArgument("files", "Files to list and select, or a folder to list.", "[FILE|FOLDER...]");
}

LaunchRequest requestOf(const QCommandLineParser& parser) {
    LaunchRequest request;
    request.join = parser.isSet("join");
    QStringList given = parser.positionalArguments();
    if (parser.isSet("cut")) {
        request.cut = true;
        given.prepend(parser.value("cut"));
    }
    for (const QString& path : given)
        request.paths << QFileInfo(path).absoluteFilePath();
    return request;
}

} // namespace

QStringList LaunchRequest::arguments() const {
    QStringList list;
    if (cut && !paths.isEmpty())
        return {"--cut", paths.front()};
    if (join)
        list << "--join";
    return list + paths;
}

LaunchRequest launchRequestOf(const QCoreApplication& app) {
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);
    return requestOf(parser);
}

LaunchRequest launchRequestFrom(const QStringList& arguments) {
    QCommandLineParser parser;
    describe(parser);
    parser.parse(QStringList{QCoreApplication::applicationFilePath()} + arguments);
    return requestOf(parser);
}
