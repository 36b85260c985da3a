// Builds a connection string in the OLE DB shape (Provider=…;Data Source=…;
// Initial Catalog=…;User ID=…;Password=…) from fields, for the installed ODBC
// drivers, and tries it read-only before handing it back.
#pragma once

#include <quarry/quarry_export.h>

#include <QDialog>
#include <QString>
#include <QStringList>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class QUARRY_EXPORT dlgConnectionBuilder : public QDialog
{
    Q_OBJECT

public:
    // The providers offered, as cboProvider's item data.
    enum ProviderKind
    {
        SQLite,
        PostgreSQL,
        MariaDB,
        SqlServer,
        OtherOdbc
    };
    Q_ENUM(ProviderKind)

    // `installedDrivers`: registered ODBC driver names; a known provider is
    // offered when a driver for it is among them, "Other ODBC driver" always.
    explicit dlgConnectionBuilder(QWidget* parent = nullptr);
    dlgConnectionBuilder(const QStringList& installedDrivers, QWidget* parent);

    // Shows the builder modally, its fields filled from `initial`: the string
    // built, or nothing when the user cancelled.
    static std::optional<QString> prompt(QWidget* owner, const QString& initial = {});

    // Fills the fields from an existing string; keys without a field of their
    // own go to the extra options. False (and the text kept in the extra
    // options for the user to see) when it cannot be parsed.
    bool setConnectionString(const QString& connectionString);
    // The string the fields make; nothing when the extra options cannot be
    // parsed (`why` then says what is wrong).
    std::optional<QString> connectionString(QString* why = nullptr) const;
    // The string accepted with OK ("" before, or after Cancel).
    QString result() const { return m_result; }

    ProviderKind provider() const;
    bool setProvider(ProviderKind kind);

    // Opens the built string read-only with a 10-second timeout and shows the
    // outcome (the driver's own message on failure) through the prompts.
    bool testConnection();

    // Quotes an OLE DB value when it needs it: ';', quotes, braces or blanks
    // at its ends.
    static QString quoteValue(const QString& value);

private:
    void updateFields();
    void updateButtons();
    void browseDatabase();
    void acceptIfValid();

    QString m_result;

    QComboBox* cboProvider = nullptr;
    QComboBox* cboDriver = nullptr;
    QLabel* lblDriver = nullptr;
    QLineEdit* txtServer = nullptr;
    QLineEdit* txtPort = nullptr;
    QLabel* lblDatabase = nullptr;
    QLineEdit* txtDatabase = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtOptions = nullptr;
    QPushButton* cmdTest = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
