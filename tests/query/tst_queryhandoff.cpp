// The query handed to the host: run settings, the top-rows question, the
// composed text and name, procedure parameters, and hostile names.
#include "BrowserFixture.h"
#include "TestDatabases.h"

#include "query/Delimited.h"
#include "settings/DataSources.h"

using quarry::test::Browser;
using quarry::test::Db;
using quarry::test::Scratch;

namespace {

// RunQuery's arguments after the connection, as one comparable text.
QString handed(const QList<QVariant>& signal)
{
    QStringList out;
    for (int i = 1; i < signal.size(); ++i)
        out << (i == 3 ? QString::number(signal.at(i).toInt()) : signal.at(i).toString());
    return out.join(u'|');
}

// An SQLite source "Shop" with a table, an oddly named table and a view,
// connected, with `category` clicked so the list holds its objects.
struct Listed
{
    explicit Listed(const QString& category = QStringLiteral("Tables"))
        : scratch(Db::SQLite)
    {
        scratch.exec("CREATE TABLE orders (id INTEGER)");
        scratch.exec("CREATE TABLE \"odd\"\"name\" (id INTEGER)");
        scratch.exec("CREATE VIEW recent AS SELECT id FROM orders");
        b = std::make_unique<Browser>(
            std::vector<quarry::test::SourceRow>{{"Shop", scratch.connectionString(), {}}},
            std::vector<std::array<QString, 3>>{{"Admin", "Open sp", "True"}});
        b->expand(b->root(1));
        b->click(b->child(1, category));
        runs = std::make_unique<QSignalSpy>(b->control.get(), &kwQuarry::RunQuery);
    }
    // Leaves `text` selected as a click on it would (SQLite has no procedures: listed here).
    void select(const QString& text)
    {
        auto* model = b->d->lvwData->model();
        if (b->d->CurrentDataType == kwQuarry::dkDataStoredProc)
            model->setItems({{text, {}, 3, 7}});
        for (int row = 0; row < model->count(); ++row)
            if (model->item(row).text == text)
                b->d->lvwData->selectRow(row);
        b->d->SelectedObject = Delimited(text, QStringLiteral("\""));
        // A release over the tree marks the next query a data-source one; the list's clears that.
        b->d->QueryFromTree = false;
    }

    Scratch scratch;
    std::unique_ptr<Browser> b;
    std::unique_ptr<QSignalSpy> runs;
};

} // namespace

class QueryHandoffTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void delimited_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QString>("result");
        const auto row = [](const char* tag, const char* name, const char* delimiter, const char* result) {
            QTest::newRow(tag) << QString(name) << QString(delimiter) << QString(result);
        };
        row("plain", "Orders", "\"", "\"Orders\"");
        row("closing attempt", "x\"; DROP TABLE t; --", "\"", "\"x\"\"; DROP TABLE t; --\"");
        row("backtick inside", "we`ird", "`", "`we``ird`");
        row("other quote left alone", "it's", "\"", "\"it's\"");
        row("brackets", "Order]s", "[", "[Order]]s]");
        row("no delimiter", "Orders", "", "Orders");
        row("two-character delimiter", "a||b", "||", "||a||b||");
    }

    void delimited()
    {
        QFETCH(QString, name);
        QFETCH(QString, delimiter);
        QFETCH(QString, result);
        QCOMPARE(Delimited(name, delimiter), result);
    }

    void run_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("before");     // RunMaxRecords left by the last command
        QTest::addColumn<QString>("answer"); // null: no question expected
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("outcome");  // "raised", "" (nothing), or the procedure reported
        QTest::addColumn<QString>("settings"); // max records, auto-run, show SQL afterwards
        const auto row = [](const char* tag, int type, int before, const char* answer, const char* offered,
                            const char* outcome, const char* settings) {
            QTest::newRow(tag) << type << before << QString(answer) << QString(offered) << QString(outcome)
                               << QString(settings);
        };
        // Before each: auto-run off, show SQL on.
        row("open", 0, 40, nullptr, "", "raised", "0 0 1");
        row("all rows", 1, 40, nullptr, "", "raised", "0 1 0");
        row("other type keeps settings", 7, 40, nullptr, "", "raised", "40 0 1");
        row("top 25 rows", 2, 0, "25 rows", "100", "raised", "25 1 0");
        row("last count offered", 2, 40, "40", "40", "raised", "40 1 0");
        row("cancelled", 2, 40, "", "40", "", "40 0 1");
        row("no number is all rows", 2, 0, "many", "100", "raised", "0 1 0");
        row("negative", 2, 0, "-5", "100", "raised", "-5 1 0");
        row("blanks inside ignored", 2, 0, " \t1 2\n3x", "100", "raised", "123 1 0");
        row("sign apart from digits", 2, 0, "- 7", "100", "raised", "-7 1 0");
        row("half to even, down", 2, 0, "2.5", "100", "raised", "2 1 0");
        row("half to even, up", 2, 0, "3.5", "100", "raised", "4 1 0");
        row("exponent", 2, 0, "1e3", "100", "raised", "1000 1 0");
        row("largest", 2, 0, "2147483647", "100", "raised", "2147483647 1 0");
        // Too large for 32 bits: reported, nothing handed to the host, nothing changed.
        row("one past the largest", 2, 40, "2147483648", "40", "Run", "40 0 1");
        row("past any number", 2, 40, "1e999", "40", "Run", "40 0 1");
    }

    void run()
    {
        QFETCH(int, type);
        QFETCH(int, before);
        QFETCH(QString, answer);
        QFETCH(QString, offered);
        QFETCH(QString, outcome);
        QFETCH(QString, settings);
        Listed l;
        l.select(QStringLiteral("orders"));
        l.b->d->RunMaxRecords = before;
        l.b->d->RunAutoRun = false;
        l.b->d->RunShowSQL = true;
        l.b->d->QueryFromTree = true; // Run makes it an object query
        Glob::Options().blnOptions = false;
        if (!answer.isNull())
            l.b->prompts.inputAnswers = {answer};

        QCOMPARE(l.b->control->Run(type), false);
        QCOMPARE(l.b->errorProcedures(),
                 outcome == QLatin1String("Run") ? QStringList{outcome} : QStringList{});
        const auto questions = l.b->prompts.callsOf(quarry::test::ScriptedPrompts::Kind::InputBox);
        QCOMPARE(questions.size(), size_t(answer.isNull() ? 0 : 1));
        if (!questions.empty()) {
            QCOMPARE(questions[0].text,
                     QStringLiteral("Enter maximum number of rows to return. 0 equals all."));
            QCOMPARE(questions[0].title, QStringLiteral("Return top ..."));
            QCOMPARE(questions[0].defaultText, offered);
        }
        const kwQuarryPrivate* d = l.b->d;
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(d->RunMaxRecords).arg(d->RunAutoRun).arg(d->RunShowSQL),
                 settings);
        QCOMPARE(l.runs->size(), outcome == QLatin1String("raised") ? 1 : 0);
        if (!l.runs->isEmpty()) {
            const QStringList run = settings.split(u' ');
            const QString flag[] = {"false", "true"};
            QCOMPARE(handed(l.runs->at(0)), "SELECT * \r\nFROM \"orders\"|Shop : Tables : orders|0|" +
                                                run[0] + u'|' + flag[run[1].toInt()] + u'|' +
                                                flag[run[2].toInt()] + "|\"|false");
        }
    }

    void topRowsDefaultFollowsLastAnswer()
    {
        Listed l;
        l.select(QStringLiteral("orders"));
        l.b->prompts.inputAnswers = {"30", "12", "50"};
        for (int type : {2, 2, 1, 2})
            l.b->control->Run(type);
        QStringList offered;
        for (const auto& call : l.b->prompts.callsOf(quarry::test::ScriptedPrompts::Kind::InputBox))
            offered << call.defaultText;
        QCOMPARE(offered, (QStringList{"100", "30", "100"}));
        QCOMPARE(l.runs->size(), 4);
    }

    void runQuery_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("kind");
        const auto row = [](const char* tag, const char* category, const char* object, const char* sql,
                            int kind) {
            QTest::newRow(tag) << QString(category) << QString(object) << QString(sql) << kind;
        };
        row("table", "Tables", "orders", "SELECT * \r\nFROM \"orders\"", 0);
        row("quote in the name", "Tables", "odd\"name", "SELECT * \r\nFROM \"odd\"\"name\"", 0);
        row("view", "Views", "recent", "SELECT * \r\nFROM \"recent\"", 1);
        row("stored procedure", "Stored Procedures", "add_order", "\"add_order\"", 2);
    }

    void runQuery()
    {
        QFETCH(QString, category);
        QFETCH(QString, object);
        QFETCH(QString, sql);
        QFETCH(int, kind);
        Listed l(category);
        l.select(object);
        l.b->d->CurrentDataType = kwQuarry::dkDataType((kind + 1) % 3); // rewritten from the tree
        l.b->d->RunMaxRecords = 9;
        l.b->d->RunAutoRun = true;
        l.b->d->RunShowSQL = true;
        Glob::Options().blnOptions = true;
        int seenBeforeReturn = 0;
        QObject::connect(l.b->control.get(), &kwQuarry::RunQuery, l.b->control.get(),
                         [&] { ++seenBeforeReturn; });

        QVERIFY(l.b->control->Run_Query());
        QCOMPARE(seenBeforeReturn, 1);
        QCOMPARE(l.b->errorProcedures(), QStringList{});
        QCOMPARE(
            handed(l.runs->at(0)),
            QStringLiteral("%1|Shop : %2 : %3|%4|9|true|true|\"|true").arg(sql, category, object).arg(kind));
        QCOMPARE(int(l.b->d->CurrentDataType), kind);
        const auto connection = l.runs->at(0).at(0).value<quarry::Connection>();
        QVERIFY(connection == l.b->d->connection(1));
        if (kind == kwQuarry::dkDataStoredProc)
            return;
        // What the host runs selects the object, whatever its name holds.
        quarry::Recordset rs;
        rs.Open(sql, connection);
        QCOMPARE(rs.FieldCount(), 1);
        QCOMPARE(rs.Fields(0).Name, QStringLiteral("id"));
    }

    void runQueryOtherCases_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("errors");
        QTest::addColumn<QString>("handedOn"); // "" when nothing reached the host
        const auto row = [](const char* tag, const char* situation, bool result, const char* errors,
                            const char* handedOn) {
            QTest::newRow(tag) << QString(situation) << result << QString(errors) << QString(handedOn);
        };
        // A data-source query: no text, named after the source, a table query whatever came before.
        row("from the tree", "tree", true, "", "|Shop|0|0|false|true|\"|false");
        row("nothing selected", "empty", false, "", "");
        row("list without selection", "unselected", false, "Run_Query", "");
        row("no such data source", "range", false, "Run_Query", "");
        // Not a category node: no text, and the kind stays.
        row("data-source node selected", "root", true, "", "|Shop : Tables : orders|1|0|false|true|\"|false");
    }

    void runQueryOtherCases()
    {
        QFETCH(QString, situation);
        QFETCH(bool, result);
        QFETCH(QString, errors);
        QFETCH(QString, handedOn);
        Listed l;
        l.select(QStringLiteral("orders"));
        l.b->d->CurrentDataType = kwQuarry::dkDataView;
        l.b->d->RunShowSQL = true;
        Glob::Options().blnOptions = false;
        if (situation == QLatin1String("tree")) {
            l.b->d->QueryFromTree = true;
            l.b->d->SelectedObject.clear();
        }
        if (situation == QLatin1String("empty"))
            l.b->d->SelectedObject.clear();
        if (situation == QLatin1String("unselected"))
            l.b->d->lvwData->selectRow(-1);
        if (situation == QLatin1String("range"))
            Glob::setCurrentDataSource(99);
        if (situation == QLatin1String("root"))
            l.b->tree()->setCurrentIndex(l.b->root(1));

        QCOMPARE(l.b->control->Run_Query(), result);
        QCOMPARE(l.b->errorProcedures().join(u','), errors);
        QCOMPARE(l.runs->isEmpty() ? QString() : handed(l.runs->at(0)), handedOn);
    }

    void unopenedSlotIsHandedOn()
    {
        Scratch s(Db::SQLite);
        s.exec("CREATE TABLE orders (id INTEGER)");
        Browser b(
            {{"Shop", s.connectionString(), {}}, {"Other", "Provider=SQLite;Data Source=/nonexistent", {}}});
        QSignalSpy runs(b.control.get(), &kwQuarry::RunQuery);
        b.expand(b.root(1));
        b.click(b.child(1, QStringLiteral("Tables")));
        b.d->QueryFromTree = false;
        // The list still shows the first source's objects while the second is current.
        Glob::aDataSources()[2][Glob::dsDelimiter] = QStringLiteral("`");
        Glob::setCurrentDataSource(2);
        QVERIFY(!b.d->Connections[2].has_value());
        QVERIFY(b.control->Run_Query());
        QCOMPARE(runs.size(), 1);
        const auto c = runs.at(0).at(0).value<quarry::Connection>();
        QCOMPARE(c.State(), quarry::adStateClosed);
        QVERIFY(b.d->Connections[2].has_value() && c == *b.d->Connections[2]);
        QCOMPARE(runs.at(0).at(7).toString(), QStringLiteral("`"));
    }

    void getParameters_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("definition"); // %1: the qualified name
        QTest::addColumn<bool>("sort");
        QTest::addColumn<QString>("parameters");
        // Long types (203, 204, 205) are left out.
        const QString pg = "CREATE PROCEDURE %1(b integer, \"A\" varchar(5), c bytea, d xml, e date) "
                           "LANGUAGE sql AS $$ SELECT 1 $$";
        const QString maria = "CREATE PROCEDURE %1(IN b INT, IN A VARCHAR(10), IN c LONGBLOB, OUT d TEXT, "
                              "IN e VARBINARY(4), IN f DATETIME) BEGIN END";
        QTest::newRow("PostgreSQL") << Db::PostgreSQL << pg << false << "b:3,A:202,e:133";
        QTest::newRow("PostgreSQL sorted") << Db::PostgreSQL << pg << true << "A:202,b:3,e:133";
        QTest::newRow("MariaDB") << Db::MariaDB << maria << false << "b:3,A:202,f:135";
        QTest::newRow("PostgreSQL only long")
            << Db::PostgreSQL << "CREATE PROCEDURE %1(c bytea) LANGUAGE sql AS $$ SELECT 1 $$" << false << "";
    }

    void getParameters()
    {
        QFETCH(Db, db);
        QFETCH(QString, definition);
        QFETCH(bool, sort);
        QFETCH(QString, parameters);
        QUARRY_REQUIRE_DB(db);
        Scratch s(db);
        s.exec(definition.arg(s.qualify("pro\"c`")));
        Browser b({{"Scratch", s.connectionString(), {}}});
        const QString delimiter = db == Db::MariaDB ? QStringLiteral("`") : QStringLiteral("\"");
        b.expand(b.root(1));
        Glob::Options().blnToolTipSort = sort;
        b.d->SelectedObject = (db == Db::PostgreSQL ? Delimited(s.place(), delimiter) + u'.' : QString()) +
                              Delimited("pro\"c`", delimiter);
        b.d->ObjectFields = {{"stale", "3"}};

        QVERIFY(b.control->Get_Parameters());
        QStringList out;
        for (const auto& [name, type] : b.d->ObjectFields)
            out << name + u':' + type;
        QCOMPARE(out.join(u','), parameters);
        QVERIFY(b.errors->isEmpty());
    }

    // Nothing is trapped here: the list's handler reports the failure.
    void getParametersNotConnected()
    {
        Scratch s(Db::SQLite);
        Browser b({{"Scratch", s.connectionString(), {}}});
        Glob::setCurrentDataSource(1);
        b.d->SelectedObject = QStringLiteral("\"proc\"");
        QVERIFY_THROWS_EXCEPTION(quarry::DatabaseError, b.control->Get_Parameters());
        QVERIFY(b.errors->isEmpty());
    }
};

QTEST_MAIN(QueryHandoffTest)
#include "tst_queryhandoff.moc"
