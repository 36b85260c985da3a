#include "BrowserFixture.h"
#include "TcpProxy.h"
#include "TestDatabases.h"

#include <QGuiApplication>
#include <QHostAddress>
#include <QTcpServer>

using quarry::test::Browser;
using quarry::test::Db;
using quarry::test::SourceRow;

namespace {

using Settings = std::vector<std::array<QString, 3>>;

const QStringList kCategories{"Tables", "Views", "Stored Procedures"};

Settings categories(bool tables, bool views, bool procs)
{
    const auto word = [](bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); };
    return {{"Admin", "Open Table", word(tables)},
            {"Admin", "Open View", word(views)},
            {"Admin", "Open sp", word(procs)}};
}

// The server's own number for the session, to tell a reused connection from a new one.
QString sessionOf(Db db, const quarry::Connection& connection)
{
    if (db == Db::SQLite)
        return {};
    quarry::Recordset rs;
    rs.Open(db == Db::PostgreSQL ? QStringLiteral("SELECT pg_backend_pid()")
                                 : QStringLiteral("SELECT CONNECTION_ID()"),
            connection);
    return rs.Fields(0).Value.toString();
}

quint16 serverPort(Db db)
{
    return db == Db::PostgreSQL ? 5432 : 3306;
}

QString throughPort(Db db, quint16 port)
{
    return QStringLiteral("Provider=%1;Data Source=127.0.0.1,%2;Initial Catalog=test;User ID=root")
        .arg(db == Db::PostgreSQL ? QStringLiteral("PostgreSQL") : QStringLiteral("MariaDB"))
        .arg(port);
}

} // namespace

class DataTreeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { Glob::Reporter().clearReports(); }

    void buildsTree_data();
    void buildsTree();
    void expandConnectsAndClicksRecord_data();
    void expandConnectsAndClicksRecord();
    void failedConnectCollapses_data();
    void failedConnectCollapses();
    void serverGoneBetweenExpands_data();
    void serverGoneBetweenExpands();
    void nodeWithoutCategories();
    void pointerShowsDescription();
};

void DataTreeTest::buildsTree_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<Settings>("settings");
    QTest::addColumn<int>("roots");
    QTest::addColumn<QStringList>("children");

    const QStringList all = kCategories;
    QTest::newRow("empty list") << QStringList{} << Settings{} << 0 << all;
    QTest::newRow("defaults") << QStringList{"Sales", "O'Brien & Co"} << Settings{} << 2 << all;
    QTest::newRow("unnamed third row ends the list")
        << QStringList{"One", "Two", "", "Four", "Five"} << Settings{} << 2 << all;
    QTest::newRow("views and procedures only") << QStringList{"One"} << categories(false, true, true) << 1
                                               << QStringList{"Views", "Stored Procedures"};
    QTest::newRow("tables only") << QStringList{"One"} << categories(true, false, false) << 1
                                 << QStringList{"Tables"};
    QTest::newRow("no categories") << QStringList{"One", "Two"} << categories(false, false, false) << 2
                                   << QStringList{};
    QStringList fifty;
    for (int i = 1; i <= 50; ++i)
        fifty << QStringLiteral("Source %1").arg(i);
    QTest::newRow("full list of fifty") << fifty << Settings{} << 50 << all;
}

void DataTreeTest::buildsTree()
{
    QFETCH(QStringList, names);
    QFETCH(Settings, settings);
    QFETCH(int, roots);
    QFETCH(QStringList, children);

    std::vector<SourceRow> sources;
    for (const QString& name : names)
        sources.push_back({name, QStringLiteral("Provider=SQLite;Data Source=/nonexistent/x.db"), {}});
    Browser b(sources, settings);
    QVERIFY(b.initialized);
    QVERIFY(b.errors->isEmpty());
    QVERIFY(b.d->Initialized);
    for (const char* name : {"tvwData", "lvwData", "kwSplitData", "staStatus"})
        QVERIFY2(b.control->findChild<QWidget*>(QString::fromLatin1(name))->isVisible(), name);

    QCOMPARE(b.model()->rowCount(), roots);
    QCOMPARE(b.d->Connections.size(), size_t(roots) + 1);
    for (int number = 1; number <= roots; ++number) {
        const QModelIndex root = b.root(number);
        QVERIFY2(root.isValid(), qPrintable(QString::number(number)));
        QCOMPARE(root.row(), number - 1);
        QCOMPARE(b.model()->text(root), names[number - 1]);
        QVERIFY(b.model()->bold(root));
        QCOMPARE(b.model()->image(root), 1);
        QStringList texts;
        for (int row = 0; row < b.model()->rowCount(root); ++row) {
            const QModelIndex child = b.model()->index(row, 0, root);
            texts << b.model()->text(child);
            QVERIFY(b.model()->key(child).isEmpty());
            QCOMPARE(b.model()->image(child), int(kCategories.indexOf(texts.last())) + 2);
            QCOMPARE(b.model()->fullPath(child), names[number - 1] + QStringLiteral(" : ") + texts.last());
        }
        QCOMPARE(texts, children);
    }

    // A rebuild drops every connection and the listed objects and gives the
    // status text back.
    b.d->panel1->setText(QStringLiteral("before"));
    b.d->lvwData->model()->setItems({{QStringLiteral("stale"), {}, 1, 5}});
    b.d->Connections.back() = quarry::Connection();
    QVERIFY(b.control->Set_Options(false, false, true));
    QCOMPARE(b.status(), QStringLiteral("before"));
    QCOMPARE(b.control->QueryTotal(), 0);
    for (const auto& slot : b.d->Connections)
        QVERIFY(!slot.has_value());
    QCOMPARE(b.model()->rowCount(), roots);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void DataTreeTest::expandConnectsAndClicksRecord_data()
{
    quarry::test::addDatabaseRows();
}

void DataTreeTest::expandConnectsAndClicksRecord()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    Browser b(
        {{QStringLiteral("Elsewhere"), QStringLiteral("Provider=SQLite;Data Source=/nonexistent/x.db"), {}},
         {QStringLiteral("Shop"), quarry::test::connectionString(db), QStringLiteral("the shop")}});
    QVERIFY(b.initialized);

    const QModelIndex shop = b.root(2);
    b.expand(shop);
    QVERIFY(b.errors->isEmpty());
    QVERIFY(b.tree()->isExpanded(shop));
    QCOMPARE(b.tree()->currentIndex(), shop);
    QCOMPARE(Glob::CurrentDataSource(), 2);
    QCOMPARE(b.model()->image(shop), 9);
    QCOMPARE(b.status(), QStringLiteral("Ready ..."));
    quarry::Connection connection = b.d->connection(2);
    QCOMPARE(connection.State(), quarry::adStateOpen);
    QCOMPARE(connection.Mode(), quarry::adModeRead);
    QVERIFY(Glob::Reporter().connection() == connection);
    QVERIFY(!b.d->Connections[1].has_value());

    // Clicking a category records its kind and path; when it lists nothing the
    // path is the new query context (a listed object would be).
    struct Click
    {
        QString category;
        kwQuarry::dkDataType kind;
    };
    for (const Click& click :
         {Click{"Stored Procedures", kwQuarry::dkDataStoredProc}, Click{"Views", kwQuarry::dkDataView},
          Click{"Tables", kwQuarry::dkDataTable}}) {
        b.selected->clear();
        Glob::setCurrentDataSource(1);
        b.click(b.child(2, click.category));
        QCOMPARE(b.d->CurrentDataType, click.kind);
        QCOMPARE(b.d->CategoryPath, QStringLiteral("Shop : ") + click.category);
        QCOMPARE(Glob::CurrentDataSource(), 2);
        QCOMPARE(b.selected->size(), b.control->QueryTotal() == 0 ? 1 : 0);
        if (!b.selected->isEmpty())
            QCOMPARE(b.selected->first().first().toString(), QStringLiteral("Shop : ") + click.category);
    }
    QVERIFY(b.errors->isEmpty());

    // A click on the data source names it and empties the list and the count.
    b.d->lvwData->model()->setItems({{QStringLiteral("stale"), {}, 1, 5}});
    b.d->panel2->setText(QStringLiteral(" 1 items"));
    b.selected->clear();
    b.errors->clear();
    b.click(shop);
    QCOMPARE(b.selected->size(), 1);
    QCOMPARE(b.selected->first().first().toString(), QStringLiteral("Shop"));
    QCOMPARE(b.control->QueryTotal(), 0);
    QVERIFY(b.d->panel2->text().isEmpty());
    QVERIFY(b.errors->isEmpty());

    // Connecting what is open reuses the session, still empties the list.
    const QString session = sessionOf(db, connection);
    b.d->lvwData->model()->setItems({{QStringLiteral("stale"), {}, 1, 5}});
    QVERIFY(b.control->Connect_DataSource());
    QCOMPARE(b.control->QueryTotal(), 0);
    QCOMPARE(b.status(), QStringLiteral("Ready ..."));
    QVERIFY(b.d->connection(2) == connection);
    QCOMPARE(sessionOf(db, connection), session);

    // Disconnecting closes it and collapses the node; the next expand opens a new session.
    b.d->mnuDisconnect->trigger();
    QCOMPARE(connection.State(), quarry::adStateClosed);
    QCOMPARE(b.model()->image(shop), 1);
    QVERIFY(!b.tree()->isExpanded(shop));
    b.d->mnuConnect->trigger();
    QVERIFY(b.tree()->isExpanded(shop));
    QCOMPARE(connection.State(), quarry::adStateOpen);
    QCOMPARE(b.model()->image(shop), 9);
    QVERIFY(b.errors->isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void DataTreeTest::failedConnectCollapses_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("empty connection string") << QString() << QString();
    QTest::newRow("unknown provider")
        << QStringLiteral("Provider=NoSuchProvider;Data Source=x") << "NoSuchProvider";
    QTest::newRow("missing SQLite file")
        << QStringLiteral("Provider=SQLite;Data Source=/nonexistent/dir/x.db") << "x.db\" does not exist";
    QTest::newRow("nobody listening") << throughPort(Db::PostgreSQL, 1) << QString();
    // Accepts and never answers: only the 10 s timeout ends the wait.
    QTest::newRow("server that hangs") << QStringLiteral("hang") << QString();
}

void DataTreeTest::failedConnectCollapses()
{
    QFETCH(QString, connection);
    QFETCH(QString, mentions);
    QUARRY_REQUIRE_DB(Db::SQLite);
    QTcpServer silent;
    if (connection == QLatin1String("hang")) {
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        connection = throughPort(Db::PostgreSQL, silent.serverPort());
    }
    Browser b({{QStringLiteral("Broken"), connection, {}},
               {QStringLiteral("Local"), quarry::test::connectionString(Db::SQLite), {}}});
    QVERIFY(b.initialized);
    const QModelIndex broken = b.root(1);

    b.expand(broken);
    QCOMPARE(b.errorProcedures(), QStringList{"Connect_DataSource"});
    const QString description = b.errors->first().at(1).toString();
    QVERIFY2(!description.trimmed().isEmpty(), "the driver's message reaches the host");
    if (!mentions.isEmpty())
        QVERIFY2(description.contains(mentions), qPrintable(description));
    QVERIFY(!b.tree()->isExpanded(broken));
    QCOMPARE(b.model()->image(broken), 1);
    QCOMPARE(b.status(), QStringLiteral("Connecting to Broken ..."));
    QCOMPARE(b.d->connection(1).State(), quarry::adStateClosed);
    QVERIFY(!QGuiApplication::overrideCursor());

    // The connect command tries once itself and once more through the expand.
    if (connection.isEmpty()) {
        b.errors->clear();
        b.d->mnuConnect->trigger();
        QCOMPARE(b.errorProcedures(), (QStringList{"Connect_DataSource", "Connect_DataSource"}));
        QVERIFY(!b.tree()->isExpanded(broken));
    }

    // The control stays usable.
    b.errors->clear();
    b.expand(b.root(2));
    QVERIFY(b.errors->isEmpty());
    QCOMPARE(b.model()->image(b.root(2)), 9);
    QCOMPARE(b.status(), QStringLiteral("Ready ..."));
}

void DataTreeTest::serverGoneBetweenExpands_data()
{
    quarry::test::addServerRows();
}

void DataTreeTest::serverGoneBetweenExpands()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);
    quarry::test::TcpProxy server(serverPort(db));
    Browser b({{QStringLiteral("Remote"), throughPort(db, server.port()), {}}});
    QVERIFY(b.initialized);
    const QModelIndex remote = b.root(1);

    b.expand(remote);
    QVERIFY2(b.errors->isEmpty(), qPrintable(b.errors->value(0).value(1).toString()));
    QCOMPARE(b.model()->image(remote), 9);
    b.d->mnuDisconnect->trigger();

    server.stop();
    b.expand(remote);
    QCOMPARE(b.errorProcedures(), QStringList{"Connect_DataSource"});
    QVERIFY(!b.tree()->isExpanded(remote));
    QCOMPARE(b.model()->image(remote), 1);

    // Back again: the same node connects without a rebuild.
    server.start();
    b.errors->clear();
    b.expand(remote);
    QVERIFY(b.errors->isEmpty());
    QCOMPARE(b.model()->image(remote), 9);
    QCOMPARE(b.d->connection(1).State(), quarry::adStateOpen);
}

void DataTreeTest::nodeWithoutCategories()
{
    Browser b({{QStringLiteral("Bare"), QStringLiteral("Provider=SQLite;Data Source=/nonexistent/x.db"), {}}},
              categories(false, false, false));
    QVERIFY(b.initialized);
    Glob::setCurrentDataSource(0);
    b.d->lvwData->model()->setItems({{QStringLiteral("kept"), {}, 1, 5}});
    b.click(b.root(1));
    QCOMPARE(b.tree()->currentIndex(), b.root(1));
    QVERIFY(b.selected->isEmpty());
    QCOMPARE(b.control->QueryTotal(), 1);
    QCOMPARE(Glob::CurrentDataSource(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());

    // Connecting through the menu names the node itself.
    Glob::setCurrentDataSource(1);
    b.d->mnuConnect->trigger();
    QCOMPARE(b.status(), QStringLiteral("Connecting to Bare ..."));
    QCOMPARE(b.errorProcedures(), QStringList{"Connect_DataSource"});
}

void DataTreeTest::pointerShowsDescription()
{
    QUARRY_REQUIRE_DB(Db::SQLite); // creates the file a read-only open needs
    const QString local = quarry::test::connectionString(Db::SQLite);
    Browser b({{QStringLiteral("One"), local, QStringLiteral("first source")},
               {QStringLiteral("Two"), local, QStringLiteral("second source")}});
    QVERIFY(b.initialized);
    b.tree()->expandAll();
    QVERIFY2(b.errors->isEmpty(), qPrintable(b.errors->value(0).value(1).toString()));
    QVERIFY(b.tree()->isExpanded(b.root(2)));
    QCOMPARE(b.d->TipSourceNumber, 0);

    const auto moveTo = [&](QPoint where) { QTest::mouseMove(b.tree()->viewport(), where); };
    const auto over = [&](const QModelIndex& node) { return b.tree()->visualRect(node).center(); };

    moveTo(over(b.root(1)));
    QTRY_COMPARE(b.tree()->toolTip(), QStringLiteral("first source"));
    QCOMPARE(b.d->TipSourceNumber, 1);
    moveTo(over(b.root(2)));
    QTRY_COMPARE(b.tree()->toolTip(), QStringLiteral("second source"));
    QCOMPARE(b.d->TipSourceNumber, 2);
    moveTo(over(b.child(2, QStringLiteral("Views"))));
    QTRY_COMPARE(b.tree()->toolTip(), QString());
    QCOMPARE(b.d->TipSourceNumber, -1);
    moveTo(over(b.root(1)));
    QTRY_COMPARE(b.d->TipSourceNumber, 1);
    moveTo(QPoint(5, b.tree()->viewport()->height() - 3));
    QTRY_COMPARE(b.d->TipSourceNumber, -1);
    QCOMPARE(b.tree()->toolTip(), QString());
}

QTEST_MAIN(DataTreeTest)
#include "tst_datatree.moc"
