// Dabrook as a person uses it: the real main window and browser, data
// sources in a scratch list, connections to real (or deliberately absent)
// servers, and the data-source editor driven from the event loop.
#include "app/MainWindow.h"
#include "app/SampleDatabase.h"
#include "dialogs/frmNewDataSource.h"
#include "platform/LibraryLocation.h"
#include "platform/widgets/TreeModel.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include "ScriptedPrompts.h"
#include "TestDatabases.h"
#include "WidgetTestSupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <optional>

using dabrook::MainWindow;
using quarry::test::child;
using quarry::test::Db;
using quarry::test::ScriptedPrompts;

namespace {

// Windows here start at this width.
constexpr int kWindowWidth = 1100;

struct Source
{
    QString name;
    QString connection;
};

// Replaces the scratch list by `sources`, saved as the browser will load it.
bool writeSources(const QList<Source>& sources)
{
    const QString file = Glob::Options().strDataSourceFile;
    QDir(file).removeRecursively(); // left by a failed test that blocked saving
    QFile::remove(file);
    if (!Glob::Get_DataSources())
        return false;
    for (const Source& source : sources)
        if (!Glob::Add_DataSource(source.name, source.connection, {}, QStringLiteral("\"")))
            return false;
    return Glob::Save_DataSources();
}

QTreeView* tree(const MainWindow& window)
{
    return child<QTreeView>(*window.browser(), "tvwData");
}

QModelIndex rootNamed(const MainWindow& window, const QString& name)
{
    const QAbstractItemModel* model = tree(window)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 0).data().toString() == name)
            return model->index(row, 0);
    return {};
}

QStringList childTexts(const QAbstractItemModel* model, const QModelIndex& parent = {})
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(parent); ++row)
        texts << model->index(row, 0, parent).data().toString();
    return texts;
}

// Answers the data-source editor once its modal loop runs: `name` and a
// connection built through its connection prompt, then OK; or Cancel when
// `name` is empty. The watchdog closes it should the answer not.
void answerEditor(const QString& name, const QString& connection)
{
    QTimer::singleShot(0, [name, connection] {
        frmNewDataSource& editor = Glob::DataSourceEditor();
        if (name.isEmpty()) {
            child<QPushButton>(editor, "cmdCancel")->click();
            return;
        }
        editor.setConnectionPrompt([connection](QWidget*, const QString&) { return connection; });
        child<QPushButton>(editor, "cmdDataSource")->click();
        QTest::keyClicks(child<QLineEdit>(editor, "txtName"), name);
        child<QPushButton>(editor, "cmdOK")->click();
    });
    QTimer::singleShot(5000, [] {
        if (Glob::DataSourceEditor().isVisible())
            Glob::DataSourceEditor().done(-1);
    });
}

// The strip's text fits its label: wrapped to the window's width (which it
// must not widen), with height for every line, so nothing is cut off.
void verifyShownWhole(const MainWindow& window)
{
    auto* label = child<QLabel>(window, "lblMessage");
    QTRY_VERIFY(label->isVisible());
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000),
                                                           Qt::TextWordWrap, label->text());
    const int right = label->mapTo(&window, QPoint(label->width(), 0)).x();
    QVERIFY2(label->height() >= needed.height() && right <= window.width() && window.width() <= kWindowWidth,
             qPrintable(QStringLiteral("label %1x%2, text needs %3x%4")
                            .arg(label->width())
                            .arg(label->height())
                            .arg(needed.width())
                            .arg(needed.height())));
}

} // namespace

class TestHost : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void failedConnectShowsDriverText_data();
    void failedConnectShowsDriverText();
    void expandShowsCategories_data();
    void expandShowsCategories();
    void addDataSource_data();
    void addDataSource();
    void messageStrip_data();
    void messageStrip();
    void browserShare_data();
    void browserShare();

private:
    QTemporaryDir m_dir;
    QString m_sample;
    std::unique_ptr<ScriptedPrompts> m_prompts;
};

void TestHost::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    quarry::platform::setLibraryFolderForTesting(m_dir.path());
    Glob::setAppTitle(QStringLiteral("Dabrook"));
    Glob::Read_INI(); // the data-source file's place follows the library folder
    m_sample = m_dir.filePath(QStringLiteral("Sample.db"));
    QString error;
    QVERIFY2(dabrook::SampleDatabase::create(m_sample, &error), qPrintable(error));
}

void TestHost::init()
{
    // Init turns message boxes on; none may ever wait for a user here.
    m_prompts.reset(); // each one restores what it replaced: never two at once
    m_prompts = std::make_unique<ScriptedPrompts>();
    Glob::Reporter().clearReports();
    QVERIFY(writeSources({{QStringLiteral("Sample"), dabrook::SampleDatabase::connectionString(m_sample)}}));
}

void TestHost::cleanupTestCase()
{
    m_prompts.reset();
    quarry::platform::setLibraryFolderForTesting({});
}

void TestHost::failedConnectShowsDriverText_data()
{
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("driverText"); // part of what the driver says, any case; "": any

    // Port 1 on loopback: nothing listens, so the refusal comes at once.
    QTest::newRow("PostgreSQL server down")
        << "Provider=PostgreSQL;Data Source=127.0.0.1,1;Initial Catalog=test;User ID=root"
        << "connection refused";
    QTest::newRow("MariaDB server down")
        << "Provider=MariaDB;Data Source=127.0.0.1,1;Initial Catalog=test;User ID=root;CONN_TIMEOUT=5"
        << "can't connect";
    QTest::newRow("SQLite file in a missing folder")
        << "Provider=SQLite;Data Source=" + m_dir.filePath(QStringLiteral("gone/none.db")) << "";
    QTest::newRow("driver not installed") << "Provider=MSDASQL;Driver={No Such Driver};Database=x"
                                          << "not found";
}

void TestHost::failedConnectShowsDriverText()
{
    QFETCH(QString, connection);
    QFETCH(QString, driverText);
    QVERIFY(writeSources({{QStringLiteral("Sample"), dabrook::SampleDatabase::connectionString(m_sample)},
                          {QStringLiteral("Broken"), connection}}));
    MainWindow window;
    window.show();
    QVERIFY(window.initBrowser());
    QVERIFY(window.messageText().isEmpty());

    QVERIFY(!window.expandDataSource(QStringLiteral("Broken")));
    QVERIFY(!tree(window)->isExpanded(rootNamed(window, QStringLiteral("Broken"))));
    // The database layer's own description, whole and unchanged.
    QString description;
    try {
        quarry::Connection direct;
        direct.setMode(quarry::adModeRead);
        direct.Open(connection);
        QFAIL("the connection opened");
    } catch (const quarry::DatabaseError& e) {
        description = e.Description();
    }
    const QString message = window.messageText();
    QCOMPARE(message, QStringLiteral("Connect_DataSource: ") + description);
    QVERIFY2(message.contains(driverText, Qt::CaseInsensitive), qPrintable(message));
    verifyShownWhole(window);
    QCOMPARE(m_prompts->callsOf(ScriptedPrompts::Kind::MsgBox).size(), size_t(0));

    // The other data source still works, and the failure stays on screen.
    QVERIFY(window.expandDataSource(QStringLiteral("Sample")));
    QCOMPARE(window.messageText(), message);
}

void TestHost::expandShowsCategories_data()
{
    QTest::addColumn<std::optional<Db>>("server");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("expanded");
    QTest::addColumn<QString>("message");

    const std::optional<Db> none;
    QTest::newRow("sample") << none << "Sample" << true << "";
    QTest::newRow("PostgreSQL") << std::optional(Db::PostgreSQL) << "pg" << true << "";
    QTest::newRow("MariaDB") << std::optional(Db::MariaDB) << "maria" << true << "";
    QTest::newRow("no such data source")
        << none << "Sampl" << false << "There is no data source named \"Sampl\".";
}

void TestHost::expandShowsCategories()
{
    QFETCH(std::optional<Db>, server);
    QFETCH(QString, name);
    QFETCH(bool, expanded);
    QFETCH(QString, message);
    if (server) {
        QUARRY_REQUIRE_DB(*server);
        QVERIFY(writeSources({{QStringLiteral("Sample"), dabrook::SampleDatabase::connectionString(m_sample)},
                              {name, quarry::test::connectionString(*server)}}));
    }
    MainWindow window;
    window.show();
    QVERIFY(window.initBrowser());

    QCOMPARE(window.expandDataSource(name), expanded);
    QCOMPARE(window.messageText(), message);
    const QModelIndex node = rootNamed(window, name);
    QCOMPARE(tree(window)->isExpanded(node), expanded);
    if (!expanded)
        return;
    QCOMPARE(childTexts(tree(window)->model(), node), (QStringList{"Tables", "Views", "Stored Procedures"}));
    QCOMPARE(child<QLabel>(*window.browser(), "Panel1")->text(), QStringLiteral("Ready ..."));
    QCOMPARE(node.data(quarry::platform::TreeModel::ImageRole).toInt(), 9); // connected
}

void TestHost::addDataSource_data()
{
    QTest::addColumn<QString>("typedName"); // "": the user cancels
    QTest::addColumn<bool>("saveFails");
    QTest::addColumn<QStringList>("roots");
    QTest::addColumn<QString>("message");

    QTest::newRow("confirmed") << "Orders" << false << QStringList{"Sample", "Orders"} << "";
    QTest::newRow("cancelled") << "" << false << QStringList{"Sample"} << "";
    QTest::newRow("list cannot be saved")
        << "Orders" << true << QStringList{"Sample"} << "could not be saved";
}

void TestHost::addDataSource()
{
    QFETCH(QString, typedName);
    QFETCH(bool, saveFails);
    QFETCH(QStringList, roots);
    QFETCH(QString, message);

    MainWindow window;
    window.show();
    QVERIFY(window.initBrowser());
    const QString file = Glob::Options().strDataSourceFile;
    if (saveFails) {
        // A folder where the file was: the new list cannot take its name.
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkpath(file + QStringLiteral("/keep")));
    }
    QAction* add = window.addDataSourceAction();
    QCOMPARE(add->text(), QStringLiteral("Add Data Source..."));
    QVERIFY(window.menuBar()->actions().first()->menu()->actions().contains(add));

    const QString connection = QStringLiteral("Provider=SQLite;Data Source=") + m_sample;
    answerEditor(typedName, connection);
    add->trigger();
    QVERIFY(!Glob::DataSourceEditor().isVisible());
    QCOMPARE(childTexts(tree(window)->model()), roots);
    QVERIFY2(window.messageText().contains(message), qPrintable(window.messageText()));

    if (saveFails) {
        // Not on disk, but not lost either: the next save writes it.
        QCOMPARE(Glob::aDataSources()[2][Glob::dsName], typedName);
        QVERIFY(QDir(file).removeRecursively());
        QVERIFY(Glob::Save_DataSources());
    }
    if (!typedName.isEmpty()) {
        QVERIFY(Glob::Get_DataSources());
        QCOMPARE(Glob::aDataSources()[2][Glob::dsName], typedName);
        QCOMPARE(Glob::aDataSources()[2][Glob::dsConnection], connection);
    }
    if (roots.contains(typedName)) {
        // The new node is live: it connects like any other.
        QVERIFY(window.expandDataSource(typedName));
    }
}

void TestHost::messageStrip_data()
{
    QTest::addColumn<QStringList>("descriptions"); // raised by the browser in order
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("shown");

    const QString longText = QStringLiteral("the server said something long ").repeated(12);
    QTest::newRow("one") << QStringList{"first"} << false << "Get_Fields: first";
    QTest::newRow("newest replaces older") << QStringList{"first", "second"} << false << "Get_Fields: second";
    QTest::newRow("closed") << QStringList{"first"} << true << "";
    QTest::newRow("long text kept whole") << QStringList{longText} << false << "Get_Fields: " + longText;
}

void TestHost::messageStrip()
{
    QFETCH(QStringList, descriptions);
    QFETCH(bool, closed);
    QFETCH(QString, shown);

    MainWindow window;
    window.show();
    for (const QString& description : descriptions)
        emit window.browser()->ErrHandle(QStringLiteral("Get_Fields"), description);
    if (closed)
        QTest::mouseClick(child<QToolButton>(window, "cmdCloseMessage"), Qt::LeftButton);
    QCOMPARE(window.messageText(), shown);
    QTRY_COMPARE(child<QWidget>(window, "fraMessage")->isVisible(), !closed);
    if (!closed)
        verifyShownWhole(window);
    QCOMPARE(m_prompts->callsOf(ScriptedPrompts::Kind::MsgBox).size(), size_t(0));
}

void TestHost::browserShare_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("captions");
    QTest::newRow("default") << QSize() << false;
    QTest::newRow("default, toolbar captions") << QSize() << true;
    QTest::newRow("wide") << QSize(1600, 900) << false;
    QTest::newRow("narrow, toolbar captions") << QSize(900, 600) << true;
}

// The first window shows the data sources' names whole and every toolbar
// button, with captions too; the query pane keeps the larger part.
void TestHost::browserShare()
{
    QFETCH(QSize, size);
    QFETCH(bool, captions);
    MainWindow window;
    if (size.isValid())
        window.resize(size);
    QVERIFY(window.initBrowser());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (captions) {
        Glob::Options().blnToolBarText = true;
        QVERIFY(window.browser()->Set_Options());
    }
    const QList<int> sizes = window.mainSplitter()->sizes();
    const double share = double(sizes[0]) / (sizes[0] + sizes[1]);
    QVERIFY2(share > 0.37 && share < 0.71, qPrintable(QString::number(share)));
    QCOMPARE(window.browser()->width(), sizes[0]);

    const auto* tree = static_cast<const QAbstractItemView*>(child<QTreeView>(*window.browser(), "tvwData"));
    QVERIFY(tree->model()->rowCount() > 0);
    QVERIFY2(
        tree->sizeHintForColumn(0) <= tree->viewport()->width(),
        qPrintable(QStringLiteral("%1 > %2").arg(tree->sizeHintForColumn(0)).arg(tree->viewport()->width())));
    auto* bar = child<QToolBar>(*window.browser(), "tlbData");
    for (QAction* button : bar->actions())
        QVERIFY2(bar->widgetForAction(button)->isVisible(), qPrintable(button->objectName()));
    Glob::Options().blnToolBarText = false;
}

QTEST_MAIN(TestHost)
#include "tst_host.moc"
