#include "platform/db/ConnectionString.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace quarry::db {

namespace {

DatabaseError malformed(const QString& detail)
{
    return DatabaseError(
        QCoreApplication::translate(
            "Database",
            "Format of the initialization string does not follow the OLE DB connection-string format: %1")
            .arg(detail));
}

// Reads a value starting at `pos` (after '='); leaves `pos` on the ';' or end.
QString readValue(const QString& text, qsizetype& pos, const QString& key)
{
    const qsizetype n = text.size();
    while (pos < n && text[pos].isSpace())
        ++pos;
    if (pos >= n)
        return {};
    const QChar open = text[pos];
    if (open == u'\'' || open == u'"' || open == u'{') {
        const QChar close = open == u'{' ? QChar(u'}') : open;
        QString value;
        for (qsizetype i = pos + 1;; ++i) {
            if (i >= n)
                throw malformed(
                    QCoreApplication::translate("Database", "the value of \"%1\" has no closing %2")
                        .arg(key, close));
            if (text[i] == close) {
                if (i + 1 < n && text[i + 1] == close) { // doubled: a literal quote or brace
                    value += close;
                    ++i;
                    continue;
                }
                pos = i + 1;
                break;
            }
            value += text[i];
        }
        while (pos < n && text[pos].isSpace())
            ++pos;
        if (pos < n && text[pos] != u';')
            throw malformed(
                QCoreApplication::translate("Database", "unexpected text after the quoted value of \"%1\"")
                    .arg(key));
        return value;
    }
    const qsizetype end = text.indexOf(u';', pos);
    QString value = text.mid(pos, end < 0 ? -1 : end - pos).trimmed();
    pos = end < 0 ? n : end;
    return value;
}

bool startsWithCi(const QString& text, QLatin1StringView prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

} // namespace

std::pair<QString, QString> splitHostPort(const QString& dataSource)
{
    qsizetype comma = dataSource.lastIndexOf(u',');
    if (comma >= 0)
        return {dataSource.left(comma).trimmed(), dataSource.mid(comma + 1).trimmed()};
    if (dataSource.count(u':') == 1) {
        qsizetype colon = dataSource.indexOf(u':');
        return {dataSource.left(colon).trimmed(), dataSource.mid(colon + 1).trimmed()};
    }
    if (dataSource.startsWith(u'[')) {
        qsizetype close = dataSource.indexOf(u"]:");
        if (close > 0)
            return {dataSource.mid(1, close - 1), dataSource.mid(close + 2).trimmed()};
    }
    return {dataSource.trimmed(), {}};
}

namespace {

// The connector's own socket timeouts: a server that stops answering fails
// the read instead of holding it.
std::vector<std::pair<QString, QString>> mariaDbTimeouts(const OpenOptions& options)
{
    std::vector<std::pair<QString, QString>> items;
    if (options.TimeoutSeconds > 0)
        items.emplace_back(QStringLiteral("CONN_TIMEOUT"), QString::number(options.TimeoutSeconds));
    if (options.CommandSeconds > 0)
        for (const char* key : {"READ_TIMEOUT", "WRITE_TIMEOUT"})
            items.emplace_back(QLatin1StringView(key), QString::number(options.CommandSeconds));
    return items;
}

struct ProviderRule
{
    DbmsKind Kind;
    const char* Driver; // nullptr: the string goes to the driver manager as it stands
};

std::optional<ProviderRule> providerRule(const QString& provider)
{
    // Version suffixes (".1", ".2") do not change the provider.
    QString base = provider.trimmed();
    const qsizetype dot = base.lastIndexOf(u'.');
    if (dot > 0 && dot + 1 < base.size() &&
        std::all_of(base.begin() + dot + 1, base.end(), [](QChar c) { return c.isDigit(); }))
        base.truncate(dot);
    if (base.isEmpty() || base.compare(u"MSDASQL", Qt::CaseInsensitive) == 0)
        return ProviderRule{DbmsKind::Other, nullptr};
    if (startsWithCi(base, QLatin1StringView("SQLite")))
        return ProviderRule{DbmsKind::SQLite, "SQLite3"};
    if (startsWithCi(base, QLatin1StringView("PostgreSQL")) || startsWithCi(base, QLatin1StringView("PGNP")))
        return ProviderRule{DbmsKind::PostgreSQL, "PostgreSQL Unicode"};
    if (base.contains(u"MySql", Qt::CaseInsensitive) || base.contains(u"MariaDB", Qt::CaseInsensitive))
        return ProviderRule{DbmsKind::MariaDB, "MariaDB Unicode"};
    if (base.compare(u"SQLOLEDB", Qt::CaseInsensitive) == 0 ||
        startsWithCi(base, QLatin1StringView("SQLNCLI")) ||
        startsWithCi(base, QLatin1StringView("MSOLEDBSQL")))
        return ProviderRule{DbmsKind::SqlServer, "FreeTDS"};
    return std::nullopt;
}

bool isKey(const ConnectionItem& item, const char* key)
{
    return item.Key.compare(QLatin1StringView(key), Qt::CaseInsensitive) == 0;
}

bool isWellKnown(const ConnectionItem& item)
{
    return isKey(item, "Provider") || isKey(item, "Data Source") || isKey(item, "Initial Catalog") ||
           isKey(item, "User ID") || isKey(item, "Password");
}

// A file path as an SQLite URI that opens it read-only.
QString readOnlySqliteUri(const QString& path)
{
    if (path.startsWith(u"file:", Qt::CaseInsensitive))
        return path + (path.contains(u'?') ? QStringLiteral("&mode=ro") : QStringLiteral("?mode=ro"));
    if (path.isEmpty() || path == u":memory:")
        return path;
    QString uri = QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
    return uri.replace(u';', QStringLiteral("%3B")) + QStringLiteral("?mode=ro");
}

ProviderRule requireProvider(const QString& provider, const QStringList& installedDrivers)
{
    auto notFound = [&](const QString& why) {
        QString text = QCoreApplication::translate(
                           "Database", "Provider \"%1\" cannot be found. It may not be properly installed.%2")
                           .arg(provider, why);
        Errors errors;
        errors.Append({QStringLiteral("IM002"), 0, text});
        return DatabaseError(text, std::move(errors));
    };
    auto rule = providerRule(provider);
    if (!rule)
        throw notFound({});
    if (rule->Driver && !installedDrivers.contains(QLatin1StringView(rule->Driver), Qt::CaseInsensitive))
        throw notFound(QCoreApplication::translate("Database", " (ODBC driver \"%1\" is not installed)")
                           .arg(QLatin1StringView(rule->Driver)));
    return *rule;
}

} // namespace

std::vector<ConnectionItem> parseConnectionString(const QString& text)
{
    std::vector<ConnectionItem> items;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        if (text[pos] == u';' || text[pos].isSpace()) {
            ++pos;
            continue;
        }
        const qsizetype begin = pos;
        // "==" inside a key stands for a literal '='.
        QString key;
        bool found = false;
        for (; pos < n; ++pos) {
            if (text[pos] == u'=') {
                if (pos + 1 < n && text[pos + 1] == u'=') {
                    key += u'=';
                    ++pos;
                    continue;
                }
                found = true;
                ++pos;
                break;
            }
            if (text[pos] == u';')
                break;
            key += text[pos];
        }
        key = key.trimmed();
        if (!found || key.isEmpty())
            throw malformed(key.isEmpty()
                                ? QCoreApplication::translate("Database", "an item has no key")
                                : QCoreApplication::translate("Database", "\"%1\" has no value").arg(key));
        QString value = readValue(text, pos, key);
        items.push_back({key, value, begin, pos});
    }
    return items;
}

std::optional<QString> findItem(const std::vector<ConnectionItem>& items, const QString& key)
{
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        if (it->Key.compare(key, Qt::CaseInsensitive) == 0)
            return it->Value;
    return std::nullopt;
}

QString odbcItem(const QString& key, const QString& value)
{
    static const QString special = QStringLiteral(";{}= ");
    bool brace = value != value.trimmed();
    for (QChar c : value)
        brace = brace || special.contains(c);
    if (!brace)
        return key + u'=' + value;
    QString escaped = value;
    escaped.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return key + QStringLiteral("={") + escaped + u'}';
}

DbmsKind kindFromProvider(const QString& provider)
{
    const std::optional<ProviderRule> rule = providerRule(provider);
    return rule ? rule->Kind : DbmsKind::Other;
}

DbmsKind kindFromDriverName(const QString& driver)
{
    if (driver.contains(u"SQLite", Qt::CaseInsensitive))
        return DbmsKind::SQLite;
    if (driver.contains(u"PostgreSQL", Qt::CaseInsensitive) || driver.contains(u"psql", Qt::CaseInsensitive))
        return DbmsKind::PostgreSQL;
    if (driver.contains(u"MariaDB", Qt::CaseInsensitive) || driver.contains(u"MySQL", Qt::CaseInsensitive))
        return DbmsKind::MariaDB;
    if (driver.contains(u"FreeTDS", Qt::CaseInsensitive) ||
        driver.contains(u"SQL Server", Qt::CaseInsensitive))
        return DbmsKind::SqlServer;
    return DbmsKind::Other;
}

QString identifierQuoteFor(const QString& connectionString)
{
    DbmsKind kind = DbmsKind::Other;
    try {
        const auto items = parseConnectionString(connectionString);
        kind = kindFromProvider(findItem(items, QStringLiteral("Provider")).value_or(QString()));
        if (kind == DbmsKind::Other)
            kind = kindFromDriverName(findItem(items, QStringLiteral("Driver")).value_or(QString()));
    } catch (const DatabaseError&) {
    }
    switch (kind) {
    case DbmsKind::MariaDB:
        return QStringLiteral("`");
    case DbmsKind::SqlServer:
        return QStringLiteral("[");
    default:
        return QStringLiteral("\"");
    }
}

OdbcTarget translateConnectionString(const QString& connectionString, const OpenOptions& options,
                                     const QStringList& installedDrivers)
{
    // A NUL ends the text the driver reads: whatever follows it, the
    // read-only items appended below included, would be dropped unseen.
    for (const auto& [text, what] :
         {std::pair{&connectionString,
                    QT_TRANSLATE_NOOP("Database", "The connection string contains a NUL "
                                                  "character, which no driver can be given.")},
          std::pair{&options.UserId,
                    QT_TRANSLATE_NOOP(
                        "Database", "The user name contains a NUL character, which no driver can be given.")},
          std::pair{&options.Password,
                    QT_TRANSLATE_NOOP(
                        "Database", "The password contains a NUL character, which no driver can be given.")}})
        if (text->contains(QChar(u'\0')))
            throw DatabaseError(QCoreApplication::translate("Database", what));
    const auto items = parseConnectionString(connectionString);
    if (items.empty())
        throw malformed(QCoreApplication::translate("Database", "the connection string is empty"));
    // Written for the driver as "==", such a key would split its own item,
    // and the braces around its value would no longer protect a ';'.
    for (const ConnectionItem& item : items)
        if (item.Key.contains(u'='))
            throw malformed(
                QCoreApplication::translate("Database", "the key \"%1\" contains '='").arg(item.Key));

    OdbcTarget target;
    const auto provider = findItem(items, QStringLiteral("Provider"));
    target.Provider = provider ? *provider : QStringLiteral("MSDASQL");
    const ProviderRule rule = requireProvider(target.Provider, installedDrivers);
    target.Kind = rule.Kind;
    const bool readOnly = options.Mode == adModeRead;

    QStringList out;
    if (!rule.Driver) {
        // Raw ODBC: the text as written, without the Provider item. ODBC
        // values are not re-quoted: quotes in them are the user's.
        QString raw = connectionString;
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            if (!isKey(*it, "Provider"))
                continue;
            const qsizetype end = it->End < raw.size() && raw[it->End] == u';' ? it->End + 1 : it->End;
            raw.remove(it->Begin, end - it->Begin);
        }
        while (!raw.isEmpty() && (raw.back() == u';' || raw.back().isSpace()))
            raw.chop(1);
        while (!raw.isEmpty() && (raw.front() == u';' || raw.front().isSpace()))
            raw.remove(0, 1);
        out << raw;
        const QString driver = findItem(items, QStringLiteral("Driver")).value_or(QString());
        target.Kind = kindFromDriverName(driver);
        if (target.Kind == DbmsKind::MariaDB)
            for (const auto& [key, value] : mariaDbTimeouts(options))
                if (!findItem(items, key))
                    out << odbcItem(key, value);
        if (target.Kind == DbmsKind::PostgreSQL) {
            for (const char* key : {"CommLog", "Debug"})
                if (!findItem(items, QLatin1StringView(key)))
                    out << QLatin1StringView(key) + QStringLiteral("=0");
            target.DriverLogOff = !findItem(items, QStringLiteral("CommLog"));
        }
        target.ReadOnlyAfterConnect = readOnly;
        target.OdbcString = out.join(u';');
        return target;
    }

    target.Driver = QLatin1StringView(rule.Driver);
    out << odbcItem(QStringLiteral("Driver"), target.Driver);
    const QString dataSource = findItem(items, QStringLiteral("Data Source")).value_or(QString());
    const auto catalog = findItem(items, QStringLiteral("Initial Catalog"));
    QString user = findItem(items, QStringLiteral("User ID")).value_or(QString());
    QString password = findItem(items, QStringLiteral("Password")).value_or(QString());
    if (!options.UserId.isEmpty())
        user = options.UserId;
    if (!options.Password.isEmpty())
        password = options.Password;
    auto given = [&](const char* key) { return findItem(items, QLatin1StringView(key)).has_value(); };
    // Driver defaults chosen here yield to the same key written in the string.
    auto addDefault = [&](const char* key, const QString& value) {
        if (!given(key))
            out << odbcItem(QLatin1StringView(key), value);
    };

    if (rule.Kind == DbmsKind::SQLite) {
        // The SQLite driver takes values up to the next ';' literally: braces would become part of the path.
        const QString database = readOnly ? readOnlySqliteUri(dataSource) : dataSource;
        if (database.contains(u';'))
            throw DatabaseError(
                QCoreApplication::translate("Database",
                                            "The SQLite driver cannot open \"%1\": the path contains ';'.")
                    .arg(dataSource));
        out << QStringLiteral("Database=") + database;
    } else {
        auto [host, port] = splitHostPort(dataSource);
        if (!host.isEmpty())
            out << odbcItem(QStringLiteral("Server"), host);
        if (!port.isEmpty() && !given("Port"))
            out << odbcItem(QStringLiteral("Port"), port);
        if (catalog)
            out << odbcItem(QStringLiteral("Database"), *catalog);
        if (!user.isEmpty())
            out << odbcItem(QStringLiteral("UID"), user);
        if (!password.isEmpty())
            out << odbcItem(QStringLiteral("PWD"), password);
    }

    if (rule.Kind == DbmsKind::PostgreSQL) {
        // Through the wide API psqlODBC reports text as a long type and
        // booleans as char(1); ordinary columns should look ordinary. bytea
        // stays a long binary like other databases' blobs.
        addDefault("TextAsLongVarchar", QStringLiteral("0"));
        addDefault("BoolsAsChar", QStringLiteral("0"));
        addDefault("ByteaAsLongVarBinary", QStringLiteral("1"));
        // Rows are fetched in blocks instead of the whole result at once.
        addDefault("UseDeclareFetch", QStringLiteral("1"));
        // Past 255 characters the driver calls a varchar long text, and
        // field lists leave long text out: every varchar stays a varchar.
        addDefault("MaxVarcharSize", QStringLiteral("10485760"));
        // Debian registers the driver with its communication log on, which
        // leaves a psqlodbc_*.log in the temporary folder for every connection.
        target.DriverLogOff = !given("CommLog");
        addDefault("CommLog", QStringLiteral("0"));
        addDefault("Debug", QStringLiteral("0"));
    }
    if (rule.Kind == DbmsKind::MariaDB)
        for (const auto& [key, value] : mariaDbTimeouts(options))
            if (!findItem(items, key))
                out << odbcItem(key, value);
    // A database another program holds locked is waited for this long (the driver's default is 100 s).
    if (rule.Kind == DbmsKind::SQLite && options.CommandSeconds > 0)
        addDefault("Timeout", QString::number(options.CommandSeconds * 1000));
    // Without these both drivers read the whole result during execute. SQLite's
    // statements interleave in step mode as well: every connection has it.
    if (rule.Kind == DbmsKind::SQLite)
        addDefault("StepAPI", QStringLiteral("1"));
    if (options.Streaming && rule.Kind == DbmsKind::MariaDB) {
        addDefault("FORWARDONLY", QStringLiteral("1"));
        addDefault("NO_CACHE", QStringLiteral("1"));
    }
    // Without a fixed protocol version FreeTDS negotiates down through every
    // version and ignores the login timeout against a silent server.
    if (rule.Kind == DbmsKind::SqlServer)
        addDefault("TDS_Version", QStringLiteral("7.4"));

    std::optional<QString> pqopt;
    for (const auto& item : items) {
        if (isWellKnown(item))
            continue;
        if (readOnly && rule.Kind == DbmsKind::PostgreSQL && isKey(item, "pqopt")) {
            pqopt = item.Value;
            continue;
        }
        out << odbcItem(item.Key, item.Value);
    }

    if (readOnly) {
        if (rule.Kind == DbmsKind::PostgreSQL) {
            const QString option = QStringLiteral("options='-c default_transaction_read_only=on'");
            // Braced, as psqlODBC documents it.
            QString value = pqopt ? *pqopt + u' ' + option : option;
            out << QStringLiteral("pqopt={") + value.replace(QStringLiteral("}"), QStringLiteral("}}")) +
                       u'}';
        } else if (rule.Kind == DbmsKind::MariaDB) {
            // A user's own InitStmt would replace ours; enforce after connecting then.
            if (given("InitStmt"))
                target.ReadOnlyAfterConnect = true;
            else
                out << odbcItem(QStringLiteral("InitStmt"),
                                QStringLiteral("SET SESSION TRANSACTION READ ONLY"));
        }
        // SQL Server has no session-wide read-only switch; FreeTDS connections stay writable.
    }
    target.OdbcString = out.join(u';');
    return target;
}

QStringList splitQualifiedName(const QString& text)
{
    QStringList parts;
    const QString t = text.trimmed();
    qsizetype i = 0;
    while (i <= t.size()) {
        QString part;
        if (i < t.size() && (t[i] == u'"' || t[i] == u'`' || t[i] == u'[' || t[i] == u'\'')) {
            const QChar close = t[i] == u'[' ? QChar(u']') : t[i];
            ++i;
            while (i < t.size()) {
                if (t[i] == close) {
                    if (i + 1 < t.size() && t[i + 1] == close) {
                        part += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                part += t[i++];
            }
            while (i < t.size() && t[i] != u'.')
                ++i;
        } else {
            while (i < t.size() && t[i] != u'.')
                part += t[i++];
            part = part.trimmed();
        }
        parts << part;
        ++i; // past the '.'
    }
    return parts;
}

} // namespace quarry::db
