#include "BrowserFixture.h"
#include "SettingsTestSupport.h"
#include "WidgetTestSupport.h"
#include "dialogs/frmNewDataSource.h"
#include "dialogs/frmOptions.h"
#include "dialogs/frmPassword.h"
#include "platform/widgets/Grid.h"
#include "platform/widgets/Splitter.h"
#include "settings/DataSources.h"
#include "settings/Password.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>

using namespace quarry::test;
using quarry::platform::MsgResult;
using Settings = std::vector<std::array<QString, 3>>;
using Answers = QList<MsgResult>;

namespace {

const std::vector<SourceRow> kSources{
    {"Sales", "Provider=SQLite;Data Source=/srv/sales.db", "Figures"},
    {"Stock", "Provider=PostgreSQL;Data Source=db1;Initial Catalog=stock", {}}};
const QString kOrders = QStringLiteral("Provider=SQLite;Data Source=/srv/orders.db");
const QString kAbc = Glob::Scramble_Password(QStringLiteral("ABC"));
const Settings kGuarded{
    {"Admin", "Password", kAbc}, {"Admin", "Data Password", "True"}, {"Admin", "Admin Password", "True"}};

void press(QWidget& form, const QString& name)
{
    QTest::mouseClick(child<QPushButton>(form, qPrintable(name)), Qt::LeftButton);
}

// A click on the tab, as a user would; an unavailable tab ignores it.
int clickTab(QWidget& form, int tab)
{
    auto* tabs = child<QTabWidget>(form, "tabOptions");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(tab).center());
    return tabs->currentIndex();
}

// Brings up the box's page and toggles it with the space bar.
void toggle(QWidget& form, const QString& name)
{
    auto* box = child<QAbstractButton>(form, qPrintable(name));
    auto* tabs = child<QTabWidget>(form, "tabOptions");
    for (int tab = 0; tab < tabs->count(); ++tab)
        if (tabs->widget(tab)->isAncestorOf(box))
            clickTab(form, tab);
    QTest::keyClick(box, Qt::Key_Space);
}

void typeInto(QWidget& form, const char* name, const QString& text)
{
    child<QLineEdit>(form, name)->selectAll();
    QTest::keyClick(child<QLineEdit>(form, name), Qt::Key_Backspace);
    QTest::keyClicks(child<QLineEdit>(form, name), text);
}

// Opens the options dialog through the control; `steps` run while it is modal.
bool withOptions(Browser& b, const std::function<void(frmOptions&)>& steps)
{
    int shown = 0;
    whenModal(b.control.get(), [&](QWidget* modal) {
        if (auto* form = qobject_cast<frmOptions*>(modal); form && ++shown)
            steps(*form);
    });
    return b.control->Show_Options() && shown == 1;
}

// Answers every modal T (editor, password dialog) that comes up while `context` lives.
template <class T> void answerEach(QObject* context, const std::function<void(QWidget&)>& answer)
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [answer] {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget()); modal && modal->isVisible()) {
            answer(*modal);
            if (QTest::currentTestFailed() && modal->isVisible())
                modal->done(-1); // a failed answer must not leave the run waiting
        }
    });
    poll->start(10);
}

void addOrders(Browser& b, bool confirm = true)
{
    answerEach<frmNewDataSource>(b.control.get(), [confirm](QWidget& editor) {
        if (!confirm)
            return press(editor, "cmdCancel");
        typeInto(editor, "txtName", QStringLiteral("Orders"));
        press(editor, "cmdDataSource"); // the connection prompt gives kOrders
        press(editor, "cmdOK");
    });
}

QStringList childTexts(Browser& b, const QModelIndex& parent = {})
{
    QStringList names;
    for (int row = 0; row < b.model()->rowCount(parent); ++row)
        names << b.model()->text(b.model()->index(row, 0, parent));
    return names;
}

// What the control shows of the options handed to Set_Options.
QString controlState(Browser& b, const QSignalSpy& resets)
{
    return QStringLiteral("lines %1, text '%2', %3, first %4, sql %5, nodes %6, rebuilt %7")
        .arg(b.d->lvwData->gridLines())
        .arg(b.d->toolButtons[0]->text(), b.d->kwSplitData->horizontal() ? "horizontal" : "vertical",
             b.d->kwSplitData->firstPane() == b.d->lvwData ? "list" : "tree")
        .arg(b.control->stOpenSQL())
        .arg(childTexts(b, b.root(1)).join('|'))
        .arg(resets.size());
}
const QString kDefaultState = QStringLiteral(
    "lines 0, text '', vertical, first tree, sql 1, nodes Tables|Views|Stored Procedures, rebuilt 0");

QStringList namesInFile(const Browser& b)
{
    const QString text = QString::fromUtf8(readBytes(b.m_folder.filePath(QStringLiteral("DataSources.ini"))));
    QStringList names;
    for (const auto& match : QRegularExpression(QStringLiteral("(?m)^Name=(.*)$")).globalMatch(text))
        names << match.captured(1);
    return names;
}

quarry::platform::Grid* grid(QWidget& form)
{
    return child<quarry::platform::Grid>(form, "grdDataSources");
}

QString gridRow(QWidget& form, int row)
{
    QStringList cells;
    for (int col = 0; col < grid(form)->grid()->cols(); ++col)
        cells << grid(form)->grid()->text(row, col);
    return cells.join(',');
}

QStringList gridNames(QWidget& form)
{
    QStringList names;
    for (int row = 1; row < grid(form)->grid()->rows(); ++row)
        names << grid(form)->grid()->text(row, 2);
    return names;
}

} // namespace

class OptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Glob::DataSourceEditor().setConnectionPrompt([](QWidget*, const QString&) { return kOrders; });
    }
    void init()
    {
        // Options live per thread: what one test saved must not be the next one's start.
        Glob::Options() = Glob::BrowserOptions{};
        Glob::Reporter().clearReports();
    }

    void loads_data()
    {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("disabled");
        QTest::addColumn<QString>("delay");
        QTest::newRow("first start") << Settings{}
                                     << "chkDataSource chkOpenSQL chkOptions chkQueryView0 chkQueryView1 "
                                        "chkQueryView2 optSplit0"
                                     << "chkFieldTypes chkSortFields cmdApply cmdPassword txtObjectToolDelay"
                                     << "3";
        QTest::newRow("display and tooltips")
            << Settings{{"Data", "ToolBar Text", "True"},        {"Data", "Grid Lines", "True"},
                        {"General", "Object Tool Tips", "True"}, {"General", "Object Tool Tip sort", "True"},
                        {"General", "Object Tool Delay", "12"},  {"Data", "Split\\Orientation", "True"},
                        {"Data", "Split\\Left", "True"}}
            << "chkDataSource chkGridLines chkLeft0 chkObjectToolTips chkOpenSQL chkOptions chkQueryView0 "
               "chkQueryView1 chkQueryView2 chkSortFields chkToolBarText optSplit1"
            << "cmdApply cmdPassword"
            << "12";
        // The data-source page is out of reach.
        QTest::newRow("admin password, nothing allowed")
            << Settings{{"Admin", "Admin Password", "True"}, {"Admin", "Open View", "False"},
                        {"Admin", "Open sp", "False"},       {"Admin", "Edit Data", "False"},
                        {"Admin", "Open SQL", "False"},      {"Admin", "Options", "False"},
                        {"Admin", "Open Table", "False"}}
            << "chkPasswordAdmin optSplit0"
            << "chkFieldTypes chkSortFields cmdApply cmdDataSource0 cmdDataSource1 cmdDataSource2 "
               "cmdDataSource3 "
               "txtObjectToolDelay"
            << "3";
    }

    // Loading ticks boxes, yet the dialog opens clean and Cancel asks nothing.
    void loads()
    {
        QFETCH(Settings, settings);
        QFETCH(QString, checked);
        QFETCH(QString, disabled);
        QFETCH(QString, delay);
        Browser b(kSources, settings);
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            QCOMPARE(&form, &frmOptions::instance());
            QCOMPARE(form.windowTitle(), QStringLiteral("Options"));
            QStringList on, off;
            for (QWidget* widget : form.findChildren<QWidget*>(QRegularExpression("^(chk|opt|cmd|txt)"))) {
                if (auto* box = qobject_cast<QAbstractButton*>(widget); box && box->isChecked())
                    on << widget->objectName();
                if (!widget->isEnabled())
                    off << widget->objectName();
            }
            on.sort();
            off.sort();
            QCOMPARE(on.join(' '), checked);
            QCOMPARE(off.join(' '), disabled);
            QCOMPARE(child<QLineEdit>(form, "txtObjectToolDelay")->text(), delay);
            QCOMPARE(clickTab(form, 1), Glob::Options().blnEditData ? 1 : 0);
            press(form, "cmdCancel");
        }));
        QVERIFY(b.prompts.callsOf(ScriptedPrompts::Kind::MsgBox).empty());
        QVERIFY(Glob::Reporter().reports().empty());
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key"); // section/key
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("state");
        const auto row = [](const char* name, const char* key, const char* stored, const char* from = "",
                            const char* to = "", bool rebuilt = false) {
            QString state = QString(kDefaultState).replace(QLatin1String(from), QLatin1String(to));
            QTest::newRow(name) << QString(name) << QString(key) << QString(stored)
                                << (rebuilt ? state.replace("rebuilt 0", "rebuilt 1") : state);
        };
        row("chkToolBarText", "Data/ToolBar Text", "True", "text ''", "text 'Large'");
        row("chkGridLines", "Data/Grid Lines", "True", "lines 0", "lines 1");
        row("chkObjectToolTips", "General/Object Tool Tips", "True");
        row("optSplit1", "Data/Split\\Orientation", "True", "vertical", "horizontal");
        row("chkLeft0", "Data/Split\\Left", "True", "first tree", "first list");
        row("chkOptions", "Admin/Options", "False");
        row("chkOpenSQL", "Admin/Open SQL", "False", "sql 1", "sql 0");
        row("chkDataSource", "Admin/Edit Data", "False");
        row("chkPasswordData", "Admin/Data Password", "True");
        row("chkPasswordAdmin", "Admin/Admin Password", "True");
        // The three kinds decide the tree's categories: the tree is rebuilt.
        row("chkQueryView0", "Admin/Open Table", "False", "Tables|", "", true);
        row("chkQueryView1", "Admin/Open View", "False", "Views|", "", true);
        row("chkQueryView2", "Admin/Open sp", "False", "|Stored Procedures", "", true);
    }

    // One change, OK: the store holds it and the control shows it through Set_Options' flags.
    void roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, state);
        Browser b(kSources);
        QSignalSpy resets(b.model(), &QAbstractItemModel::modelReset);
        QSignalSpy refreshed(b.control.get(), &kwQuarry::Refreshed);
        const QString section = key.section('/', 0, 0), entry = key.section('/', 1);
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            toggle(form, name);
            QCOMPARE(Glob::GetSetting(section, entry), QString()); // nothing saved before OK
            press(form, "cmdOK");
        }));
        QCOMPARE(Glob::GetSetting(section, entry), stored);
        QCOMPARE(controlState(b, resets), state);
        QCOMPARE(refreshed.size(), 1);
        QVERIFY(b.errorProcedures().isEmpty());
        QVERIFY(withOptions(b, [&](frmOptions& form) { // shown as saved
            QCOMPARE(child<QAbstractButton>(form, qPrintable(name))->isChecked(), stored == "True");
            press(form, "cmdCancel");
        }));
    }

    void closing_data()
    {
        // Each step: a box or option to toggle, a button, Escape, or "type <delay>".
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<int>("asked"); // "Save changes?" boxes
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("applied"); // Set_Options calls
        QTest::addColumn<QStringList>("reports");
        const auto row = [](const char* tag, const QStringList& steps, const Answers& answers, int asked,
                            const char* stored, int applied, const QStringList& reports = {}) {
            QTest::newRow(tag) << steps << answers << asked << QString(stored) << applied << reports;
        };
        row("OK saves and applies", {"chkGridLines", "cmdOK"}, {}, 0, "True", 1);
        row("Cancel button, Yes saves only", {"chkGridLines", "cmdCancel"}, {MsgResult::Yes}, 1, "True", 0);
        row("Escape, No drops", {"chkGridLines", "Escape"}, {MsgResult::No}, 1, "", 0);
        row("Cancel keeps it open", {"chkGridLines", "cmdCancel", "cmdCancel"},
            {MsgResult::Cancel, MsgResult::No}, 2, "", 0);
        // A second save would overwrite what was stored meanwhile.
        row("Apply then OK saves once", {"chkGridLines", "cmdApply", "store elsewhere", "cmdOK"}, {}, 0,
            "elsewhere", 1);
        row("empty delay fails, asks on closing", {"chkGridLines", "chkObjectToolTips", "type ", "cmdOK"},
            {MsgResult::OK, MsgResult::No}, 1, "", 0, {"Save_Changes"});
    }

    void closing()
    {
        QFETCH(QStringList, steps);
        QFETCH(Answers, answers);
        QFETCH(int, asked);
        QFETCH(QString, stored);
        QFETCH(int, applied);
        QFETCH(QStringList, reports);
        Browser b(kSources);
        QSignalSpy refreshed(b.control.get(), &kwQuarry::Refreshed);
        b.prompts.msgAnswers.assign(answers.begin(), answers.end());
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            for (const QString& step : steps) {
                if (step == "Escape")
                    QTest::keyClick(&form, Qt::Key_Escape);
                else if (step.startsWith("type "))
                    typeInto(form, "txtObjectToolDelay", step.mid(5));
                else if (step == "store elsewhere")
                    Glob::SaveSetting("Data", "Grid Lines", "elsewhere");
                else if (step.startsWith("cmd"))
                    press(form, step);
                else
                    toggle(form, step);
            }
            QVERIFY(!form.isVisible());
        }));
        int saveQuestions = 0;
        for (const auto& box : b.prompts.callsOf(ScriptedPrompts::Kind::MsgBox))
            saveQuestions += box.text == "Save changes?" && box.title == "Options" &&
                             box.buttons == quarry::platform::MsgButtons::YesNoCancel;
        QCOMPARE(saveQuestions, asked);
        QCOMPARE(Glob::GetSetting("Data", "Grid Lines"), stored);
        QCOMPARE(refreshed.size(), applied);
        QCOMPARE(b.d->lvwData->gridLines(), applied > 0);
        QStringList procedures;
        for (const auto& report : Glob::Reporter().reports())
            procedures << report.Procedure;
        QCOMPARE(procedures, reports);
    }

    void delayFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        for (const auto& [tag, typed, shown] : {std::array<const char*, 3>{"digits", "12", "12"},
                                                {"letters, blank and point dropped", "1a .5", "15"},
                                                {"three at most", "12345", "123"}})
            QTest::newRow(tag) << QString(typed) << QString(shown);
    }

    void delayFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Browser b(kSources);
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            toggle(form, "chkObjectToolTips");
            for (const char* name : {"txtObjectToolDelay", "chkSortFields", "chkFieldTypes"})
                QVERIFY(child<QWidget>(form, name)->isEnabled());
            typeInto(form, "txtObjectToolDelay", typed);
            QCOMPARE(child<QLineEdit>(form, "txtObjectToolDelay")->text(), shown);
            press(form, "cmdOK");
        }));
        QCOMPARE(Glob::GetSetting("General", "Object Tool Delay"), shown);
    }

    void passwords_data()
    {
        QTest::addColumn<QStringList>("untick");
        QTest::addColumn<QString>("typed"); // a new password set with "&Set"; empty: none
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("held");
        QTest::newRow("both cleared")
            << QStringList{"chkPasswordData", "chkPasswordAdmin"} << QString() << QString() << QString();
        QTest::newRow("admin still guarded") << QStringList{"chkPasswordData"} << "" << kAbc << kAbc;
        QTest::newRow("data still guarded") << QStringList{"chkPasswordAdmin"} << "" << kAbc << kAbc;
        // A new password alone leaves Apply off: it stays in memory until the next save.
        QTest::newRow("new password, no change")
            << QStringList{} << "new" << kAbc << Glob::Scramble_Password(QStringLiteral("NEW"));
    }

    void passwords()
    {
        QFETCH(QStringList, untick);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QString, held);
        Browser b(kSources, kGuarded);
        b.prompts.msgAnswers = {MsgResult::OK}; // "Password changed"
        answerEach<frmPassword>(b.control.get(), [&](QWidget& password) {
            QTest::keyClicks(child<QLineEdit>(password, "txtPassword0"), QStringLiteral("abc"));
            QTest::keyClicks(child<QLineEdit>(password, "txtPassword1"), typed);
            QTest::keyClicks(child<QLineEdit>(password, "txtPassword2"), typed.toUpper());
            press(password, "cmdOK");
        });
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            QCOMPARE(clickTab(form, 2), 2); // the Admin tab asks first
            for (const QString& name : untick)
                toggle(form, name);
            QCOMPARE(child<QWidget>(form, "cmdPassword")->isEnabled(), stored == kAbc);
            if (!typed.isEmpty())
                press(form, "cmdPassword");
            QCOMPARE(child<QWidget>(form, "cmdApply")->isEnabled(), !untick.isEmpty());
            press(form, "cmdOK");
        }));
        QCOMPARE(Glob::GetSetting("Admin", "Password", kAbc), stored);
        QCOMPARE(Glob::Options().strPassword, held);
    }

    void protectedTabs_data()
    {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<QList<int>>("visits");
        QTest::addColumn<QStringList>("answers"); // one per prompt; "" cancels
        QTest::addColumn<QList<int>>("landed");
        const Settings adminOnly{{"Admin", "Password", kAbc}, {"Admin", "Admin Password", "True"}};
        QTest::newRow("no password stored, nothing asks")
            << Settings{{"Admin", "Data Password", "True"}, {"Admin", "Admin Password", "True"}}
            << QList<int>{2, 1} << QStringList{} << QList<int>{2, 1};
        QTest::newRow("refused, back to the previous tab")
            << adminOnly << QList<int>{1, 2} << QStringList{""} << QList<int>{1, 1};
        QTest::newRow("only the admin tab guarded")
            << adminOnly << QList<int>{1, 0, 2, 0, 2} << QStringList{" abc "} << QList<int>{1, 0, 2, 0, 2};
        QTest::newRow("one entry opens both")
            << kGuarded << QList<int>{1, 2} << QStringList{"Abc"} << QList<int>{1, 2};
        QTest::newRow("refused twice, then given")
            << kGuarded << QList<int>{2, 1, 1} << QStringList{"", "", "ABC"} << QList<int>{0, 0, 1};
    }

    void protectedTabs()
    {
        QFETCH(Settings, settings);
        QFETCH(QList<int>, visits);
        QFETCH(QStringList, answers);
        QFETCH(QList<int>, landed);
        Browser b(kSources, settings);
        int asked = 0;
        answerEach<frmPassword>(b.control.get(), [&](QWidget& password) {
            const QString answer = answers.value(asked++);
            if (answer.isEmpty())
                return press(password, "cmdCancel");
            QTest::keyClicks(child<QLineEdit>(password, "txtPassword0"), answer);
            press(password, "cmdOK");
        });
        QList<int> tabs;
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            for (int tab : visits)
                tabs << clickTab(form, tab);
            press(form, "cmdCancel");
        }));
        QCOMPARE(tabs, landed);
        QCOMPARE(asked, answers.size());
    }

    void gridRows_data()
    {
        QTest::addColumn<QString>("connection"); // null: an empty list
        QTest::addColumn<QString>("row");        // NUM,ID,Name,Provider,Server,Database,Connection,...
        QTest::addColumn<int>("reports");
        const auto row = [](const char* name, const QString& connection, const QString& split,
                            int reports = 0) {
            QTest::newRow(name) << connection << ",1,Only," + split + "," + connection + ",words,\""
                                << reports;
        };
        QTest::newRow("empty list") << QString() << QString(8, ',') << 0;
        row("three pairs", "Provider=SQLOLEDB;Initial Catalog=Sales;Data Source=DB1", "SQLOLEDB,DB1,Sales");
        row("trailing semicolon", "Provider=SQLOLEDB;Initial Catalog=Sales;Data Source=DB1;",
            "SQLOLEDB,DB1,Sales");
        row("no catalog", "Provider=SQLite;Data Source=/srv/a.db", "SQLite,/srv/a.db,");
        row("blanks round the equals sign", "Provider =MSDASQL;Data Source= srv", "MSDASQL,srv,");
        row("key named inside a value", "Extended Properties='Data Source=x';Data Source=real", ",real,");
        row("quoted semicolon", "Provider=MSDASQL;Data Source=\"a;b\"", "MSDASQL,a;b,");
        row("key without a value", "Provider;Data Source=x", ",,", 3);
    }

    void gridRows()
    {
        QFETCH(QString, connection);
        QFETCH(QString, row);
        QFETCH(int, reports);
        const bool listed = !connection.isNull();
        Browser b(listed ? std::vector<SourceRow>{{"Only", connection, "words"}} : std::vector<SourceRow>{});
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            QCOMPARE(gridRow(form, 0),
                     "NUM,ID,Name,Provider,Server,Database,Connection,Description,Delimiter");
            QCOMPARE(grid(form)->grid()->rows(), listed ? 2 : 1);
            QCOMPARE(gridRow(form, 1), row);
            QList<int> hidden;
            for (int col = 0; col < grid(form)->grid()->cols(); ++col)
                if (grid(form)->isColumnHidden(col))
                    hidden << col;
            QCOMPARE(hidden, (QList<int>{0, 1, 6}));
            QVERIFY(child<QWidget>(form, "cmdDataSource0")->isEnabled());
            for (const char* name : {"cmdDataSource1", "cmdDataSource2", "cmdDataSource3"})
                QCOMPARE(child<QWidget>(form, name)->isEnabled(), listed);
            QCOMPARE(grid(form)->currentRow() == 1, listed);
            press(form, "cmdCancel");
        }));
        QCOMPARE(takeReports().size(), reports);
    }

    void dataSourceButtons_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("close");
        QTest::addColumn<QStringList>("grid");  // names after the action
        QTest::addColumn<QStringList>("saved"); // names in the file once closed
        const QStringList both{"Sales", "Stock"}, added{"Sales", "Stock", "Orders"},
            edited{"Sales", "Orders"};
        QTest::newRow("new") << "cmdDataSource0" << true << "cmdOK" << added << added;
        QTest::newRow("new cancelled") << "cmdDataSource0" << false << "cmdOK" << both << both;
        QTest::newRow("new, dialog closed unsaved")
            << "cmdDataSource0" << true << "cmdCancel" << added << both;
        QTest::newRow("edit") << "cmdDataSource1" << true << "cmdOK" << edited << edited;
        QTest::newRow("edit by double-click") << "double-click" << true << "cmdOK" << edited << edited;
        QTest::newRow("edit cancelled") << "cmdDataSource1" << false << "cmdOK" << both << both;
        // The deleted row stays in view until the list has been saved and read back.
        QTest::newRow("delete") << "cmdDataSource2" << true << "cmdOK" << both << QStringList{"Sales"};
        QTest::newRow("delete cancelled") << "cmdDataSource2" << false << "cmdOK" << both << both;
        // Refresh re-reads the list in memory, and is no change to save.
        QTest::newRow("refresh") << "cmdDataSource3" << true << "cmdOK"
                                 << QStringList{"Sales", "Stock", "Memo"} << both;
    }

    void dataSourceButtons()
    {
        QFETCH(QString, action);
        QFETCH(bool, confirm);
        QFETCH(QString, close);
        QFETCH(QStringList, grid);
        QFETCH(QStringList, saved);
        Browser b(kSources);
        const QByteArray before = readBytes(b.m_folder.filePath(QStringLiteral("DataSources.ini")));
        if (action == "cmdDataSource2") // the delete question
            b.prompts.msgAnswers.push_back(confirm ? MsgResult::OK : MsgResult::Cancel);
        b.prompts.msgAnswers.push_back(MsgResult::No); // "Save changes?" when closed with Cancel
        addOrders(b, confirm);
        const bool changed = confirm && action != "cmdDataSource3";
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            QCOMPARE(clickTab(form, 1), 1);
            auto* view = ::grid(form);
            const QPoint second = view->visualRect(view->model()->index(2, 2)).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second);
            if (action == "double-click")
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, second);
            if (action == "cmdDataSource3")
                Glob::Add_DataSource("Memo", kOrders, {}, "\"");
            if (action.startsWith("cmd"))
                press(form, action);
            QCOMPARE(gridNames(form), grid);
            QCOMPARE(child<QWidget>(form, "cmdApply")->isEnabled(), changed);
            QCOMPARE(readBytes(b.m_folder.filePath(QStringLiteral("DataSources.ini"))), before);
            press(form, close);
        }));
        QCOMPARE(namesInFile(b), saved);
        QCOMPARE(childTexts(b),
                 changed ? saved : QStringList({"Sales", "Stock"})); // rebuilt from the saved list
        QVERIFY(b.errorProcedures().isEmpty());
        QVERIFY(Glob::Reporter().reports().empty());
    }

    // The control reads the list back renumbered after Apply; the grid follows, so a
    // later delete hits the entry the user sees.
    void deleteAfterApply()
    {
        Browser b({{"A", kOrders, {}}, {"B", kOrders, {}}, {"C", kOrders, {}}});
        b.prompts.msgAnswers = {MsgResult::OK, MsgResult::OK};
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            press(form, "cmdDataSource2"); // row 1: A
            press(form, "cmdApply");
            QCOMPARE(gridNames(form), (QStringList{"B", "C"}));
            grid(form)->setCurrentRow(2);
            press(form, "cmdDataSource2");
            press(form, "cmdOK");
        }));
        QCOMPARE(namesInFile(b), QStringList{"B"});
        QCOMPARE(b.prompts.callsOf(ScriptedPrompts::Kind::MsgBox).at(1).text, QStringLiteral("Delete C?"));
    }

    // A list that cannot be written stays in memory and the dialog stays dirty: the
    // control would otherwise read the old file back over the user's edits.
    void unwritableList_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("OK") << "cmdOK";
        QTest::newRow("Apply") << "cmdApply";
    }

    void unwritableList()
    {
        QFETCH(QString, button);
        Browser b(kSources);
        QSignalSpy refreshed(b.control.get(), &kwQuarry::Refreshed);
        b.prompts.msgAnswers = {MsgResult::OK, MsgResult::No}; // the error, then "Save changes?"
        addOrders(b);
        QVERIFY(withOptions(b, [&](frmOptions& form) {
            press(form, "cmdDataSource0");
            Glob::Options().strDataSourceFile = b.m_folder.filePath(QStringLiteral("gone/DataSources.ini"));
            press(form, button);
            QVERIFY(form.isVisible() && child<QWidget>(form, "cmdApply")->isEnabled());
            press(form, "cmdCancel");
        }));
        QCOMPARE(takeReports().value(0).section(':', 0, 0), QStringLiteral("Save_DataSources"));
        QCOMPARE(Glob::aDataSources()[3][Glob::dsName], QStringLiteral("Orders"));
        QCOMPARE(childTexts(b).size(), 2);
        QCOMPARE(refreshed.size(), 0);
    }
};

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
