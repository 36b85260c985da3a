// The sample database that Dabrook creates on first start, read back through
// a real SQLite connection.
#include "app/SampleDatabase.h"

#include <quarry/Database.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using dabrook::SampleDatabase;

namespace {

quarry::Connection openReadOnly(const QString& path)
{
    quarry::Connection c;
    c.setMode(quarry::adModeRead);
    c.Open(SampleDatabase::connectionString(path));
    return c;
}

// Every row of the first column.
QStringList column(const quarry::Connection& c, const QString& sql)
{
    QStringList values;
    quarry::Recordset rs;
    rs.Open(sql, c);
    for (; !rs.AtEOF(); rs.MoveNext())
        values << rs.Fields(0).Value.toString();
    rs.Close();
    return values;
}

// Every row of every table, one line per row, in key order.
QStringList dump(const quarry::Connection& c)
{
    QStringList lines;
    for (const QString& table :
         column(c, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        quarry::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(table), c);
        for (; !rs.AtEOF(); rs.MoveNext()) {
            QStringList cells{table};
            for (const quarry::Field& f : rs.FieldList())
                cells << (f.Value.isNull() ? QStringLiteral("<null>") : f.Value.toString());
            lines << cells.join(QLatin1Char('|'));
        }
        rs.Close();
    }
    return lines;
}

bool leftovers(const QString& path)
{
    const QString partial = SampleDatabase::partialPath(path);
    return QFileInfo::exists(partial) || QFileInfo::exists(partial + QLatin1String("-journal"));
}

} // namespace

class TestSampleDatabase : public QObject
{
    Q_OBJECT

    static QString count(const quarry::Connection& c, const QString& sql) { return column(c, sql).join(','); }

    QTemporaryDir m_dir;
    QString m_path;
    quarry::Connection m_db;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("Sample.db"));
        QString error;
        QVERIFY2(SampleDatabase::create(m_path, &error), qPrintable(error));
        QVERIFY(error.isEmpty());
        QVERIFY(QFileInfo(m_path).isFile());
        QVERIFY(!leftovers(m_path));
        m_db = openReadOnly(m_path);
    }

    void objects()
    {
        const QString names =
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = '%1' ORDER BY name");
        QCOMPARE(column(m_db, names.arg("table")),
                 QStringList({"categories", "customers", "employees", "order_items", "orders", "products"}));
        QCOMPARE(column(m_db, names.arg("view")), QStringList({"order_totals", "product_sales"}));
    }

    // Each query counts what should number `expected`: rows, or rows that break a rule.
    void counts_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, int expected, const QString& sql) {
            QTest::newRow(name) << sql << QString::number(expected);
        };
        // Every order has lines, so order_totals has one row per order.
        const std::pair<const char*, int> tables[] = {
            {"employees", 12}, {"customers", 250},    {"categories", 8},      {"products", 96},
            {"orders", 2000},  {"order_items", 6000}, {"order_totals", 2000}, {"product_sales", 96}};
        for (const auto& [table, rows] : tables)
            row(table, rows, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table));

        row("declared foreign keys", 7,
            "SELECT COUNT(*) FROM sqlite_master m, pragma_foreign_key_list(m.name) WHERE m.type = 'table'");
        row("rows breaking a foreign key", 0, "SELECT COUNT(*) FROM pragma_foreign_key_check");
        row("order without lines", 0,
            "SELECT COUNT(*) FROM orders o WHERE NOT EXISTS "
            "(SELECT 1 FROM order_items i WHERE i.order_id = o.order_id)");
        row("employees reporting to nobody: the boss alone", 1,
            "SELECT COUNT(*) FROM employees WHERE reports_to IS NULL");
        row("product twice in one order", 0,
            "SELECT COUNT(*) FROM (SELECT order_id, product_id FROM order_items "
            "GROUP BY order_id, product_id HAVING COUNT(*) > 1)");
        row("shipped date only for shipped orders", 0,
            "SELECT COUNT(*) FROM orders WHERE (status = 'shipped') <> (shipped_date IS NOT NULL)");
        row("shipped before ordered", 0, "SELECT COUNT(*) FROM orders WHERE shipped_date < order_date");
        row("non-positive price", 0, "SELECT COUNT(*) FROM products WHERE unit_price <= 0");
        row("line price differs from list price", 0,
            "SELECT COUNT(*) FROM order_items i JOIN products p ON p.product_id = i.product_id "
            "WHERE i.unit_price <> p.unit_price");
        row("view totals disagree with the lines", 0,
            "SELECT COUNT(*) FROM order_totals t WHERE ABS(t.total - (SELECT SUM(quantity * unit_price * "
            "(1 - discount)) FROM order_items i WHERE i.order_id = t.order_id)) > 0.006");
        row("revenue by product disagrees with revenue by order", 0,
            "SELECT ABS((SELECT SUM(revenue) FROM product_sales) - "
            "(SELECT SUM(total) FROM order_totals)) > 1");
        // Names with a quote and non-ASCII letters survive literal escaping and the wide API.
        row("apostrophe", 1, "SELECT COUNT(*) > 0 FROM employees WHERE last_name = 'O''Brien'");
        row("umlaut", 1, QStringLiteral("SELECT COUNT(*) > 0 FROM customers WHERE city = 'Zürich'"));
        row("a with ring", 1, QStringLiteral("SELECT COUNT(*) > 0 FROM customers WHERE city = 'København'"));
        row("missing phone", 1, "SELECT COUNT(*) > 0 FROM customers WHERE phone IS NULL");
    }

    void counts()
    {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        QCOMPARE(count(m_db, sql), expected);
    }

    void deterministic()
    {
        QTemporaryDir other;
        const QString second = other.filePath(QStringLiteral("again.db"));
        QString error;
        QVERIFY2(SampleDatabase::create(second, &error), qPrintable(error));
        quarry::Connection again = openReadOnly(second);
        const QStringList first = dump(m_db);
        QCOMPARE(first.size(), 12 + 250 + 8 + 96 + 2000 + 6000);
        QCOMPARE(dump(again), first);
    }

    void failureLeavesNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        // Tests may run as root, so the unwritable places are ones nobody can write.
        QTest::newRow("folder under a regular file")
            << "file/sub/Sample.db" << QString("Cannot create the folder");
        QTest::newRow("folder that refuses files")
            << "/proc/self/Sample.db" << QString("Cannot create the sample database");
        QTest::newRow("name taken by a folder") << "taken" << QString("Cannot create the sample database");
    }

    void failureLeavesNothing()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("taken/inside")));
        const QString target = QDir::isAbsolutePath(path) ? path : dir.filePath(path);
        const bool wasDir = QFileInfo(target).isDir();

        QString error;
        QVERIFY(!SampleDatabase::create(target, &error));
        QVERIFY2(error.startsWith(reason), qPrintable(error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(target)) || error.contains(QFileInfo(target).path()),
                 qPrintable(error));
        QCOMPARE(QFileInfo(target).isDir(), wasDir);
        QVERIFY(wasDir || !QFileInfo::exists(target));
        QVERIFY(!leftovers(target));
    }

    void leftoverFromInterruptedStartIsRebuilt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Sample.db"));
        QFile partial(SampleDatabase::partialPath(path));
        QVERIFY(partial.open(QIODevice::WriteOnly));
        partial.write("SQLite format 3\0 cut short", 26);
        partial.close();

        QString error;
        QVERIFY2(SampleDatabase::create(path, &error), qPrintable(error));
        QVERIFY(!leftovers(path));
        quarry::Connection db = openReadOnly(path);
        QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) FROM order_items")), QStringLiteral("6000"));
    }
};

QTEST_GUILESS_MAIN(TestSampleDatabase)
#include "tst_sampledatabase.moc"
