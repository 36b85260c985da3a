// The object list filled with one category of the current data source: its
// tables, views or stored procedures, each with owner and date, read once
// from the schema rowsets and shown in one go.
#include "control/kwQuarryPrivate.h"
#include "objects/ListedObject.h"

#include "platform/LocaleText.h"
#include "platform/widgets/BusyPointer.h"
#include "platform/widgets/Grid.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/TreeView.h"
#include "query/Delimited.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <QLabel>
#include <QTimer>

using quarry::platform::ListItem;

namespace {

// Ordinals of the TABLES and PROCEDURES rowsets.
enum : int
{
    TableSchema = 1,
    TableName = 2,
    TableType = 3,
    TableCreated = 7,
    TableModified = 8,
    ProcedureName = 2,
    ProcedureCreated = 6
};

struct Kind
{
    int largeIcon;
    int smallIcon;
};
constexpr Kind kTable{1, 5};
constexpr Kind kView{2, 6};
constexpr Kind kProcedure{3, 7};

QDateTime dateOf(const QVariant& value)
{
    return value.isNull() ? QDateTime() : value.toDateTime();
}

ListItem item(const QString& name, Kind kind, const QString& owner, const QDateTime& date)
{
    return quarry::objects::ListedObject(name, kind.largeIcon, kind.smallIcon, owner, date);
}

// Whichever way a run ends, these are undone.
class ListBusy
{
public:
    explicit ListBusy(kwQuarryPrivate* d)
        : m_busy(d->lvwData)
        , m_d(d)
    {
        d->lvwData->setEnabled(false);
    }
    ~ListBusy()
    {
        m_d->lvwData->show();
        m_d->lvwData->setEnabled(true);
    }
    ListBusy(const ListBusy&) = delete;
    ListBusy& operator=(const ListBusy&) = delete;

private:
    quarry::platform::BusyPointer m_busy;
    kwQuarryPrivate* m_d;
};

} // namespace

ListItem quarry::objects::ListedObject(const QString& name, int largeIcon, int smallIcon,
                                       const QString& owner, const QDateTime& date)
{
    ListItem entry{name, {owner, {}, {}, {}}, largeIcon, smallIcon};
    if (date.isValid()) {
        entry.subItems[1] = quarry::platform::GeneralDate(date);
        entry.subItems[2] = quarry::platform::FixedPatternDate(date);
        entry.subItems[3] = date.toString(Qt::ISODate);
    }
    return entry;
}

bool kwQuarry::Get_DataObjects(QModelIndex& Nodx)
{
    const ListBusy busy(d.get());
    const QString status = d->panel1->text();
    // A pending tooltip would come up over the new items with the old fields.
    d->tmrTip->stop();
    d->grdTooltip->hide();
    d->LastLookUp.clear();
    d->panel1->setText(tr("Retrieving Items ..."));

    const int number = Glob::CurrentDataSource();
    std::vector<ListItem> items;
    bool listed = false;
    bool quiet = false; // views, and a refused procedure request, fail without a word
    bool result = false;
    quarry::Connection* connection = nullptr;
    try {
        connection = &d->connection(number);
        const bool showOwner = !connection->Provider().contains(QLatin1String("MySql"));
        // Rows of one owner come together: they share its text rather than each keep a copy.
        QString lastOwner;
        const auto owner = [showOwner, &lastOwner](const quarry::Recordset& rs) {
            if (!showOwner)
                return QString();
            const QString text = rs.Fields(TableSchema).Value.toString();
            if (text != lastOwner)
                lastOwner = text;
            return lastOwner;
        };
        d->lvwData->hide();
        d->lvwData->clear();

        const QString category = kwQuarryPrivate::categoryOf(Nodx);
        if (category == QLatin1String("Tables") && Glob::Options().blnQueryTables) {
            // The type is read where the driver may not have kept to the one asked for.
            const QList<int> read{TableSchema, TableName, TableCreated};
            quarry::Recordset rs =
                connection->OpenSchema(quarry::adSchemaTables, {{}, {}, {}, "TABLE"}, read);
            // Some providers type nothing "TABLE": then everything that is no view counts.
            if (rs.AtEOF())
                rs = connection->OpenSchema(quarry::adSchemaTables, {}, read);
            for (; !rs.AtEOF(); rs.MoveNext()) {
                const QVariant type = rs.Fields(TableType).Value;
                if (type.isNull() || type.toString() == QLatin1String("VIEW"))
                    continue;
                items.push_back(item(rs.Fields(TableName).Value.toString(), kTable, owner(rs),
                                     dateOf(rs.Fields(TableCreated).Value)));
            }
        }
        if (category == QLatin1String("Views")) {
            quiet = true;
            quarry::Recordset rs =
                connection->OpenSchema(quarry::adSchemaTables, {{}, {}, {}, "VIEW"},
                                       {TableSchema, TableName, TableCreated, TableModified});
            for (; !rs.AtEOF(); rs.MoveNext()) {
                QDateTime date = dateOf(rs.Fields(TableModified).Value);
                if (!date.isValid())
                    date = dateOf(rs.Fields(TableCreated).Value);
                items.push_back(item(rs.Fields(TableName).Value.toString(), kView, owner(rs), date));
            }
        }
        if (category == QLatin1String("Stored Procedures")) {
            quiet = true;
            quarry::Recordset rs =
                connection->OpenSchema(quarry::adSchemaProcedures, {}, {ProcedureName, ProcedureCreated});
            quiet = false;
            for (; !rs.AtEOF(); rs.MoveNext()) {
                QString name = rs.Fields(ProcedureName).Value.toString();
                if (name.endsWith(QLatin1String(";1")))
                    name.chop(2);
                if (name.startsWith(QLatin1String("dt_")))
                    continue;
                items.push_back(item(name, kProcedure, {}, dateOf(rs.Fields(ProcedureCreated).Value)));
            }
        }
        d->lvwData->model()->setItems(std::move(items));
        listed = true;

        if (d->lvwData->count() > 0)
            d->lvwData->selectRow(0);
        // Through list mode and back, so the items are laid out anew.
        d->lvwData->setView(quarry::platform::ObjectList::List);
        d->lvwData->setView(Glob::Options().lngDataView);
        Size_Cols();
        emit Refreshed();
        result = true;
    } catch (const std::exception& error) {
        // What was read before the failure stays listed.
        if (!listed)
            d->lvwData->model()->setItems(std::move(items));
        if (!quiet) {
            if (connection && connection->errors().Count() > 0)
                Show_SQLError(Glob::aDataSources()[size_t(number)][Glob::dsConnection],
                              connection->errors().Item(0).Description);
            else
                d->raiseError(QStringLiteral("Get_DataObjects"), error);
        }
        kwQuarryPrivate::ignoreErrors([&] { d->dropIfDead(number); });
    }

    const int count = d->lvwData->count();
    d->panel1->setText(status);
    // A single object reads "1 item", not the always-plural "1 items" of old.
    d->panel2->setText(
        u' ' + (count == 1 ? tr("%1 item") : tr("%1 items")).arg(quarry::platform::GroupedCount(count)));
    d->tvwData->setEnabled(true);
    const QString delimiter = d->delimiterOf(number);
    d->SelectedObject = count > 0 ? Delimited(d->lvwData->model()->item(0).text, delimiter) : QString();
    return result;
}
