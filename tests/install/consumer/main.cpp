// An outside host: only the installed headers and the exported package, a form
// made in Designer with kwQuarry on it, and the Designer plugin as Designer loads it.
#include "ui_form.h"

#include <quarry/Database.h>
#include <quarry/Translations.h>
#include <quarry/kwQuarry.h>

#include <QApplication>
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    Ui::Form form;
    form.setupUi(&window);
    kwQuarry* browser = form.browser;
    QObject::connect(browser, &kwQuarry::RunQuery,
                     [](quarry::Connection, QString strSQl, QString, kwQuarry::dkDataType, int, bool, bool,
                        QString, bool) { std::printf("query: %s\n", qPrintable(strSQl)); });
    quarry::Connection connection;
    std::printf("host: kwQuarry ready, connection state %d\n", int(connection.State()));
    // The catalogue travels inside the installed library.
    const bool german = quarry::loadTranslations(QLocale(QLocale::German));
    std::printf("host: German %s, \"Tables\" reads \"%s\"\n", german ? "loaded" : "missing",
                qUtf8Printable(QCoreApplication::translate("kwQuarry", "Tables")));

    if (argc > 1) {
        QPluginLoader loader(QString::fromLocal8Bit(argv[1]));
        auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
        if (!plugin) {
            std::printf("host: the Designer plugin did not load: %s\n", qPrintable(loader.errorString()));
            return 1;
        }
        const std::unique_ptr<QWidget> placed(plugin->createWidget(&window));
        std::printf("host: designer %s in \"%s\", icon %s, places %s, header <%s>\n",
                    qPrintable(plugin->name()), qPrintable(plugin->group()),
                    plugin->icon().isNull() ? "none" : "shown",
                    qobject_cast<kwQuarry*>(placed.get()) ? "kwQuarry" : "nothing",
                    qPrintable(plugin->includeFile()));
    }
    return 0;
}
