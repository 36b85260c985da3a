#include "BrowserFixture.h"
#include "TestDatabases.h"
#include "WidgetTestSupport.h"

#include "dialogs/frmNewDataSource.h"
#include "dialogs/frmPassword.h"
#include "platform/ProfileFile.h"
#include "settings/DataSources.h"
#include "settings/Password.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using quarry::platform::MsgButtons;
using quarry::platform::MsgIcon;
using quarry::platform::MsgResult;
using quarry::test::Browser;
using quarry::test::child;
using quarry::test::Db;
using quarry::test::SourceRow;
using quarry::test::whenModal;

namespace {

using Settings = std::vector<std::array<QString, 3>>;

// The password in front of the data-source commands.
struct Gate
{
    bool stored = false;   // "GATE7" is the stored password
    bool dataFlag = false; // "Data Password"
    QString typed;         // into the dialog; "" cancels it
};

QString word(bool on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

Settings permissions(bool editData, bool openSQL)
{
    return {{"Admin", "Edit Data", word(editData)}, {"Admin", "Open SQL", word(openSQL)}};
}

std::vector<SourceRow> sqliteSources(const QStringList& names)
{
    std::vector<SourceRow> rows;
    for (const QString& name : names)
        rows.push_back({name, quarry::test::connectionString(Db::SQLite), name + QStringLiteral(" data")});
    return rows;
}

void release(const Browser& b, const QModelIndex& node, Qt::MouseButton button = Qt::RightButton)
{
    QWidget* viewport = b.tree()->viewport();
    const QPoint at = node.isValid() ? b.tree()->visualRect(node).center() : viewport->rect().center();
    QTest::mouseClick(viewport, button, {}, at);
}

// The captions of the items a user sees in the open tree menu, "-" for a
// separator; empty when the menu is not open. Closes the menu.
QStringList shownItems(const Browser& b)
{
    QStringList texts;
    if (!b.d->mnuData->isVisible())
        return texts;
    for (QAction* action : b.d->mnuData->actions()) {
        if (action->isVisible())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    b.d->mnuData->hide();
    return texts;
}

QStringList treeNames(const Browser& b)
{
    QStringList names;
    for (int row = 0; row < b.model()->rowCount(); ++row)
        names << b.model()->text(b.model()->index(row, 0));
    return names;
}

// The names the data-source file holds now, section by section.
QStringList fileNames()
{
    QStringList names;
    for (int section = 1;; ++section) {
        const QString name =
            quarry::platform::GetProfileString(QString::number(section), QStringLiteral("Name"), QString(),
                                               254, Glob::Options().strDataSourceFile);
        if (name.isEmpty())
            return names;
        names << name;
    }
}

bool allDisconnected(const Browser& b)
{
    for (int number = 1; number <= b.model()->rowCount(); ++number) {
        if (b.model()->image(b.root(number)) != 1)
            return false;
        if (b.d->connection(number).State() != quarry::adStateClosed)
            return false;
    }
    return true;
}

// Answers the editor: a new name and a connection from the scripted builder,
// then OK; an empty name cancels it.
std::function<void(QWidget*)> editorAnswer(const QString& name, bool* shown)
{
    return [name, shown](QWidget* modal) {
        auto* editor = qobject_cast<frmNewDataSource*>(modal);
        *shown = editor != nullptr;
        if (!editor)
            return;
        if (name.isEmpty()) {
            child<QPushButton>(*editor, "cmdCancel")->click();
            return;
        }
        auto* txtName = child<QLineEdit>(*editor, "txtName");
        txtName->clear();
        QTest::keyClicks(txtName, name);
        child<QPushButton>(*editor, "cmdDataSource")->click();
        child<QPushButton>(*editor, "cmdOK")->click();
    };
}

QAction* menuItem(const Browser& b, const QString& name)
{
    return b.d->mnuData->findChild<QAction*>(name);
}

} // namespace

Q_DECLARE_METATYPE(Gate)

class TreeMenuTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Glob::DataSourceEditor().setConnectionPrompt([](QWidget*, const QString&) {
            return std::optional<QString>(quarry::test::connectionString(Db::SQLite));
        });
    }
    void init()
    {
        Glob::Reporter().clearReports();
        Glob::Options().strPassword.clear();
        Glob::Options().blnDataPassword = false;
    }
    void cleanup() { QCOMPARE(Glob::Reporter().reports().size(), size_t(0)); }

    void visibility_data();
    void visibility();
    void noMenu_data();
    void noMenu();
    void followsNodeUnderPointer();
    void commands_data();
    void commands();
    void failedSaveKeepsChange_data();
    void failedSaveKeepsChange();
    void query_data();
    void query();
};

void TreeMenuTest::visibility_data()
{
    QTest::addColumn<Db>("db");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("editData");
    QTest::addColumn<bool>("openSQL");
    QTest::addColumn<QStringList>("items");

    const QStringList maintenance{"-", "&New Data Source", "&Edit Data Source properties",
                                  "&Delete Data Source"};
    for (const Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
        const QByteArray name = quarry::test::dbName(db).toLatin1();
        QTest::addRow("%s: closed, no editing", name.constData())
            << db << false << false << true << QStringList{"Connect"};
        QTest::addRow("%s: open, no editing", name.constData())
            << db << true << false << true << QStringList{"Disconnect", "-", "&Query"};
        QTest::addRow("%s: open, no SQL", name.constData())
            << db << true << true << false << QStringList{"Disconnect"} + maintenance;
        QTest::addRow("%s: closed, everything allowed", name.constData())
            << db << false << true << true << QStringList{"Connect"} + maintenance;
        QTest::addRow("%s: open, everything allowed", name.constData())
            << db << true << true << true
            << QStringList{"Disconnect"} + maintenance + QStringList{"-", "&Query"};
    }
}

void TreeMenuTest::visibility()
{
    QFETCH(Db, db);
    QFETCH(bool, connected);
    QFETCH(bool, editData);
    QFETCH(bool, openSQL);
    QFETCH(QStringList, items);
    QUARRY_REQUIRE_DB(db);

    Browser b({{QStringLiteral("Shop"), quarry::test::connectionString(db), {}}},
              permissions(editData, openSQL));
    QVERIFY(b.initialized);
    const QModelIndex shop = b.root(1);
    if (connected) {
        b.expand(shop);
        QCOMPARE(b.d->connection(1).State(), quarry::adStateOpen);
    }
    b.d->QueryFromTree = false;
    release(b, shop);
    QVERIFY(b.d->QueryFromTree);
    QCOMPARE(shownItems(b), items);
    QVERIFY(!b.d->mnuData->activeAction());

    // Decided anew each time: the state changed since must show.
    if (connected) {
        b.d->connection(1).Close();
        release(b, shop);
        QCOMPARE(shownItems(b).first(), QStringLiteral("Connect"));
    }
    QCOMPARE(b.errors->size(), 0);
}

void TreeMenuTest::noMenu_data()
{
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QString>("over"); // "" the empty area, a name a data-source node, "Tables" its child
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("shown");

    QTest::newRow("category node") << QStringList{"One"} << "Tables" << int(Qt::RightButton) << false;
    QTest::newRow("left button") << QStringList{"One"} << "One" << int(Qt::LeftButton) << false;
    QTest::newRow("empty tree") << QStringList{} << "" << int(Qt::RightButton) << false;
    QTest::newRow("middle button") << QStringList{"One"} << "One" << int(Qt::MiddleButton) << true;
    QTest::newRow("right button") << QStringList{"One"} << "One" << int(Qt::RightButton) << true;
}

void TreeMenuTest::noMenu()
{
    QFETCH(QStringList, sources);
    QFETCH(QString, over);
    QFETCH(int, button);
    QFETCH(bool, shown);

    Browser b(sqliteSources(sources), permissions(true, true));
    QVERIFY(b.initialized);
    QModelIndex node;
    if (over == QLatin1String("Tables"))
        node = b.child(1, over);
    else if (!over.isEmpty())
        node = b.root(1);
    b.d->QueryFromTree = false;
    release(b, node, Qt::MouseButton(button));
    QVERIFY(b.d->QueryFromTree); // whatever follows
    QCOMPARE(!shownItems(b).isEmpty(), shown);
    QCOMPARE(b.errors->size(), 0);
}

void TreeMenuTest::followsNodeUnderPointer()
{
    Browser b(sqliteSources({"One", "Two"}), permissions(true, true));
    QVERIFY(b.initialized);
    b.expand(b.root(1));
    QCOMPARE(b.d->connection(1).State(), quarry::adStateOpen);

    // The menu speaks for the node clicked, not for the one opened before.
    release(b, b.root(2));
    QCOMPARE(Glob::CurrentDataSource(), 2);
    QCOMPARE(shownItems(b).first(), QStringLiteral("Connect"));
    menuItem(b, "mnuConnect")->trigger();
    QCOMPARE(b.d->connection(2).State(), quarry::adStateOpen);
    release(b, b.root(1));
    QCOMPARE(shownItems(b).first(), QStringLiteral("Disconnect"));
    QCOMPARE(b.errors->size(), 0);
}

void TreeMenuTest::commands_data()
{
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("node");
    QTest::addColumn<Gate>("gate");
    QTest::addColumn<QString>("typed");     // editor: the name to give, "" cancels
    QTest::addColumn<int>("answer");        // delete question: the answer
    QTest::addColumn<QStringList>("after"); // the tree and the file
    QTest::addColumn<QStringList>("messages");

    const QStringList two{"One", "Two"};
    const int yes = int(MsgResult::Yes);
    const int no = int(MsgResult::No);
    const QString newItem = QStringLiteral("mnuNewDataSource");
    const QString editItem = QStringLiteral("mnuEditDataSource");
    const QString deleteItem = QStringLiteral("mnuDeleteDataSource");
    const Gate open;
    const QStringList none;
    QTest::newRow("new") << two << newItem << 1 << open << "Added" << yes
                         << QStringList{"One", "Two", "Added"} << none;
    QTest::newRow("new, editor cancelled") << two << newItem << 2 << open << "" << yes << two << none;
    QTest::newRow("edit second") << two << editItem << 2 << open << "Second" << yes
                                 << QStringList{"One", "Second"} << none;
    QTest::newRow("edit, editor cancelled") << two << editItem << 1 << open << "" << yes << two << none;
    QTest::newRow("delete first, yes")
        << two << deleteItem << 1 << open << "" << yes << QStringList{"Two"} << QStringList{"Delete One?"};
    QTest::newRow("delete, no") << two << deleteItem << 2 << open << "" << no << two
                                << QStringList{"Delete Two?"};
    QTest::newRow("delete, box cancelled") << two << deleteItem << 2 << open << "" << int(MsgResult::Cancel)
                                           << two << QStringList{"Delete Two?"};
    QTest::newRow("delete the only one") << QStringList{"Only"} << deleteItem << 1 << open << "" << yes
                                         << QStringList{} << QStringList{"Delete Only?"};

    // The password gate: stored "GATE7"; what is typed, "" cancelling.
    const Gate guarded{true, true, QString()};
    const auto typing = [&](const char* password) { return Gate{true, true, QString::fromLatin1(password)}; };
    QTest::newRow("gate: data flag off, no question")
        << two << newItem << 1 << Gate{true, false, {}} << "Added" << yes
        << QStringList{"One", "Two", "Added"} << none;
    QTest::newRow("gate: none stored, data flag on, no question")
        << two << deleteItem << 2 << Gate{false, true, {}} << "" << yes << QStringList{"One"}
        << QStringList{"Delete Two?"};
    QTest::newRow("gate: new, cancelled") << two << newItem << 1 << guarded << "Added" << yes << two << none;
    QTest::newRow("gate: new, wrong")
        << two << newItem << 1 << typing("nope") << "Added" << yes << two << QStringList{"Invalid Password"};
    QTest::newRow("gate: new, right") << two << newItem << 1 << typing("Gate7") << "Added" << yes
                                      << QStringList{"One", "Two", "Added"} << none;
    QTest::newRow("gate: edit, cancelled")
        << two << editItem << 1 << guarded << "Added" << yes << two << none;
    QTest::newRow("gate: edit, right")
        << two << editItem << 1 << typing("GATE7") << "Added" << yes << QStringList{"Added", "Two"} << none;
    QTest::newRow("gate: delete, wrong")
        << two << deleteItem << 1 << typing("gate") << "" << yes << two << QStringList{"Invalid Password"};
    QTest::newRow("gate: delete, right") << two << deleteItem << 1 << typing("gate7") << "" << yes
                                         << QStringList{"Two"} << QStringList{"Delete One?"};
}

void TreeMenuTest::commands()
{
    QFETCH(QStringList, sources);
    QFETCH(QString, item);
    QFETCH(int, node);
    QFETCH(Gate, gate);
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(QStringList, after);
    QFETCH(QStringList, messages);

    Settings settings = permissions(true, true);
    settings.push_back({"Admin", "Data Password", word(gate.dataFlag)});
    if (gate.stored)
        settings.push_back({"Admin", "Password", Glob::Scramble_Password(QStringLiteral("GATE7"))});
    Browser b(sqliteSources(sources), settings);
    QVERIFY(b.initialized);
    b.expand(b.root(1));
    QCOMPARE(b.d->connection(1).State(), quarry::adStateOpen);

    release(b, b.root(node));
    QVERIFY(shownItems(b).contains(menuItem(b, item)->text()));
    b.prompts.msgAnswers = {MsgResult(answer)};
    const bool editing = !item.contains(QLatin1String("Delete"));
    const bool asking = gate.stored && gate.dataFlag;
    bool asked = false;
    bool editorShown = false;
    QObject context;
    if (asking) {
        whenModal(&context, [&](QWidget* modal) {
            asked = modal == &Glob::PasswordDialog();
            if (!asked)
                return;
            if (!gate.typed.isEmpty()) {
                QTest::keyClicks(modal->findChild<QLineEdit*>(QStringLiteral("txtPassword0")), gate.typed);
                if (editing)
                    whenModal(&context, editorAnswer(typed, &editorShown));
                child<QPushButton>(*modal, "cmdOK")->click();
            }
            if (modal->isVisible())
                child<QPushButton>(*modal, "cmdCancel")->click();
        });
    } else if (editing) {
        whenModal(&context, editorAnswer(typed, &editorShown));
    }
    menuItem(b, item)->trigger();

    QCOMPARE(asked, asking);
    const bool passed = !asking || (messages != QStringList{"Invalid Password"} && !gate.typed.isEmpty());
    QCOMPARE(editorShown, editing && passed);
    QCOMPARE(treeNames(b), after);
    QCOMPARE(fileNames(), after);
    const auto boxes = b.prompts.callsOf(quarry::test::ScriptedPrompts::Kind::MsgBox);
    QStringList texts;
    for (const auto& call : boxes)
        texts << call.text;
    QCOMPARE(texts, messages);
    if (!messages.isEmpty() && messages.first().startsWith(QLatin1String("Delete "))) {
        QCOMPARE(boxes.front().title, QStringLiteral("Delete Data Source"));
        QCOMPARE(boxes.front().icon, MsgIcon::Question);
    }
    // A rebuilt tree has dropped every connection; an untouched one keeps them.
    if (after == sources)
        QCOMPARE(b.d->connection(1).State(), quarry::adStateOpen);
    else
        QVERIFY(allDisconnected(b));
    QCOMPARE(b.errors->size(), 0);
}

void TreeMenuTest::failedSaveKeepsChange_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<QStringList>("afterRetry");

    QTest::newRow("new") << "mnuNewDataSource"
                         << "mnuNewDataSource_Click" << QStringList{"One", "Two", "Added", "Again"};
    QTest::newRow("edit") << "mnuEditDataSource"
                          << "mnuEditDataSource_Click" << QStringList{"Added", "Two", "Again"};
    QTest::newRow("delete") << "mnuDeleteDataSource"
                            << "mnuDeleteDataSource_Click" << QStringList{"Two", "Again"};
}

void TreeMenuTest::failedSaveKeepsChange()
{
    QFETCH(QString, item);
    QFETCH(QString, procedure);
    QFETCH(QStringList, afterRetry);

    Browser b(sqliteSources({"One", "Two"}), permissions(true, true));
    QVERIFY(b.initialized);
    const QString file = Glob::Options().strDataSourceFile;
    const QString unwritable = b.m_folder.filePath(QStringLiteral("missing/DataSources.ini"));
    Glob::Options().strDataSourceFile = unwritable;

    release(b, b.root(1));
    QVERIFY(!shownItems(b).isEmpty());
    b.prompts.msgAnswers = {MsgResult::Yes};
    bool editorShown = false;
    QObject context;
    if (!item.contains(QLatin1String("Delete")))
        whenModal(&context, editorAnswer(QStringLiteral("Added"), &editorShown));
    menuItem(b, item)->trigger();

    QCOMPARE(b.errorProcedures(), QStringList{procedure});
    const QString description = b.errors->first().at(1).toString();
    QVERIFY2(description.contains(unwritable), qPrintable(description));
    QCOMPARE(treeNames(b), (QStringList{"One", "Two"}));

    // The next save that works carries the earlier change along.
    Glob::Options().strDataSourceFile = file;
    release(b, b.root(2));
    QVERIFY(!shownItems(b).isEmpty());
    QObject retry;
    whenModal(&retry, editorAnswer(QStringLiteral("Again"), &editorShown));
    menuItem(b, "mnuNewDataSource")->trigger();
    QCOMPARE(treeNames(b), afterRetry);
    QCOMPARE(fileNames(), afterRetry);
    QCOMPARE(b.errors->size(), 1);
}

void TreeMenuTest::query_data()
{
    quarry::test::addDatabaseRows();
}

void TreeMenuTest::query()
{
    QFETCH(Db, db);
    QUARRY_REQUIRE_DB(db);

    Browser b({{QStringLiteral("Warehouse"), quarry::test::connectionString(db), {}}},
              permissions(false, true));
    QVERIFY(b.initialized);
    b.expand(b.root(1));
    QCOMPARE(b.d->connection(1).State(), quarry::adStateOpen);
    b.d->RunMaxRecords = 25;
    b.d->RunAutoRun = true;
    b.d->RunShowSQL = false;
    b.d->CurrentDataType = kwQuarry::dkDataView;
    b.d->SelectedObject = QStringLiteral("\"stale\"");

    release(b, b.root(1));
    QVERIFY(shownItems(b).contains(QStringLiteral("&Query")));
    QSignalSpy runs(b.control.get(), &kwQuarry::RunQuery);
    menuItem(b, "mnuQuery")->trigger();

    QCOMPARE(b.d->RunMaxRecords, 0);
    QVERIFY(!b.d->RunAutoRun);
    QVERIFY(b.d->RunShowSQL);
    QCOMPARE(b.errorProcedures(), QStringList{});
    QCOMPARE(runs.size(), 1);
    const QList<QVariant> args = runs.first();
    QCOMPARE(args.at(0).value<quarry::Connection>().State(), quarry::adStateOpen);
    QCOMPARE(args.at(1).toString(), QString());
    QCOMPARE(args.at(2).toString(), QStringLiteral("Warehouse"));
    QCOMPARE(args.at(3).value<kwQuarry::dkDataType>(), kwQuarry::dkDataTable);
    QCOMPARE(args.at(4).toInt(), 0);
    QCOMPARE(args.at(5).toBool(), false);
    QCOMPARE(args.at(6).toBool(), true);
    QCOMPARE(args.at(7).toString(), QStringLiteral("\""));
}

QTEST_MAIN(TreeMenuTest)
#include "tst_treemenu.moc"
