#include "core/shell/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstdio>

bool CommandLine::answer(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays the small Flash games of a content server's catalogue."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Unknown options are Qt's own (-platform, -style) or the web engine's: not an error here.
    parser.parse(arguments);
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // Without an application object yet, the parser cannot name the program itself.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("tabrazo"));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return true;
    }
    if (parser.isSet(version)) {
        const QString text = QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion();
        std::printf("%s\n", text.toLocal8Bit().constData());
        return true;
    }
    return false;
}
