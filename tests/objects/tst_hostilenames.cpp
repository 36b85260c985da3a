// Objects whose names are built to break quoting: each is clicked (its fields looked up) and opened
// as a person does it, the handed query runs on a writable connection, and it must read exactly
// that object and change nothing, whatever delimiter the data source has.
#include "BrowserFixture.h"
#include "TestDatabases.h"

#include "settings/DataSources.h"

using quarry::test::Browser;
using quarry::test::Db;
using namespace Qt::StringLiterals;

namespace {

QStringList hostileNames(Db db)
{
    QStringList names{"x; DROP TABLE canary; --",
                      "a\"b",
                      "a`b",
                      "a]b",
                      "a[b",
                      "semi;colon",
                      "q?mark",
                      "{fn x}",
                      "a%n%s",
                      "dot.ted",
                      "MiXeD",
                      "-- dash",
                      "/* c */",
                      "sp ace",
                      "'quote",
                      "canary2"};
    // MariaDB keeps names within the Basic Multilingual Plane; SQLite's names ignore case.
    if (db != Db::MariaDB)
        names << u"emoji\U0001F600"_s;
    if (db != Db::SQLite)
        names << "mixed";
    // Longer than the catalog is read in blocks for (the others cap names at 64 or 128).
    if (db == Db::SQLite)
        names << u"long "_s + QString(300, u'n') + u" end"_s;
    return names;
}

// The database's own quoting, for the test's own statements.
QString quoted(Db db, const QString& name)
{
    const QString q = db == Db::MariaDB ? "`" : "\"";
    return q + QString(name).replace(q, q + q) + q;
}

} // namespace

class HostileNamesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Each database with each delimiter the editor offers, and none (the database's own). With
    // its own quote every object opens; with another one an open may fail, but reported, never
    // reading another object or running the rest of a name.
    void openEach_data()
    {
        QTest::addColumn<Db>("db");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<bool>("understood"); // every look-up finds the fields
        QTest::addColumn<bool>("opens");      // every handed query reads its object
        for (Db db : {Db::SQLite, Db::PostgreSQL, Db::MariaDB})
            for (const QString& delimiter : {u"\""_s, u"`"_s, u"["_s, QString()}) {
                const QString own = db == Db::MariaDB ? "`" : "\"";
                const bool native = delimiter.isEmpty() || delimiter == own;
                // SQLite's driver misreads ;, ? and {fn inside ` and [ quotes in the text it runs.
                QTest::addRow("%s %s", qPrintable(quarry::test::dbName(db)),
                              delimiter.isEmpty() ? "none" : qPrintable(delimiter))
                    << db << delimiter << (native || db == Db::SQLite) << native;
            }
    }
    void openEach()
    {
        QFETCH(Db, db);
        QFETCH(QString, delimiter);
        QFETCH(bool, understood);
        QFETCH(bool, opens);
        QUARRY_REQUIRE_DB(db);
        const quarry::test::Scratch s(db);
        const QStringList names = hostileNames(db);
        const auto table = [&](const QString& name) {
            return db == Db::SQLite ? quoted(db, name) : quoted(db, s.place()) + u'.' + quoted(db, name);
        };
        s.exec("CREATE TABLE " + table("canary") + " (v INTEGER)");
        s.exec("INSERT INTO " + table("canary") + " VALUES (-1)");
        for (qsizetype i = 0; i < names.size(); ++i) {
            s.exec("CREATE TABLE " + table(names[i]) + " (v INTEGER)");
            s.exec("INSERT INTO " + table(names[i]) + u" VALUES (%1)"_s.arg(i));
        }

        Browser b({{"Shop", s.connectionString(), {}}});
        Glob::aDataSources()[1][Glob::dsDelimiter] = delimiter;
        Glob::Options().blnToolTips = Glob::Options().blnOpenSQL = true;
        QSignalSpy runs(b.control.get(), &kwQuarry::RunQuery);
        b.expand(b.root(1));
        b.click(b.child(1, "Tables"));
        QAbstractItemView* view = b.d->lvwData->currentView();
        quarry::Connection writable = s.open(quarry::adModeReadWrite);

        QStringList wrong, refused;
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QModelIndex at =
                view->model()
                    ->match(view->model()->index(0, 0), Qt::DisplayRole, names[i], -1, Qt::MatchExactly)
                    .value(0);
            QVERIFY2(at.isValid(), qPrintable(names[i]));
            // Listed once, whole.
            QCOMPARE(view->model()
                         ->match(view->model()->index(0, 0), Qt::DisplayRole, names[i], -1, Qt::MatchExactly)
                         .size(),
                     1);
            view->scrollTo(at);
            const int errorsBefore = b.errors->size();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(at).center());
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(at).center());
            const bool looked = b.d->ObjectFields.size() == 1 && b.d->ObjectFields[0][0] == u"v";
            if (understood && (!looked || b.errors->size() != errorsBefore))
                refused << names[i] + u" (fields)"_s;
            QCOMPARE(runs.size(), int(i) + 1);
            try {
                quarry::Recordset rs;
                rs.Open(runs.last().at(1).toString(), writable);
                if (rs.AtEOF() || rs.Fields(0).Value.toInt() != i)
                    wrong << names[i];
            } catch (const quarry::DatabaseError&) {
                if (opens)
                    refused << names[i];
            }
        }
        QCOMPARE(wrong, QStringList());
        QCOMPARE(refused, QStringList());
        // Nothing was dropped or changed: every table still holds its one row.
        for (qsizetype i = -1; i < names.size(); ++i) {
            quarry::Recordset rs;
            rs.Open("SELECT v FROM " + table(i < 0 ? u"canary"_s : names[i]), writable);
            QCOMPARE(rs.Fields(0).Value.toInt(), int(i));
        }
    }
};

QTEST_MAIN(HostileNamesTest)
#include "tst_hostilenames.moc"
