// An outside host: only the installed headers and the exported package.
#include <quarry/Database.h>
#include <quarry/kwQuarry.h>

#include <QApplication>
#include <QMainWindow>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto* browser = new kwQuarry(&window);
    window.setCentralWidget(browser);
    QObject::connect(browser, &kwQuarry::RunQuery,
                     [](quarry::Connection, QString strSQl, QString, kwQuarry::dkDataType, int, bool, bool,
                        QString, bool) { std::printf("query: %s\n", qPrintable(strSQl)); });
    quarry::Connection connection;
    std::printf("host: kwQuarry ready, connection state %d\n", int(connection.State()));
    return 0;
}
