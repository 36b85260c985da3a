#include "app/SampleDatabase.h"

#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <quarry/Database.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dabrook {

namespace {

constexpr quint32 Seed = 20240611;
constexpr int Employees = 12;
constexpr int Categories = 8;
constexpr int Products = 96;
constexpr int Customers = 250;
constexpr int Orders = 2000;
// SQLite caps a VALUES list at 500 rows; fewer keeps each statement small.
constexpr int RowsPerInsert = 200;

const QDate FirstDay(2022, 1, 3);

// Statements go through the database layer's recordset: one without a result
// set executes and leaves it closed.
void exec(const quarry::Connection& connection, const QString& sql)
{
    quarry::Recordset rs;
    rs.Open(sql, connection);
    if (rs.State() == quarry::adStateOpen)
        rs.Close();
}

QString literal(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'f', 2);
    case QMetaType::QDate:
        return QLatin1Char('\'') + value.toDate().toString(Qt::ISODate) + QLatin1Char('\'');
    default: {
        QString text = value.toString();
        text.replace(QLatin1Char('\''), QLatin1String("''"));
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    }
    }
}

// Collects rows for one table and writes them as multi-row INSERTs.
class Inserter
{
public:
    Inserter(const quarry::Connection& connection, QString table, QStringList columns)
        : m_connection(connection)
        , m_head(QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(table, columns.join(QLatin1String(", "))))
    {}
    ~Inserter() = default;

    void add(std::initializer_list<QVariant> values)
    {
        QStringList cells;
        cells.reserve(qsizetype(values.size()));
        for (const QVariant& v : values)
            cells << literal(v);
        m_rows << QLatin1Char('(') + cells.join(QLatin1String(", ")) + QLatin1Char(')');
        if (m_rows.size() == RowsPerInsert)
            flush();
    }

    void flush()
    {
        if (m_rows.isEmpty())
            return;
        exec(m_connection, m_head + m_rows.join(QLatin1String(",\n")));
        m_rows.clear();
    }

private:
    const quarry::Connection& m_connection;
    QString m_head;
    QStringList m_rows;
};

const char* const Schema[] = {
    R"(CREATE TABLE employees (
    employee_id INTEGER PRIMARY KEY,
    first_name VARCHAR(40) NOT NULL,
    last_name VARCHAR(40) NOT NULL,
    title VARCHAR(60) NOT NULL,
    reports_to INTEGER REFERENCES employees (employee_id),
    hire_date DATE NOT NULL,
    email VARCHAR(80) NOT NULL UNIQUE))",
    R"(CREATE TABLE customers (
    customer_id INTEGER PRIMARY KEY,
    company_name VARCHAR(80) NOT NULL,
    contact_name VARCHAR(80) NOT NULL,
    city VARCHAR(40) NOT NULL,
    country VARCHAR(40) NOT NULL,
    phone VARCHAR(24),
    support_rep_id INTEGER NOT NULL REFERENCES employees (employee_id),
    since DATE NOT NULL))",
    R"(CREATE TABLE categories (
    category_id INTEGER PRIMARY KEY,
    name VARCHAR(40) NOT NULL UNIQUE,
    description VARCHAR(200) NOT NULL))",
    R"(CREATE TABLE products (
    product_id INTEGER PRIMARY KEY,
    name VARCHAR(80) NOT NULL,
    category_id INTEGER NOT NULL REFERENCES categories (category_id),
    unit_price DECIMAL(10,2) NOT NULL,
    units_in_stock INTEGER NOT NULL,
    discontinued INTEGER NOT NULL DEFAULT 0))",
    R"(CREATE TABLE orders (
    order_id INTEGER PRIMARY KEY,
    customer_id INTEGER NOT NULL REFERENCES customers (customer_id),
    employee_id INTEGER NOT NULL REFERENCES employees (employee_id),
    order_date DATE NOT NULL,
    shipped_date DATE,
    status VARCHAR(12) NOT NULL))",
    R"(CREATE TABLE order_items (
    order_id INTEGER NOT NULL REFERENCES orders (order_id),
    line_no INTEGER NOT NULL,
    product_id INTEGER NOT NULL REFERENCES products (product_id),
    quantity INTEGER NOT NULL CHECK (quantity > 0),
    unit_price DECIMAL(10,2) NOT NULL,
    discount DECIMAL(4,2) NOT NULL DEFAULT 0,
    PRIMARY KEY (order_id, line_no)))",
    "CREATE INDEX orders_customer ON orders (customer_id)",
    "CREATE INDEX order_items_product ON order_items (product_id)",
    R"(CREATE VIEW order_totals AS
SELECT o.order_id, c.company_name AS customer, o.order_date, o.status,
       COUNT(i.line_no) AS lines,
       ROUND(SUM(i.quantity * i.unit_price * (1 - i.discount)), 2) AS total
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
JOIN order_items i ON i.order_id = o.order_id
GROUP BY o.order_id, c.company_name, o.order_date, o.status)",
    R"(CREATE VIEW product_sales AS
SELECT p.product_id, p.name AS product, g.name AS category,
       COALESCE(SUM(i.quantity), 0) AS units_sold,
       ROUND(COALESCE(SUM(i.quantity * i.unit_price * (1 - i.discount)), 0), 2) AS revenue
FROM products p
JOIN categories g ON g.category_id = p.category_id
LEFT JOIN order_items i ON i.product_id = p.product_id
GROUP BY p.product_id, p.name, g.name)",
};

const std::array FirstNames = {"Anna",  "Ben",   "Carla", "David", "Elif", "Frank", "Greta", "Hiro",  "Ines",
                               "Jonas", "Katja", "Luis",  "Maya",  "Nils", "Olga",  "Pedro", "Quinn", "Rosa",
                               "Sven",  "Tara",  "Umar",  "Vera",  "Wim",  "Yara",  "Zoe"};
const std::array LastNames = {"Adler",   "Brandt", "Costa",   "Dubois", "Eriksen", "Fischer", "Garcia",
                              "Hansen",  "Ito",    "Jensen",  "Kowal",  "Larsen",  "Moreau",  "Novak",
                              "O'Brien", "Petrov", "Quiroga", "Rossi",  "Schmidt", "Tanaka",  "Weber"};
const std::array Cities = {
    std::pair{"Berlin", "Germany"}, std::pair{"Hamburg", "Germany"},    std::pair{"Lyon", "France"},
    std::pair{"Paris", "France"},   std::pair{"Madrid", "Spain"},       std::pair{"Porto", "Portugal"},
    std::pair{"Milano", "Italy"},   std::pair{"Wien", "Austria"},       std::pair{"Zürich", "Switzerland"},
    std::pair{"Oslo", "Norway"},    std::pair{"København", "Denmark"},  std::pair{"Kraków", "Poland"},
    std::pair{"Dublin", "Ireland"}, std::pair{"Leeds", "UK"},           std::pair{"Boston", "USA"},
    std::pair{"Seattle", "USA"},    std::pair{"Toronto", "Canada"},     std::pair{"São Paulo", "Brazil"},
    std::pair{"Osaka", "Japan"},    std::pair{"Melbourne", "Australia"}};
const std::array CompanyWords = {"North",   "Blue",   "Iron",   "Silver",  "Green",
                                 "Cedar",   "Harbor", "Summit", "Maple",   "Falcon",
                                 "Granite", "Willow", "Orbit",  "Lantern", "Pioneer"};
const std::array CompanyKinds = {"Trading", "Supplies", "Foods",     "Outfitters", "Markets",
                                 "& Sons",  "Imports",  "Wholesale", "Goods",      "Co."};
const std::array Titles = {"Sales Representative", "Sales Representative", "Senior Sales Representative",
                           "Account Manager", "Inside Sales Coordinator"};

struct Category
{
    const char* Name;
    const char* Description;
    std::array<const char*, 4> Kinds;
    int MinCents;
    int MaxCents;
};

const std::array<Category, Categories> CategoryData = {{
    {"Beverages",
     "Coffee, tea, juices and soft drinks",
     {"Coffee", "Tea", "Lemonade", "Cold Brew"},
     250,
     2400},
    {"Bakery", "Breads, cakes and pastries", {"Sourdough", "Croissant", "Rye Loaf", "Pretzel"}, 120, 1800},
    {"Dairy", "Cheese, milk and yoghurt", {"Gouda", "Yoghurt", "Butter", "Brie"}, 180, 3200},
    {"Produce", "Fresh and dried fruit and vegetables", {"Apples", "Dates", "Tomatoes", "Figs"}, 90, 1500},
    {"Pantry", "Sauces, spices and preserves", {"Mustard", "Olive Oil", "Paprika", "Honey"}, 200, 4200},
    {"Seafood", "Fresh, smoked and canned fish", {"Salmon", "Anchovies", "Herring", "Crab"}, 400, 6400},
    {"Confections",
     "Chocolate, sweets and biscuits",
     {"Truffles", "Toffee", "Nougat", "Shortbread"},
     150,
     2800},
    {"Grains", "Rice, pasta and cereals", {"Basmati", "Penne", "Oats", "Couscous"}, 110, 1200},
}};
const std::array ProductStyles = {"Classic",   "Organic", "Smoked", "Premium", "Mild", "Family Pack",
                                  "Farmhouse", "Spiced",  "Light",  "Reserve", "Wild", "Select"};
const std::array Statuses = {"shipped", "shipped", "shipped", "shipped",
                             "shipped", "shipped", "pending", "cancelled"};

template <typename Array> auto pick(QRandomGenerator& rng, const Array& array)
{
    return array[rng.bounded(int(array.size()))];
}

void generate(const quarry::Connection& db)
{
    QRandomGenerator rng(Seed);

    {
        Inserter ins(db, QStringLiteral("employees"),
                     {"employee_id", "first_name", "last_name", "title", "reports_to", "hire_date", "email"});
        for (int id = 1; id <= Employees; ++id) {
            const QString first = QString::fromUtf8(FirstNames[size_t(id - 1) * 2 % FirstNames.size()]);
            const QString last = QString::fromUtf8(LastNames[size_t(id - 1) * 5 % LastNames.size()]);
            QString title;
            QVariant reportsTo;
            if (id == 1) {
                title = QStringLiteral("Managing Director");
            } else if (id <= 3) {
                title = QStringLiteral("Sales Manager");
                reportsTo = 1;
            } else {
                title = QString::fromUtf8(pick(rng, Titles));
                reportsTo = 2 + (id % 2);
            }
            const QString email = QStringLiteral("%1.%2@dabrook.example")
                                      .arg(first.toLower(), last.toLower().remove(QLatin1Char('\'')));
            // Seniority follows the ids: the director joined first.
            const QDate hired = FirstDay.addDays(-3300 + id * 240 + rng.bounded(120));
            ins.add({id, first, last, title, reportsTo, hired, email});
        }
        ins.flush();
    }
    {
        Inserter ins(db, QStringLiteral("customers"),
                     {"customer_id", "company_name", "contact_name", "city", "country", "phone",
                      "support_rep_id", "since"});
        for (int id = 1; id <= Customers; ++id) {
            const auto [city, country] = pick(rng, Cities);
            // Two different words: "North North Trading" reads like a typo.
            const int first = rng.bounded(int(CompanyWords.size()));
            const int second =
                (first + 1 + rng.bounded(int(CompanyWords.size()) - 1)) % int(CompanyWords.size());
            const QString company = QStringLiteral("%1 %2 %3")
                                        .arg(QString::fromUtf8(CompanyWords[size_t(first)]),
                                             QString::fromUtf8(CompanyWords[size_t(second)]),
                                             QString::fromUtf8(pick(rng, CompanyKinds)));
            const QString contact = QStringLiteral("%1 %2").arg(QString::fromUtf8(pick(rng, FirstNames)),
                                                                QString::fromUtf8(pick(rng, LastNames)));
            // Some customers never gave a number.
            QVariant phone;
            if (rng.bounded(10) != 0)
                phone = QStringLiteral("+%1 %2 %3")
                            .arg(rng.bounded(10, 99))
                            .arg(rng.bounded(100, 999))
                            .arg(rng.bounded(100000, 999999));
            ins.add({id, company, contact, QString::fromUtf8(city), QString::fromUtf8(country), phone,
                     rng.bounded(4, Employees + 1), FirstDay.addDays(-rng.bounded(1500))});
        }
        ins.flush();
    }
    std::array<std::pair<int, int>, Categories> priceRange{};
    {
        Inserter ins(db, QStringLiteral("categories"), {"category_id", "name", "description"});
        for (int id = 1; id <= Categories; ++id) {
            const Category& c = CategoryData[size_t(id - 1)];
            ins.add({id, QString::fromUtf8(c.Name), QString::fromUtf8(c.Description)});
            priceRange[size_t(id - 1)] = {c.MinCents, c.MaxCents};
        }
        ins.flush();
    }
    std::vector<int> productCents(Products + 1);
    {
        Inserter ins(db, QStringLiteral("products"),
                     {"product_id", "name", "category_id", "unit_price", "units_in_stock", "discontinued"});
        for (int id = 1; id <= Products; ++id) {
            const int category = 1 + (id - 1) % Categories;
            const Category& c = CategoryData[size_t(category - 1)];
            const QString name = QStringLiteral("%1 %2").arg(QString::fromUtf8(pick(rng, ProductStyles)),
                                                             QString::fromUtf8(pick(rng, c.Kinds)));
            const int cents =
                rng.bounded(priceRange[size_t(category - 1)].first, priceRange[size_t(category - 1)].second);
            productCents[size_t(id)] = cents;
            ins.add({id, name, category, cents / 100.0, rng.bounded(0, 400), rng.bounded(12) == 0 ? 1 : 0});
        }
        ins.flush();
    }
    {
        Inserter orders(db, QStringLiteral("orders"),
                        {"order_id", "customer_id", "employee_id", "order_date", "shipped_date", "status"});
        Inserter items(db, QStringLiteral("order_items"),
                       {"order_id", "line_no", "product_id", "quantity", "unit_price", "discount"});
        for (int id = 1; id <= Orders; ++id) {
            const QDate ordered = FirstDay.addDays(id * 730 / Orders);
            const QString status = QString::fromUtf8(pick(rng, Statuses));
            QVariant shipped;
            if (status == QLatin1String("shipped"))
                shipped = ordered.addDays(rng.bounded(1, 12));
            orders.add(
                {id, rng.bounded(1, Customers + 1), rng.bounded(4, Employees + 1), ordered, shipped, status});

            // Distinct products per order: a random start and a stride coprime to the count.
            // The line count cycles 1, 4, 2, 5, 3 so that the total is fixed.
            const int lines = 1 + (id * 3) % 5;
            const int start = rng.bounded(Products);
            const int stride = 7 + 2 * rng.bounded(3); // 7, 9 or 11 — none divides 96
            for (int line = 1; line <= lines; ++line) {
                const int product = 1 + (start + (line - 1) * stride) % Products;
                const double discount = rng.bounded(5) == 0 ? 0.05 * rng.bounded(1, 4) : 0.0;
                items.add(
                    {id, line, product, rng.bounded(1, 25), productCents[size_t(product)] / 100.0, discount});
            }
        }
        orders.flush();
        items.flush();
    }
}

void removeQuietly(const QString& file)
{
    QFile::remove(file);
    QFile::remove(file + QLatin1String("-journal"));
    QFile::remove(file + QLatin1String("-wal"));
    QFile::remove(file + QLatin1String("-shm"));
}

QString describe(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const quarry::DatabaseError*>(&e))
        return db->Description();
    return QString::fromLocal8Bit(e.what());
}

void fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

QString SampleDatabase::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("Sample.db"));
}

QString SampleDatabase::connectionString(const QString& path)
{
    return QStringLiteral("Provider=SQLite;Data Source=%1").arg(QDir::toNativeSeparators(path));
}

QString SampleDatabase::partialPath(const QString& path)
{
    return path + QLatin1String(".partial");
}

bool SampleDatabase::create(const QString& path, QString* error)
{
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath())) {
        fail(error, QStringLiteral("Cannot create the folder %1 for the sample database.")
                        .arg(QDir::toNativeSeparators(target.absolutePath())));
        return false;
    }

    // A leftover from an interrupted start is never trusted: build afresh.
    const QString partial = partialPath(target.absoluteFilePath());
    removeQuietly(partial);

    quarry::Connection db;
    bool inTransaction = false;
    try {
        db.setMode(quarry::adModeReadWrite);
        db.Open(connectionString(partial));
        // The driver commits every statement on its own; one explicit
        // transaction turns thousands of file syncs into one.
        exec(db, QStringLiteral("PRAGMA foreign_keys = ON"));
        exec(db, QStringLiteral("BEGIN"));
        inTransaction = true;
        // Orders and their lines are written in interleaved batches; the keys
        // are checked once, at COMMIT.
        exec(db, QStringLiteral("PRAGMA defer_foreign_keys = ON"));
        for (const char* statement : Schema)
            exec(db, QString::fromUtf8(statement));
        generate(db);
        exec(db, QStringLiteral("COMMIT"));
        inTransaction = false;

        quarry::Recordset check;
        check.Open(QStringLiteral("PRAGMA foreign_key_check"), db);
        bool broken = false;
        if (check.State() == quarry::adStateOpen) {
            broken = !check.AtEOF();
            check.Close();
        }
        if (broken)
            throw quarry::DatabaseError(QStringLiteral("The generated rows break a foreign key."));
        db.Close();
    } catch (const std::exception& e) {
        if (inTransaction) {
            try {
                exec(db, QStringLiteral("ROLLBACK"));
            } catch (const std::exception&) {
                // The file is removed below anyway.
            }
        }
        try {
            db.Close();
        } catch (const std::exception&) {
        }
        removeQuietly(partial);
        fail(error, QStringLiteral("Cannot create the sample database %1: %2")
                        .arg(QDir::toNativeSeparators(path), describe(e)));
        return false;
    }

    // rename(2) replaces the name in one step, so the file under the real name
    // is always complete.
    if (std::rename(QFile::encodeName(partial).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        removeQuietly(partial);
        fail(error, QStringLiteral("Cannot create the sample database %1: %2")
                        .arg(QDir::toNativeSeparators(path), reason));
        return false;
    }
    return true;
}

bool registerSampleDataSource(const QString& path, QString* error)
{
    const QString procedure = QStringLiteral("registerSampleDataSource");
    // Before the control's Init has run, the file's place is not known yet;
    // Read_INI later puts it in the same place.
    QString& file = Glob::Options().strDataSourceFile;
    if (file.isEmpty())
        file = Glob::DefaultDataSourceFile();

    const bool loaded = Glob::Get_DataSources();
    const Glob::DataSourceTable& table = Glob::aDataSources();
    if (std::any_of(table.begin() + 1, table.end(),
                    [](const Glob::DataSource& row) { return !row[Glob::dsID].isEmpty(); }))
        return true; // the user has data sources of their own
    if (!loaded) {
        fail(error,
             QStringLiteral("Cannot add the data source \"Sample\": the data-source file %1 cannot be read.")
                 .arg(QDir::toNativeSeparators(file)));
        return false;
    }

    if (!Glob::Add_DataSource(QStringLiteral("Sample"), SampleDatabase::connectionString(path),
                              QStringLiteral("Sample order-processing database (SQLite)"),
                              QStringLiteral("\""), procedure)) {
        fail(error, QStringLiteral("Cannot add the data source \"Sample\": the data-source list is full."));
        return false;
    }

    if (!Glob::Save_DataSources()) {
        Glob::aDataSources()[Glob::lngDataSourceCount()][Glob::dsID].clear();
        fail(error, QStringLiteral(
                        "Cannot add the data source \"Sample\": the data-source file %1 cannot be written.")
                        .arg(QDir::toNativeSeparators(file)));
        return false;
    }
    return true;
}

} // namespace dabrook
