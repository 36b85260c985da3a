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

QVariant scalar(const quarry::Connection& c, const QString& sql)
{
    quarry::Recordset rs;
    rs.Open(sql, c);
    if (rs.State() != quarry::adStateOpen || rs.AtEOF())
        return {};
    QVariant value = rs.Fields(0).Value;
    rs.Close();
    return value;
}

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
         column(c, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))) {
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

private slots:
    void initTestCase();
    void cleanupTestCase();
    void objects();
    void rowCounts_data();
    void rowCounts();
    void referentialIntegrity_data();
    void referentialIntegrity();
    void plausibleRows_data();
    void plausibleRows();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void deterministic();
    void failureLeavesNothing_data();
    void failureLeavesNothing();
    void leftoverFromInterruptedStartIsRebuilt();

private:
    QTemporaryDir m_dir;
    QString m_path;
    quarry::Connection m_db;
};

void TestSampleDatabase::initTestCase()
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

void TestSampleDatabase::cleanupTestCase()
{
    m_db.Close();
}

void TestSampleDatabase::objects()
{
    const QStringList tables =
        column(m_db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
    QCOMPARE(tables,
             QStringList({"categories", "customers", "employees", "order_items", "orders", "products"}));
    const QStringList views =
        column(m_db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'view' ORDER BY name"));
    QCOMPARE(views, QStringList({"order_totals", "product_sales"}));
}

void TestSampleDatabase::rowCounts_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<qint64>("rows");
    QTest::newRow("employees") << "employees" << qint64(12);
    QTest::newRow("customers") << "customers" << qint64(250);
    QTest::newRow("categories") << "categories" << qint64(8);
    QTest::newRow("products") << "products" << qint64(96);
    QTest::newRow("orders") << "orders" << qint64(2000);
    QTest::newRow("order_items") << "order_items" << qint64(6000);
    // Every order has lines, so the view has one row per order.
    QTest::newRow("order_totals") << "order_totals" << qint64(2000);
    QTest::newRow("product_sales") << "product_sales" << qint64(96);
}

void TestSampleDatabase::rowCounts()
{
    QFETCH(QString, table);
    QFETCH(qint64, rows);
    QCOMPARE(scalar(m_db, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toLongLong(), rows);
}

void TestSampleDatabase::referentialIntegrity_data()
{
    QTest::addColumn<QString>("orphans");
    QTest::newRow("order item without order")
        << "SELECT COUNT(*) FROM order_items i LEFT JOIN orders o ON o.order_id = i.order_id "
           "WHERE o.order_id IS NULL";
    QTest::newRow("order item without product")
        << "SELECT COUNT(*) FROM order_items i LEFT JOIN products p ON p.product_id = i.product_id "
           "WHERE p.product_id IS NULL";
    QTest::newRow("order without customer")
        << "SELECT COUNT(*) FROM orders o LEFT JOIN customers c ON c.customer_id = o.customer_id "
           "WHERE c.customer_id IS NULL";
    QTest::newRow("order without employee")
        << "SELECT COUNT(*) FROM orders o LEFT JOIN employees e ON e.employee_id = o.employee_id "
           "WHERE e.employee_id IS NULL";
    QTest::newRow("customer without support rep")
        << "SELECT COUNT(*) FROM customers c LEFT JOIN employees e ON e.employee_id = c.support_rep_id "
           "WHERE e.employee_id IS NULL";
    QTest::newRow("product without category")
        << "SELECT COUNT(*) FROM products p LEFT JOIN categories g ON g.category_id = p.category_id "
           "WHERE g.category_id IS NULL";
    QTest::newRow("employee reporting to nobody known")
        << "SELECT COUNT(*) FROM employees e LEFT JOIN employees m ON m.employee_id = e.reports_to "
           "WHERE e.reports_to IS NOT NULL AND m.employee_id IS NULL";
    QTest::newRow("order without lines") << "SELECT COUNT(*) FROM orders o WHERE NOT EXISTS "
                                            "(SELECT 1 FROM order_items i WHERE i.order_id = o.order_id)";
    QTest::newRow("foreign_key_check") << "SELECT COUNT(*) FROM pragma_foreign_key_check";
}

void TestSampleDatabase::referentialIntegrity()
{
    QFETCH(QString, orphans);
    QCOMPARE(scalar(m_db, orphans).toLongLong(), 0);
}

void TestSampleDatabase::plausibleRows_data()
{
    QTest::addColumn<QString>("violations");
    QTest::newRow("product twice in one order")
        << "SELECT COUNT(*) FROM (SELECT order_id, product_id FROM order_items "
           "GROUP BY order_id, product_id HAVING COUNT(*) > 1)";
    QTest::newRow("shipped date only for shipped orders")
        << "SELECT COUNT(*) FROM orders WHERE (status = 'shipped') <> (shipped_date IS NOT NULL)";
    QTest::newRow("shipped before ordered") << "SELECT COUNT(*) FROM orders WHERE shipped_date < order_date";
    QTest::newRow("non-positive price") << "SELECT COUNT(*) FROM products WHERE unit_price <= 0";
    QTest::newRow("line price differs from list price")
        << "SELECT COUNT(*) FROM order_items i JOIN products p ON p.product_id = i.product_id "
           "WHERE i.unit_price <> p.unit_price";
    QTest::newRow("the boss reports to someone")
        << "SELECT COUNT(*) - 1 FROM employees WHERE reports_to IS NULL";
    QTest::newRow("view totals disagree with the lines")
        << "SELECT COUNT(*) FROM order_totals t WHERE ABS(t.total - (SELECT SUM(quantity * unit_price * "
           "(1 - discount)) FROM order_items i WHERE i.order_id = t.order_id)) > 0.006";
    QTest::newRow("revenue by product disagrees with revenue by order")
        << "SELECT ABS((SELECT SUM(revenue) FROM product_sales) - (SELECT SUM(total) FROM order_totals)) > 1";
}

void TestSampleDatabase::plausibleRows()
{
    QFETCH(QString, violations);
    QCOMPARE(scalar(m_db, violations).toLongLong(), 0);
}

void TestSampleDatabase::valuesRoundTrip_data()
{
    QTest::addColumn<QString>("query");
    // Names with a quote and non-ASCII letters survive literal escaping and the wide API.
    QTest::newRow("apostrophe") << "SELECT COUNT(*) FROM employees WHERE last_name = 'O''Brien'";
    QTest::newRow("umlaut") << QStringLiteral("SELECT COUNT(*) FROM customers WHERE city = 'Zürich'");
    QTest::newRow("a with ring") << QStringLiteral("SELECT COUNT(*) FROM customers WHERE city = 'København'");
    QTest::newRow("missing phone") << "SELECT COUNT(*) FROM customers WHERE phone IS NULL";
}

void TestSampleDatabase::valuesRoundTrip()
{
    QFETCH(QString, query);
    QVERIFY(scalar(m_db, query).toLongLong() > 0);
}

void TestSampleDatabase::deterministic()
{
    QTemporaryDir other;
    QVERIFY(other.isValid());
    const QString second = other.filePath(QStringLiteral("again.db"));
    QString error;
    QVERIFY2(SampleDatabase::create(second, &error), qPrintable(error));
    quarry::Connection again = openReadOnly(second);
    const QStringList first = dump(m_db);
    QCOMPARE(first.size(), 12 + 250 + 8 + 96 + 2000 + 6000);
    QCOMPARE(dump(again), first);
    again.Close();
}

void TestSampleDatabase::failureLeavesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    // Tests may run as root, so the unwritable places are ones nobody can write.
    QTest::newRow("folder under a regular file") << "file/sub/Sample.db"
                                                 << "Cannot create the folder";
    QTest::newRow("folder that refuses files") << "/proc/self/Sample.db"
                                               << "Cannot create the sample database";
    QTest::newRow("name taken by a folder") << "taken"
                                            << "Cannot create the sample database";
}

void TestSampleDatabase::failureLeavesNothing()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
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

void TestSampleDatabase::leftoverFromInterruptedStartIsRebuilt()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Sample.db"));
    QFile partial(SampleDatabase::partialPath(path));
    QVERIFY(partial.open(QIODevice::WriteOnly));
    partial.write("SQLite format 3\0 cut short", 26);
    partial.close();

    QString error;
    QVERIFY2(SampleDatabase::create(path, &error), qPrintable(error));
    QVERIFY(!leftovers(path));
    quarry::Connection db = openReadOnly(path);
    QCOMPARE(scalar(db, QStringLiteral("SELECT COUNT(*) FROM order_items")).toLongLong(), 6000);
    db.Close();
}

QTEST_GUILESS_MAIN(TestSampleDatabase)
#include "tst_sampledatabase.moc"
