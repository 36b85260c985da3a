#include "BrowserFixture.h"
#include "SettingsTestSupport.h"
#include "TestDatabases.h"
#include "WidgetTestSupport.h"
#include "dialogs/dlgConnectionBuilder.h"
#include "dialogs/frmNewDataSource.h"
#include "dialogs/frmOptions.h"
#include "platform/widgets/Grid.h"
#include "settings/DataSources.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>

using namespace quarry::test;
using namespace quarry::platform;

namespace {

// A person working a dialog: "name" presses a button or toggles a box (its tab brought up first), "name:text"
// types at the end of a field, "name=text" over it (":|text" pastes with Ctrl+V); Escape; "tab N"; "row N"
// and "dclick N" on a grid row; Yes, No, OK, Cancel queue a message-box answer; "=steps" what to do in the
// next dialog to come up (parted by ";", then "/"; "=" cancels it). "?name" notes a field's text, a list's
// items and choice, a button's state; "?title", "?on" the boxes ticked, "?off" the controls disabled,
// "?grid" the names listed, "?row" the current row.
void drive(QWidget& dialog, const QString& steps, QStringList& seen)
{
    static int depth = 0;
    const int level = ++depth;
    const auto leave = qScopeGuard([] { --depth; });
    if (auto* pointer = QGuiApplication::overrideCursor(); pointer && pointer->shape() != Qt::ArrowCursor)
        seen << "busy"; // a dialog waiting for the user shows the arrow, whatever its caller shows
    QStringList replies;
    QTimer poll; // the innermost dialog driven answers what comes up over it
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); depth == level && modal && modal != &dialog)
            drive(*modal, replies.isEmpty() ? "cmdCancel" : replies.takeFirst(), seen);
    });
    poll.start(10);
    auto* tabs = dialog.findChild<QTabWidget*>();
    auto* view = dialog.findChild<Grid*>();
    auto* builder = qobject_cast<dlgConnectionBuilder*>(&dialog);
    auto& prompts = static_cast<ScriptedPrompts&>(Prompts::current());
    std::optional<BusyPointer> busy; // "busy": the caller shows the hourglass
    for (const QString& step : steps.split(", ")) {
        const QString name = step.section(QRegularExpression("[:=]"), 0, 0).mid(step.startsWith('?'));
        QWidget* target = step == "Escape"          ? &dialog
                          : step.startsWith("tab ") ? tabs->widget(step.mid(4).toInt())
                                                    : dialog.findChild<QWidget*>(name);
        auto* edit = target && !target->inherits("QLineEdit") ? target->findChild<QLineEdit*>()
                                                              : qobject_cast<QLineEdit*>(target);
        QStringList cells;
        if (step.startsWith('='))
            replies << (step == "=" ? "cmdCancel" : step.mid(1).replace(';', ", ").replace('/', ';'));
        else if (const int answer = QStringList{"OK", "Cancel", "Yes", "No"}.indexOf(step); answer >= 0)
            prompts.msgAnswers.push_back(MsgResult(answer)); // in MsgResult's order
        else if (step.startsWith("read "))                   // a string as the editor hands it over
            seen << (builder->setConnectionString(step.mid(5)) ? "read" : "unreadable");
        else if (step.startsWith("prompt ")) // what the editor's Connection button gives
            Glob::DataSourceEditor().setConnectionPrompt(
                [built = step.mid(7)](QWidget* owner, const QString& current) -> std::optional<QString> {
                    if (built == "!") // a failure
                        throw std::runtime_error("no driver");
                    if (built == "builder")
                        return dlgConnectionBuilder::prompt(owner, current);
                    return built == "-" ? std::nullopt : std::optional(built); // "-": nothing
                });
        else if (step == "unwritable")
            Glob::Options().strDataSourceFile += "/gone";
        else if (step == "busy")
            busy.emplace();
        else if (step.startsWith("row ") || step.startsWith("dclick ")) { // on the name
            const QPoint at =
                view->visualRect(view->model()->index(step.section(' ', 1).toInt(), 2)).center();
            step.startsWith("row ") ? QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at)
                                    : QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        } else if (step == "?on" || step == "?off" || step == "?grid" || step == "?row") {
            for (QWidget* w : dialog.findChildren<QWidget*>(QRegularExpression("^(chk|opt|cmd|txt)")))
                if (step == "?off" ? !w->isEnabled() : step == "?on" && w->property("checked").toBool())
                    cells << w->objectName();
            cells.sort(); // the grid as a user sees it: hidden columns left out
            for (int row = 1; step == "?grid" && row < view->grid()->rows(); ++row)
                cells << view->grid()->text(row, 2);
            for (int col = 0; step == "?row" && col < view->grid()->cols(); ++col)
                if (!view->isColumnHidden(col))
                    cells << view->grid()->text(view->currentRow(), col);
            seen << name + ' ' + cells.join(step == "?row" ? "," : step == "?grid" ? "|" : " ");
        } else if (auto* combo = qobject_cast<QComboBox*>(target); step.startsWith('?'))
            seen << (!target ? dialog.windowTitle() // "?title" names no control
                     : combo ? itemTexts(*combo).join(' ') + " > " + combo->currentText()
                     : edit  ? edit->text()
                             : name + (target->isEnabled() ? " on" : " off"));
        else {
            QVERIFY2(target, qPrintable(step));
            for (QWidget* page = target; tabs && page != &dialog; page = page->parentWidget())
                if (const int tab = tabs->indexOf(page); tab >= 0 && tab != tabs->currentIndex())
                    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                                      tabs->tabBar()->tabRect(tab).center());
            if (step.startsWith("tab ")) // where the click landed: an unavailable or refused tab stays
                seen << "tab " + QString::number(tabs->currentIndex());
            else if (name == step && qobject_cast<QPushButton*>(target))
                QTest::mouseClick(target, Qt::LeftButton);
            else if (name == step)
                QTest::keyClick(target, target == &dialog ? Qt::Key_Escape : Qt::Key_Space);
            else if (const QString text = step.mid(name.size() + 1); text.startsWith('|')) {
                QApplication::clipboard()->setText(text.mid(1));
                QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            } else {
                if (step[name.size()] == '=' && edit) // typed over, or deleted
                    edit->selectAll();
                else if (combo && !edit) // a choice of its own, not the one before continued
                    combo->view()->keyboardSearch({});
                QTest::keyClicks(edit ? edit : target, text.isEmpty() ? "\b" : text);
            }
        }
    }
    QCOMPARE(replies, QStringList()); // each reply answered a dialog that came up
}

// A row of a data table, every cell a string.
template <typename... Cells> void row(const char* tag, const Cells&... cells)
{
    (QTest::newRow(tag) << ... << QString(cells));
}

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        for (int i = 0; i <= int(ErrorReporter::kKeptReports); ++i)
            Glob::Reporter().ReportError(QString::number(i), {});
        QCOMPARE(takeReports().first(), "1: "); // the reporter keeps the latest only
    }

    // The options dialog opened from the control over stored settings; once it has closed: options saved,
    // questions asked, errors reported, options applied, the tree made anew, the data-source file written.
    void options_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        // Any two boxes differ in some "saved" row: a box saved under another's key shows.
        row("first start, saved 1", "",
            "?off, chkObjectToolTips, chkFieldTypes, optSplit1, chkLeft0, chkQueryView0, chkOpenSQL, "
            "chkDataSource, chkPasswordData, txtObjectToolDelay=12, cmdOK",
            "off chkFieldTypes chkSortFields cmdApply cmdPassword txtObjectToolDelay; saved Data "
            "Password=True, Edit Data=False, Object Tool Delay=12, Object Tool Tip Field Types=True, Object "
            "Tool Tips=True, Open SQL=False, Open Table=False, Split\\Left=True, Split\\Orientation=True; "
            "applied 1; tree Sales|Stock/Views|Stored Procedures");
        row("saved 2", "",
            "chkObjectToolTips, chkSortFields, optSplit1, chkQueryView1, chkQueryView2, chkOpenSQL, "
            "chkDataSource, chkPasswordAdmin, txtObjectToolDelay=1a .5, txtObjectToolDelay:|x0, "
            "txtObjectToolDelay:|0, cmdOK",
            "saved Admin Password=True, Edit Data=False, Object Tool Delay=150, Object Tool Tip sort=True, "
            "Object Tool Tips=True, Open SQL=False, Open View=False, Open sp=False, Split\\Orientation=True; "
            "applied 1; tree Sales|Stock/Tables");
        row("saved 3", "",
            "chkObjectToolTips, chkToolBarText, chkLeft0, chkQueryView1, chkOptions, chkOpenSQL, "
            "chkPasswordData, chkPasswordAdmin, txtObjectToolDelay=12345, cmdOK",
            "saved Admin Password=True, Data Password=True, Object Tool Delay=123, Object Tool Tips=True, "
            "Open SQL=False, Open View=False, Options=False, Split\\Left=True, ToolBar Text=True; applied 1; "
            "tree Sales|Stock/Tables|Stored Procedures");
        row("saved 4", "",
            "chkObjectToolTips, chkGridLines, chkQueryView0, chkQueryView2, chkOptions, chkDataSource, "
            "chkPasswordData, chkPasswordAdmin, cmdOK",
            "saved Admin Password=True, Data Password=True, Edit Data=False, Grid Lines=True, Object Tool "
            "Tips=True, Open Table=False, Open sp=False, Options=False; applied 1, lines; tree Sales|Stock/"
            "Views");
        // Each box shows its own option (neighbours differ); the data-source page is out of reach, a tab
        // guarded without a password open; a value unusable before a contact is named is reported anyway.
        row("stored options shown",
            "Data/Split\\Orientation=True;Data/Grid Lines=True;General/Object Tool Tips=True;General/Object "
            "Tool Tip sort=True;General/Object Tool Delay=12;Admin/Edit Data=False;Admin/Open View=False;"
            "Admin/Admin Password=True;Admin/Options=False;Admin/Open Table=maybe",
            "?on, ?off, ?txtObjectToolDelay, tab 1, tab 2, cmdCancel",
            "on chkGridLines chkObjectToolTips chkOpenSQL chkPasswordAdmin chkQueryView0 chkQueryView2 "
            "chkSortFields optSplit1; off cmdApply cmdDataSource0 cmdDataSource1 cmdDataSource2 "
            "cmdDataSource3; 12; tab 0; tab 2; reports Get_Options");
        // A delay that is no number is refused; the question on closing can keep the dialog open.
        row("refused, then saved only", "",
            "chkGridLines, chkObjectToolTips, txtObjectToolDelay=, OK, Cancel, cmdOK, ?cmdApply, "
            "txtObjectToolDelay=5, Yes, cmdCancel",
            "cmdApply on; saved Grid Lines=True, Object Tool Delay=5, Object Tool Tips=True; asked Save "
            "changes?, Save changes?; reports Save_Changes to the desk");
        // A refusal goes back to the tab before; one right answer (ABC, stored as FMX) opens both tabs. A
        // password still guarding a tab is kept, and can be changed.
        row("admin tab guarded", "Admin/Password=FMX;Admin/Admin Password=True",
            "tab 1, =, tab 2, =txtPassword0: abc ;cmdOK, tab 2, tab 1, tab 2, chkPasswordData, "
            "chkPasswordAdmin, ?cmdPassword, =txtPassword0:abc;txtPassword1:new;txtPassword2:NEW;cmdOK, "
            "cmdPassword, cmdOK",
            "tab 1; tab 1; tab 2; tab 1; tab 2; cmdPassword on; saved Admin Password=False, Data "
            "Password=True, Password=DA1; asked Password changed; applied 1");
        row("both guarded, cleared", "Admin/Password=FMX;Admin/Admin Password=True;Admin/Data Password=True",
            "=, tab 2, =, tab 1, =txtPassword0:Abc;cmdOK, tab 1, tab 2, chkPasswordData, chkPasswordAdmin, "
            "?cmdPassword, cmdOK",
            "tab 0; tab 0; tab 1; tab 2; cmdPassword off; saved Admin Password=False, Data Password=False, "
            "Password=; applied 1");
        // The editor's values, even a connection built, are the list's only once it is left with OK.
        // A deleted row stays in view until the list has been saved and read back.
        row("cancelled, then done", "",
            "prompt Provider=SQLite;Data Source=b, =cmdDataSource;txtName:X;cmdCancel, cmdDataSource0, row "
            "2, =cmdDataSource;txtName:X;Escape, cmdDataSource1, Cancel, cmdDataSource2, ?cmdApply, ?row, "
            "=txtName=Orders;cmdDataSource;cmdOK, cmdDataSource0, row 2, OK, cmdDataSource2, ?grid, cmdOK",
            "cmdApply off; row Stock,PostgreSQL,db1,stock,,\"; grid Sales|Stock|Orders; asked Delete Stock?, "
            "Delete Stock?; applied 1; tree Sales|Orders/Tables|Views|Stored Procedures; file Name=Sales|"
            "Name=Orders");
        // The control reads the list back renumbered; the grid follows, so the next delete hits
        // the entry the user sees. An empty list shows the header alone.
        row("delete all, applying each", "",
            "OK, cmdDataSource2, cmdApply, ?grid, OK, cmdDataSource2, cmdApply, ?row, ?cmdDataSource1, cmdOK",
            "grid Stock; row Name,Provider,Server,Database,Description,Delimiter; cmdDataSource1 off; asked "
            "Delete Sales?, Delete Stock?; applied 2; tree /; file ");
        // A list that cannot be written stays in memory and the dialog dirty, or the control would read
        // the old file back over the edits; left with No, nothing is kept. A bad string: one report a refill.
        for (const QString button : {"cmdOK", "cmdApply"})
            row(qPrintable(button), "",
                QString("prompt Data Source=\"x, chkGridLines, =txtName=Bad;cmdDataSource;cmdOK, "
                        "cmdDataSource0, cmdDataSource3, unwritable, OK, %1, ?grid, No, Escape")
                    .arg(button),
                "grid Sales|Stock|Bad; asked Save changes?; reports Refresh_DataSources to the desk, "
                "Refresh_DataSources to the desk, Save_DataSources to the desk");
        // The editor proposes the database's quote (SQL's own before a connection), waits for a name
        // as well as a connection, keeps one character, and offers a stored one.
        row("editor, new", "",
            "busy, =?title;?cboDelimiter;?cmdOK;cmdDataSource;?cmdOK;txtName:Orders;txtDescription:words;"
            "cboDelimiter=[;cboDelimiter:x;cmdOK, cmdDataSource0, row 3, ?row, =?title;?cboDelimiter;"
            "cmdCancel, cmdDataSource1, No, Escape",
            "New Data Source; \" ` [ > \"; cmdOK off; cmdOK off; row Orders,SQLite,,,words,[; Edit Data "
            "Source; \" ` [ > [; asked Save changes?");
        for (const QString built : {"-", "", "!"}) // nothing built, an empty string, a failure
            row(qPrintable("editor, no connection " + built), "",
                "prompt " + built + ", =txtName:Sales;cmdDataSource;?cmdOK;cmdCancel, cmdDataSource0, cmdOK",
                "cmdOK off");
        row("editor, builder", "",
            "prompt builder, row 2, ==?txtServer/txtServer=other/txtPort=5433/cmdOK;cmdDataSource;cmdOK, "
            "dclick 2, row 2, ?row, cmdOK",
            "db1; row Stock,PostgreSQL,other,5433,stock,,\"; applied 1; tree Sales|Stock/Tables|Views|Stored "
            "Procedures");
    }

    void options()
    {
        QFETCH(QString, settings);
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        std::vector<std::array<QString, 3>> entries;
        for (const QString& entry : settings.split(';', Qt::SkipEmptyParts))
            entries.push_back(
                {entry.section('/', 0, 0), entry.section('=', 0, 0).section('/', 1), entry.section('=', 1)});
        QStringList seen, boxes, reports;
        Glob::Reporter().setContact({}); // until the host names one, below
        Browser b({{"Sales", "Provider=SQLite;Data Source=/srv/sales.db", "Figures"},
                   {"Stock", "Provider=PostgreSQL;Data Source=db1;Initial Catalog=stock", {}}},
                  entries);
        QSignalSpy resets(b.model(), &QAbstractItemModel::modelReset);
        QSignalSpy applied(b.control.get(), &kwQuarry::Refreshed);
        const auto listed = [list = b.m_folder.filePath("DataSources.ini")] {
            return QString(readBytes(list)).split('\n').filter("Name=").join('|');
        };
        const auto stored = [] {
            QSettings file(Glob::SettingsStore(Glob::AppTitle()).fileName(), QSettings::IniFormat);
            QStringList values;
            for (const QString& key : file.allKeys())
                values << key.section('/', 1) + '=' + file.value(key).toString();
            return values;
        };
        QVERIFY(Glob::Save_INI() && Glob::Save_Options()); // every option stored, as loaded
        const QStringList was = stored();
        const QString before = listed();
        b.control->setContact("the desk");
        const BusyPointer busy;
        whenModal(b.control.get(), [&](QWidget* modal) {
            QVERIFY(qobject_cast<frmOptions*>(modal));
            drive(*modal, "prompt Provider=SQLite, " + steps, seen);
            QVERIFY(!modal->isVisible());
        });
        QVERIFY(b.control->Show_Options());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QStringList saved = stored();
        saved.removeIf([&was](const QString& option) { return was.contains(option); });
        saved.sort();
        for (const auto& box : b.prompts.callsOf(ScriptedPrompts::Kind::MsgBox)) {
            const QStringList parts = box.text.split("\n\n"); // procedure, description, whom to tell
            (box.icon == MsgIcon::Critical ? reports : boxes)
                << parts[0] + (parts.size() > 2 ? " to " + parts[2].section(" to ", 1).chopped(1) : "");
        }
        QCOMPARE(takeReports().size(), reports.size()); // each one shown
        for (const auto& [tag, list] : {std::pair{"saved ", saved}, {"asked ", boxes}, {"reports ", reports}})
            if (!list.isEmpty())
                seen << tag + list.join(", ");
        if (!applied.isEmpty())
            seen << QString("applied %1").arg(applied.size()) + (b.d->lvwData->gridLines() ? ", lines" : "");
        const auto texts = [&b](const QModelIndex& parent, QStringList found = {}) {
            for (int row = 0; row < b.model()->rowCount(parent); ++row)
                found << b.model()->text(b.model()->index(row, 0, parent));
            return found.join('|');
        };
        if (!resets.isEmpty())
            seen << "tree " + texts({}) + '/' + texts(b.root(1));
        if (listed() != before)
            seen << "file " + listed();
        QCOMPARE(seen.join("; "), expected);
        QVERIFY(b.errorProcedures().isEmpty());
    }

    // The connection builder, typed into or given a string to read, then OK: what it shows, the string
    // it builds, its messages. Test Connection opens the string, or shows the driver's own message.
    void builder_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        row("other ODBC driver, after none",
            "cboProvider:PostgreSQL, txtServer= , ?cmdTest, cboProvider:Other, cboDriver=, ?cmdOK, "
            "cboDriver=Acme Driver, txtServer=host, txtPort=1, txtDatabase=d b, txtPassword=p;w}, "
            "txtOptions=;X=1;",
            "cmdTest off; cmdOK off; Provider=MSDASQL;Driver={Acme Driver};Server=host;Port=1;Database={d b};"
            "PWD={p;w}}};X=1");
        row("read: host:port, keys kept",
            "read provider=MySQL.2; data source = h:3307 ;initial catalog=shop;X='a;b'",
            "read; Provider=MariaDB;Data Source=h,3307;Initial Catalog=shop;X=\"a;b\"");
        row("values quoted",
            "cboProvider:PostgreSQL, txtServer=h, txtDatabase={d}, txtUser= a, txtPassword='b\"",
            "Provider=PostgreSQL;Data Source=h;Initial Catalog=\"{d}\";User ID=\" a\";Password=\"'b\"\"\"");
        row("read: separate port", "read Provider=PostgreSQL;Data Source=h;Port=5440, ?cmdBrowse",
            "read; cmdBrowse off; Provider=PostgreSQL;Data Source=h,5440");
        row("read: a provider without its driver",
            "read Provider=SQLOLEDB;Data Source=ms;Initial Catalog=n, ?cboProvider, ?txtOptions",
            "read; SQLite PostgreSQL MariaDB / MySQL Other ODBC driver > Other ODBC driver; Data Source=ms;"
            "Initial Catalog=n; ");
        // Kept for the user to mend, and refused before any connection attempt.
        row("read: unreadable",
            "read Data Source=h;Password=\"x, ?txtOptions, cboProvider:PostgreSQL, txtServer=h, cmdTest",
            "unreadable; Data Source=h;Password=\"x; ; Test Connection: the value of \"Password\" has no "
            "closing \"; Connection: the value of \"Password\" has no closing \"");
        row("SQLite, server ignored", "txtServer=srv, txtPort=9, txtDatabase=%1, ?cmdBrowse, cmdTest",
            "cmdBrowse on; Provider=SQLite;Data Source=\"%1\"; Test Connection? Test connection succeeded.");
        // MariaDB's driver refuses keys it does not know; PostgreSQL's is given them untouched.
        const QString typed = "cboProvider:%1, txtServer=127.0.0.1, txtPort=%2, txtDatabase=test, "
                              "txtUser=root, txtOptions=%3, cmdTest";
        const QString built =
            "Provider=%1;Data Source=127.0.0.1,%2;Initial Catalog=test;User ID=root;%3; Test Connection%4";
        for (const auto& [name, port, extra] : {std::tuple{"PostgreSQL", "5432", "Application Name=a b"},
                                                {"MariaDB", "3306", "CHARSET=utf8mb4"}})
            for (const QString used : {port, "1"}) // succeeds on the server's port
                row(qPrintable(name + QString(" on port ") + used), typed.arg(name, used, extra),
                    built.arg(name, used, extra,
                              used == port ? "? Test connection succeeded." : ": %driver"));
    }

    void builder()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        for (const Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB})
            if (steps.contains("cboProvider:" + dbName(db) + ',') && steps.contains("cmdTest"))
                QUARRY_REQUIRE_DB(db);
        QTemporaryDir dir; // a name that needs quoting must reach the driver whole
        const QString file = dir.filePath("it's a;b.sqlite");
        QVERIFY(QFile(file).open(QIODevice::WriteOnly)); // an empty file is an empty database
        ScriptedPrompts prompts;
        QStringList seen;
        dlgConnectionBuilder dialog({"SQLite3", "PostgreSQL Unicode", "MySQL ODBC 8.0", "Acme"}, nullptr);
        dialog.show();
        drive(dialog, steps.replace("%1", file) + ", cmdOK", seen);
        seen << dialog.result();
        QString direct;
        try {
            quarry::Connection connection;
            connection.setMode(quarry::adModeRead);
            connection.setConnectionTimeout(10);
            if (expected.contains("%driver"))
                connection.Open(dialog.result());
        } catch (const quarry::DatabaseError& error) {
            direct = error.errors().Text().section(": ", -1);
        }
        for (const auto& box : prompts.calls)
            seen << box.title + (box.icon == MsgIcon::Critical ? ": " : "? ") + box.text.section(": ", -1);
        QCOMPARE(seen.join("; "), expected.replace("%1", file).replace("%driver", direct));
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
