// Dabrook: a host for the Quarry browser. On first start it creates its own
// sample database so there is something to browse.
#include "app/MainWindow.h"
#include "app/SampleDatabase.h"
#include "app/Translations.h"

#include <quarry/Database.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

void printLine(const QString& text)
{
    std::fprintf(stderr, "Dabrook: %s\n", qUtf8Printable(text));
}

// First start: the sample database does not exist yet.
void prepareSample(const QString& path)
{
    if (QFileInfo::exists(path))
        return;
    QString error;
    if (!dabrook::SampleDatabase::create(path, &error)) {
        printLine(error);
        return;
    }
    if (!dabrook::registerSampleDataSource(path, &error))
        printLine(error);
}

// The options Dabrook understands.
struct CommandLine
{
    QCommandLineParser parser;
    const QCommandLineOption createSample{QStringLiteral("create-sample"),
                                          QStringLiteral("Create the sample database at <file> and exit."),
                                          QStringLiteral("file")};
    const QCommandLineOption sql{QStringLiteral("sql"),
                                 QStringLiteral("Run <query> on the sample database at start."),
                                 QStringLiteral("query")};
    const QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                        QStringLiteral("Save the window to <file> once started, then exit."),
                                        QStringLiteral("file")};
    const QCommandLineOption expand{
        QStringLiteral("expand"), QStringLiteral("Expand (and so connect) the data source <name> at start."),
        QStringLiteral("name")};
    const QCommandLineOption list{
        QStringLiteral("list"), QStringLiteral("With --expand, list the data source's <category> at start."),
        QStringLiteral("category")};

    explicit CommandLine(QCoreApplication& app)
    {
        QCoreApplication::setApplicationName(QStringLiteral("Dabrook"));
        QCoreApplication::setApplicationVersion(QStringLiteral(DABROOK_VERSION));
        parser.setApplicationDescription(QStringLiteral("Browse databases with the Quarry control."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({createSample, sql, screenshot, expand, list});
        parser.process(app); // --help and --version print and exit here
    }
};

// Asked for its help or version only, Dabrook needs no display.
bool textOnly(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "-?", "-v", "--version", "--help-all"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (textOnly(argc, argv)) {
        QCoreApplication core(argc, argv);
        CommandLine{core};
        return 0;
    }
    QApplication app(argc, argv);
    // The user's language (LANG, LC_ALL) before any window is made.
    dabrook::loadTranslations();
    const CommandLine command(app);
    const QCommandLineParser& parser = command.parser;
    const QCommandLineOption &createSample = command.createSample, &sql = command.sql,
                             &screenshot = command.screenshot, &expand = command.expand, &list = command.list;

    if (parser.isSet(createSample)) {
        const QString path = parser.value(createSample);
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!dabrook::SampleDatabase::create(path, &error)) {
            printLine(error);
            return 1;
        }
        printLine(QStringLiteral("created %1 in %2 ms").arg(path).arg(timer.elapsed()));
        return 0;
    }

    const QString samplePath = dabrook::SampleDatabase::defaultPath();
    prepareSample(samplePath);

    dabrook::MainWindow window;
    // Started before it shows, so the first window is sized for what it lists.
    window.initBrowser();
    window.show();
    if (parser.isSet(expand) && window.expandDataSource(parser.value(expand)) && parser.isSet(list))
        window.listCategory(parser.value(expand), parser.value(list));

    if (parser.isSet(sql)) {
        quarry::Connection sample;
        try {
            sample.setMode(quarry::adModeRead);
            sample.Open(dabrook::SampleDatabase::connectionString(samplePath));
            window.setConnection(sample, QStringLiteral("Sample"));
            window.sqlEditor()->setPlainText(parser.value(sql));
            window.runSql();
        } catch (const quarry::DatabaseError& e) {
            printLine(e.Description());
        }
    }

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(500, &window, [&window, file] {
            if (!window.grab().save(file))
                printLine(QStringLiteral("cannot save %1").arg(file));
            window.close();
        });
    }
    return app.exec();
}
