#include "BenchSupport.h"

#include "platform/LibraryLocation.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace bench {

Arguments parseArguments(const QStringList& arguments, int defaultRepeat)
{
    Arguments parsed;
    parsed.repeat = defaultRepeat;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--repeat") && i + 1 < arguments.size())
            parsed.repeat = qMax(1, arguments[++i].toInt());
        else
            parsed.wanted << arguments[i].toLower();
    }
    return parsed;
}

QString postgresql(const QString& database)
{
    return QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1;Initial Catalog=%1;User ID=root")
        .arg(database);
}

QString mariadb(const QString& database)
{
    return QStringLiteral("Provider=MariaDB;Data Source=127.0.0.1;Initial Catalog=%1;User ID=root")
        .arg(database);
}

void run(quarry::Connection& c, const QString& sql)
{
    quarry::Recordset rs;
    rs.Open(sql, c);
}

qlonglong scalar(quarry::Connection& c, const QString& sql)
{
    quarry::Recordset rs;
    rs.Open(sql, c);
    return rs.AtEOF() ? -1 : rs.Fields(0).Value.toLongLong();
}

BareConnection::BareConnection(const QString& odbc)
{
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
    std::u16string text = odbc.toStdU16String();
    m_connected = SQL_SUCCEEDED(SQLDriverConnectW(m_dbc, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                                  SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
}

BareConnection::~BareConnection()
{
    if (m_connected)
        SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

void ensurePostgresDatabase(const QString& name)
{
    quarry::Connection c;
    c.Open(postgresql(QStringLiteral("test")));
    if (scalar(c, QStringLiteral("SELECT COUNT(*) FROM pg_database WHERE datname = '%1'").arg(name)) == 0)
        run(c, QStringLiteral("CREATE DATABASE %1").arg(name));
}

quarry::platform::MsgResult PrintedPrompts::MsgBox(const QString& text, quarry::platform::MsgButtons,
                                                   quarry::platform::MsgIcon, const QString& title)
{
    std::printf("  [%s] %s\n", qPrintable(title), qPrintable(QString(text).simplified()));
    return quarry::platform::MsgResult::Cancel;
}

QString PrintedPrompts::InputBox(const QString& prompt, const QString&, const QString&)
{
    std::printf("  [input] %s\n", qPrintable(prompt));
    return {};
}

Sandbox::Sandbox()
{
    const QByteArray home = QFile::encodeName(m_dir.path());
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    QDir(m_dir.path()).mkdir(QStringLiteral("runtime"));
    QFile::setPermissions(m_dir.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", home + "/runtime");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

Sandbox::~Sandbox()
{
    quarry::platform::Prompts::install(nullptr);
    quarry::platform::setLibraryFolderForTesting({});
}

void Sandbox::activate()
{
    QStandardPaths::setTestModeEnabled(true);
    quarry::platform::setLibraryFolderForTesting(m_dir.path());
    quarry::platform::Prompts::install(&m_prompts);
}

} // namespace bench
