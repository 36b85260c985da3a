#include "dialogs/dlgConnectionBuilder.h"

#include "platform/OdbcDrivers.h"
#include "platform/db/ConnectionString.h"
#include "platform/widgets/BusyPointer.h"
#include "platform/widgets/Prompts.h"

#include <quarry/Database.h>

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using quarry::platform::MsgButtons;
using quarry::platform::MsgIcon;
using quarry::platform::Prompts;

namespace {

struct ProviderInfo
{
    dlgConnectionBuilder::ProviderKind kind;
    const char* label;    // shown, translated
    const char* provider; // as written into the string
    quarry::db::DbmsKind dbms;
    const char* defaultPort;
};

const ProviderInfo kProviders[] = {
    {dlgConnectionBuilder::SQLite, "SQLite", "SQLite", quarry::db::DbmsKind::SQLite, ""},
    {dlgConnectionBuilder::PostgreSQL, "PostgreSQL", "PostgreSQL", quarry::db::DbmsKind::PostgreSQL, "5432"},
    {dlgConnectionBuilder::MariaDB, "MariaDB / MySQL", "MariaDB", quarry::db::DbmsKind::MariaDB, "3306"},
    {dlgConnectionBuilder::SqlServer, "SQL Server", "SQLOLEDB", quarry::db::DbmsKind::SqlServer, "1433"},
    {dlgConnectionBuilder::OtherOdbc, QT_TRANSLATE_NOOP("dlgConnectionBuilder", "Other ODBC driver"),
     "MSDASQL", quarry::db::DbmsKind::Other, ""},
};

const ProviderInfo& info(dlgConnectionBuilder::ProviderKind kind)
{
    return kProviders[int(kind)];
}

// The provider a string names, read as the database layer reads it.
dlgConnectionBuilder::ProviderKind kindOfProvider(const QString& provider)
{
    const quarry::db::DbmsKind dbms = quarry::db::kindFromProvider(provider);
    for (const ProviderInfo& p : kProviders)
        if (p.dbms == dbms)
            return p.kind;
    return dlgConnectionBuilder::OtherOdbc;
}

bool isAnyOf(const QString& key, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (key.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString oleDbItem(const QString& key, const QString& value)
{
    return QString(key).replace(u'=', QStringLiteral("==")) + u'=' + dlgConnectionBuilder::quoteValue(value);
}

} // namespace

dlgConnectionBuilder::dlgConnectionBuilder(QWidget* parent)
    : dlgConnectionBuilder(quarry::platform::InstalledOdbcDrivers(), parent)
{}

dlgConnectionBuilder::dlgConnectionBuilder(const QStringList& installedDrivers, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgConnectionBuilder"));
    setWindowTitle(tr("Connection"));
    setModal(true);

    cboProvider = new QComboBox(this);
    cboProvider->setObjectName(QStringLiteral("cboProvider"));
    for (const ProviderInfo& p : kProviders) {
        const bool installed =
            p.kind == OtherOdbc ||
            std::any_of(installedDrivers.begin(), installedDrivers.end(),
                        [&](const QString& d) { return quarry::db::kindFromDriverName(d) == p.dbms; });
        if (installed)
            cboProvider->addItem(tr(p.label), int(p.kind));
    }

    cboDriver = new QComboBox(this);
    cboDriver->setObjectName(QStringLiteral("cboDriver"));
    cboDriver->setEditable(true);
    cboDriver->addItems(installedDrivers);
    lblDriver = new QLabel(tr("&Driver"), this);
    lblDriver->setBuddy(cboDriver);

    txtServer = new QLineEdit(this);
    txtServer->setObjectName(QStringLiteral("txtServer"));
    txtPort = new QLineEdit(this);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setValidator(new QIntValidator(1, 65535, txtPort));
    txtPort->setMaximumWidth(80);
    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(txtServer, 1);
    auto* lblPort = new QLabel(tr("P&ort"), this);
    lblPort->setBuddy(txtPort);
    serverRow->addWidget(lblPort);
    serverRow->addWidget(txtPort);

    txtDatabase = new QLineEdit(this);
    txtDatabase->setObjectName(QStringLiteral("txtDatabase"));
    cmdBrowse = new QPushButton(tr("&Browse..."), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setAutoDefault(false);
    auto* databaseRow = new QHBoxLayout;
    databaseRow->addWidget(txtDatabase, 1);
    databaseRow->addWidget(cmdBrowse);
    lblDatabase = new QLabel(this);
    lblDatabase->setObjectName(QStringLiteral("lblDatabase"));
    lblDatabase->setBuddy(txtDatabase);

    txtUser = new QLineEdit(this);
    txtUser->setObjectName(QStringLiteral("txtUser"));
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtOptions = new QLineEdit(this);
    txtOptions->setObjectName(QStringLiteral("txtOptions"));
    txtOptions->setPlaceholderText(tr("key=value;key=value"));

    auto* form = new QFormLayout;
    form->addRow(tr("&Provider"), cboProvider);
    form->addRow(lblDriver, cboDriver);
    // A row holding a layout gets a label without a buddy, which would show the '&'.
    auto* lblServer = new QLabel(tr("&Server"), this);
    lblServer->setBuddy(txtServer);
    form->addRow(lblServer, serverRow);
    form->addRow(lblDatabase, databaseRow);
    form->addRow(tr("&User name"), txtUser);
    form->addRow(tr("Pass&word"), txtPassword);
    form->addRow(tr("E&xtra options"), txtOptions);

    cmdTest = new QPushButton(tr("&Test Connection"), this);
    cmdTest->setObjectName(QStringLiteral("cmdTest"));
    cmdTest->setAutoDefault(false);
    cmdOK = new QPushButton(tr("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(tr("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdTest);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(460, 300);

    connect(cboProvider, &QComboBox::currentIndexChanged, this, &dlgConnectionBuilder::updateFields);
    for (QLineEdit* edit : {txtServer, txtDatabase})
        connect(edit, &QLineEdit::textChanged, this, &dlgConnectionBuilder::updateButtons);
    connect(cboDriver, &QComboBox::currentTextChanged, this, &dlgConnectionBuilder::updateButtons);
    connect(cmdBrowse, &QPushButton::clicked, this, &dlgConnectionBuilder::browseDatabase);
    connect(cmdTest, &QPushButton::clicked, this, &dlgConnectionBuilder::testConnection);
    connect(cmdOK, &QPushButton::clicked, this, &dlgConnectionBuilder::acceptIfValid);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    updateFields();
}

std::optional<QString> dlgConnectionBuilder::prompt(QWidget* owner, const QString& initial)
{
    dlgConnectionBuilder dialog(owner);
    if (!initial.trimmed().isEmpty())
        dialog.setConnectionString(initial);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.result();
}

dlgConnectionBuilder::ProviderKind dlgConnectionBuilder::provider() const
{
    return ProviderKind(cboProvider->currentData().toInt());
}

bool dlgConnectionBuilder::setProvider(ProviderKind kind)
{
    const int index = cboProvider->findData(int(kind));
    if (index < 0)
        return false;
    cboProvider->setCurrentIndex(index);
    return true;
}

QString dlgConnectionBuilder::quoteValue(const QString& value)
{
    const bool plain = !value.contains(u';') && value == value.trimmed() &&
                       !(value.startsWith(u'"') || value.startsWith(u'\'') || value.startsWith(u'{'));
    if (plain)
        return value;
    if (!value.contains(u'"'))
        return u'"' + value + u'"';
    if (!value.contains(u'\''))
        return u'\'' + value + u'\'';
    return u'"' + QString(value).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

bool dlgConnectionBuilder::setConnectionString(const QString& connectionString)
{
    std::vector<quarry::db::ConnectionItem> items;
    try {
        items = quarry::db::parseConnectionString(connectionString);
    } catch (const quarry::DatabaseError&) {
        for (QLineEdit* edit : {txtServer, txtPort, txtDatabase, txtUser, txtPassword})
            edit->clear();
        txtOptions->setText(connectionString);
        return false;
    }
    auto value = [&](const char* key) {
        return quarry::db::findItem(items, QLatin1StringView(key)).value_or(QString());
    };
    const auto providerText = quarry::db::findItem(items, QStringLiteral("Provider"));
    const ProviderKind kind = providerText ? kindOfProvider(*providerText) : OtherOdbc;
    if (!setProvider(kind))
        setProvider(OtherOdbc);

    QStringList extras;
    if (provider() == OtherOdbc) {
        cboDriver->setEditText(value("Driver"));
        txtServer->setText(value("Server"));
        txtPort->setText(value("Port"));
        txtDatabase->setText(value("Database"));
        txtUser->setText(value("UID"));
        txtPassword->setText(value("PWD"));
        for (const auto& item : items)
            if (!isAnyOf(item.Key, {"Provider", "Driver", "Server", "Port", "Database", "UID", "PWD"}))
                extras << quarry::db::odbcItem(item.Key, item.Value);
    } else {
        const QString dataSource = value("Data Source");
        bool portUsed = false;
        if (provider() == SQLite) {
            txtDatabase->setText(dataSource);
            txtServer->clear();
            txtPort->clear();
        } else {
            auto [host, port] = quarry::db::splitHostPort(dataSource);
            if (port.isEmpty()) {
                port = value("Port");
                portUsed = true;
            }
            txtServer->setText(host);
            txtPort->setText(port);
            txtDatabase->setText(value("Initial Catalog"));
        }
        txtUser->setText(value("User ID"));
        txtPassword->setText(value("Password"));
        for (const auto& item : items) {
            const bool own = isAnyOf(item.Key, {"Provider", "Data Source", "User ID", "Password"}) ||
                             (provider() != SQLite && isAnyOf(item.Key, {"Initial Catalog"})) ||
                             (portUsed && isAnyOf(item.Key, {"Port"}));
            if (!own)
                extras << oleDbItem(item.Key, item.Value);
        }
    }
    txtOptions->setText(extras.join(u';'));
    updateButtons();
    return true;
}

std::optional<QString> dlgConnectionBuilder::connectionString(QString* why) const
{
    QString extras = txtOptions->text().trimmed();
    while (extras.startsWith(u';'))
        extras.remove(0, 1);
    while (extras.endsWith(u';'))
        extras.chop(1);
    try {
        quarry::db::parseConnectionString(extras);
    } catch (const quarry::DatabaseError& error) {
        if (why)
            *why = tr("Extra options: %1").arg(error.Description());
        return std::nullopt;
    }

    const ProviderKind kind = provider();
    QStringList parts;
    auto add = [&](const QString& key, const QString& value) {
        if (!value.isEmpty())
            parts << (kind == OtherOdbc ? quarry::db::odbcItem(key, value) : oleDbItem(key, value));
    };
    const QString server = txtServer->text().trimmed();
    const QString port = txtPort->text().trimmed();
    const QString database = txtDatabase->text().trimmed();
    parts << QStringLiteral("Provider=") + QLatin1StringView(info(kind).provider);
    switch (kind) {
    case SQLite:
        add(QStringLiteral("Data Source"), database);
        break;
    case OtherOdbc:
        add(QStringLiteral("Driver"), cboDriver->currentText().trimmed());
        add(QStringLiteral("Server"), server);
        add(QStringLiteral("Port"), port);
        add(QStringLiteral("Database"), database);
        add(QStringLiteral("UID"), txtUser->text());
        add(QStringLiteral("PWD"), txtPassword->text());
        break;
    default:
        add(QStringLiteral("Data Source"),
            port.isEmpty() || server.isEmpty() ? server : server + u',' + port);
        add(QStringLiteral("Initial Catalog"), database);
        break;
    }
    if (kind != OtherOdbc && kind != SQLite) {
        add(QStringLiteral("User ID"), txtUser->text());
        add(QStringLiteral("Password"), txtPassword->text());
    }
    if (!extras.isEmpty())
        parts << extras;
    return parts.join(u';');
}

bool dlgConnectionBuilder::testConnection()
{
    QString why;
    const auto text = connectionString(&why);
    if (!text) {
        Prompts::current().MsgBox(why, MsgButtons::OK, MsgIcon::Critical, tr("Test Connection"));
        return false;
    }
    QString failure;
    {
        quarry::platform::BusyPointer busy(this);
        try {
            quarry::Connection connection;
            connection.setMode(quarry::adModeRead);
            connection.setConnectionTimeout(10);
            connection.Open(*text);
            connection.Close();
        } catch (const quarry::DatabaseError& error) {
            failure = error.errors().Count() > 0 ? error.errors().Text() : error.Description();
            if (failure.isEmpty())
                failure = error.Description();
        }
    }
    if (!failure.isEmpty()) {
        Prompts::current().MsgBox(failure, MsgButtons::OK, MsgIcon::Critical, tr("Test Connection"));
        return false;
    }
    Prompts::current().MsgBox(tr("Test connection succeeded."), MsgButtons::OK, MsgIcon::Information,
                              tr("Test Connection"));
    return true;
}

void dlgConnectionBuilder::updateFields()
{
    const ProviderKind kind = provider();
    const bool file = kind == SQLite;
    lblDriver->setVisible(kind == OtherOdbc);
    cboDriver->setVisible(kind == OtherOdbc);
    for (QWidget* w : std::initializer_list<QWidget*>{txtServer, txtPort, txtUser, txtPassword})
        w->setEnabled(!file);
    cmdBrowse->setEnabled(file);
    lblDatabase->setText(file ? tr("Database &file") : tr("D&atabase"));
    txtPort->setPlaceholderText(QLatin1StringView(info(kind).defaultPort));
    updateButtons();
}

void dlgConnectionBuilder::updateButtons()
{
    bool complete = false;
    switch (provider()) {
    case SQLite:
        complete = !txtDatabase->text().trimmed().isEmpty();
        break;
    case OtherOdbc:
        complete = !cboDriver->currentText().trimmed().isEmpty();
        break;
    default:
        complete = !txtServer->text().trimmed().isEmpty();
        break;
    }
    cmdOK->setEnabled(complete);
    cmdTest->setEnabled(complete);
}

void dlgConnectionBuilder::browseDatabase()
{
    const QString file =
        QFileDialog::getOpenFileName(this, tr("SQLite Database"), txtDatabase->text(),
                                     tr("SQLite databases (*.db *.sqlite *.sqlite3 *.db3);;All files (*)"));
    if (!file.isEmpty())
        txtDatabase->setText(file);
}

void dlgConnectionBuilder::acceptIfValid()
{
    QString why;
    const auto text = connectionString(&why);
    if (!text) {
        Prompts::current().MsgBox(why, MsgButtons::OK, MsgIcon::Critical, windowTitle());
        return;
    }
    m_result = *text;
    accept();
}
