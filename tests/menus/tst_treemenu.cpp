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

Settings permissions(bool editData, bool openSQL)
{
    return {{"Admin", "Edit Data", editData ? "True" : "False"},
            {"Admin", "Open SQL", openSQL ? "True" : "False"}};
}

bool opened(Browser& b, int number = 1)
{
    b.expand(b.root(number));
    return b.d->connection(number).State() == quarry::adStateOpen;
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
    for (QAction* action : b.d->mnuData->actions())
        if (action->isVisible())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
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
        if (b.model()->image(b.root(number)) != 1 || b.d->connection(number).State() != quarry::adStateClosed)
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
        if (!editor || name.isEmpty())
            return editor ? child<QPushButton>(*editor, "cmdCancel")->click() : void();
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

    void visibility_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("editData");
        QTest::addColumn<bool>("openSQL");
        QTest::addColumn<QStringList>("items");
        const QStringList maintenance{"-", "&New Data Source", "&Edit Data Source properties",
                                      "&Delete Data Source"};
        for (const Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB}) {
            const auto row = [db](const char* tag, bool open, bool edit, bool sql, const QStringList& items) {
                QTest::addRow("%s: %s", qPrintable(quarry::test::dbName(db)), tag)
                    << db << open << edit << sql << items;
            };
            row("closed, no editing", false, false, true, {"Connect"});
            row("open, no editing", true, false, true, {"Disconnect", "-", "&Query"});
            row("open, no SQL", true, true, false, QStringList{"Disconnect"} + maintenance);
            row("closed, everything allowed", false, true, true, QStringList{"Connect"} + maintenance);
            row("open, everything allowed", true, true, true,
                QStringList{"Disconnect"} + maintenance + QStringList{"-", "&Query"});
        }
    }

    void visibility()
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
        if (connected)
            QVERIFY(opened(b));
        release(b, shop);
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

    void noMenu_data()
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

    void noMenu()
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
        QCOMPARE(b.d->QueryFromTree, shown); // only the menu claims the query for the data source
        QCOMPARE(!shownItems(b).isEmpty(), shown);
        QCOMPARE(b.errors->size(), 0);
    }

    void followsNodeUnderPointer()
    {
        Browser b(sqliteSources({"One", "Two"}), permissions(true, true));
        QVERIFY(b.initialized);
        QVERIFY(opened(b));

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

    void commands_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("node");
        QTest::addColumn<Gate>("gate");
        QTest::addColumn<QString>("typed");     // editor: the name to give, "" cancels
        QTest::addColumn<int>("answer");        // delete question: the answer
        QTest::addColumn<QStringList>("after"); // the tree and the file
        QTest::addColumn<QStringList>("messages");
        const QStringList two{"One", "Two"}, added{"One", "Two", "Added"};
        const auto row = [&](const char* tag, const char* item, int node, Gate gate, const char* typed,
                             MsgResult answer, const QStringList& after, const char* message = "",
                             const QStringList& sources = {"One", "Two"}) {
            QTest::newRow(tag) << sources << QStringLiteral("mnu%1DataSource").arg(item) << node << gate
                               << QString(typed) << int(answer) << after
                               << (*message ? QStringList{message} : QStringList{});
        };
        const auto yes = MsgResult::Yes;
        row("new", "New", 1, {}, "Added", yes, added);
        row("new, editor cancelled", "New", 2, {}, "", yes, two);
        row("edit second", "Edit", 2, {}, "Second", yes, {"One", "Second"});
        row("edit, editor cancelled", "Edit", 1, {}, "", yes, two);
        row("delete first, yes", "Delete", 1, {}, "", yes, {"Two"}, "Delete One?");
        row("delete, no", "Delete", 2, {}, "", MsgResult::No, two, "Delete Two?");
        row("delete, box cancelled", "Delete", 2, {}, "", MsgResult::Cancel, two, "Delete Two?");
        row("delete the only one", "Delete", 1, {}, "", yes, {}, "Delete Only?", {"Only"});
        // The password gate: stored "GATE7"; what is typed, "" cancelling.
        const auto typing = [](const char* password) { return Gate{true, true, QString(password)}; };
        row("gate: data flag off, no question", "New", 1, {true, false, {}}, "Added", yes, added);
        row("gate: none stored, data flag on, no question", "Delete", 2, {false, true, {}}, "", yes, {"One"},
            "Delete Two?");
        row("gate: new, cancelled", "New", 1, typing(""), "Added", yes, two);
        row("gate: new, wrong", "New", 1, typing("nope"), "Added", yes, two, "Invalid Password");
        row("gate: new, right", "New", 1, typing("Gate7"), "Added", yes, added);
        row("gate: edit, cancelled", "Edit", 1, typing(""), "Added", yes, two);
        row("gate: edit, right", "Edit", 1, typing("GATE7"), "Added", yes, {"Added", "Two"});
        row("gate: delete, wrong", "Delete", 1, typing("gate"), "", yes, two, "Invalid Password");
        row("gate: delete, right", "Delete", 1, typing("gate7"), "", yes, {"Two"}, "Delete One?");
    }

    void commands()
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
        settings.push_back({"Admin", "Data Password", gate.dataFlag ? "True" : "False"});
        if (gate.stored)
            settings.push_back({"Admin", "Password", Glob::Scramble_Password(QStringLiteral("GATE7"))});
        Browser b(sqliteSources(sources), settings);
        QVERIFY(b.initialized);
        QVERIFY(opened(b));

        release(b, b.root(node));
        QVERIFY(shownItems(b).contains(menuItem(b, item)->text()));
        b.prompts.msgAnswers = {MsgResult(answer)};
        const bool editing = !item.contains(QLatin1String("Delete"));
        const bool asking = gate.stored && gate.dataFlag;
        bool asked = false, editorShown = false;
        QObject context;
        const auto answerEditor = [&] {
            if (editing)
                whenModal(&context, editorAnswer(typed, &editorShown));
        };
        if (!asking)
            answerEditor();
        else
            whenModal(&context, [&](QWidget* modal) {
                if (!(asked = modal == &Glob::PasswordDialog()))
                    return;
                QTest::keyClicks(modal->findChild<QLineEdit*>(QStringLiteral("txtPassword0")), gate.typed);
                if (!gate.typed.isEmpty())
                    answerEditor();
                child<QPushButton>(*modal, gate.typed.isEmpty() ? "cmdCancel" : "cmdOK")->click();
                if (modal->isVisible())
                    child<QPushButton>(*modal, "cmdCancel")->click();
            });
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

    void failedSaveKeepsChange_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QStringList>("afterRetry");
        const auto row = [](const char* item, const QStringList& afterRetry) {
            const QString name = QStringLiteral("mnu%1DataSource").arg(item);
            QTest::newRow(item) << name << name + "_Click" << afterRetry;
        };
        row("New", {"One", "Two", "Added", "Again"});
        row("Edit", {"Added", "Two", "Again"});
        row("Delete", {"Two", "Again"});
    }

    void failedSaveKeepsChange()
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

    void query_data() { quarry::test::addDatabaseRows(); }

    void query()
    {
        QFETCH(Db, db);
        QUARRY_REQUIRE_DB(db);

        Browser b({{QStringLiteral("Warehouse"), quarry::test::connectionString(db), {}}},
                  permissions(false, true));
        QVERIFY(b.initialized);
        QVERIFY(opened(b));
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
        QCOMPARE(args.mid(1, 7), (QVariantList{QString(), QStringLiteral("Warehouse"),
                                               QVariant::fromValue(kwQuarry::dkDataTable), 0, false, true,
                                               QStringLiteral("\"")}));
    }
};

QTEST_MAIN(TreeMenuTest)
#include "tst_treemenu.moc"
