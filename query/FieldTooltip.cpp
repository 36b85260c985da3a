// The fields of a clicked table or view, laid out in a small grid beside it.
#include "control/kwQuarryPrivate.h"
#include "platform/db/ConnectionString.h"
#include "platform/widgets/Grid.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/Splitter.h"
#include "platform/widgets/Twips.h"
#include "query/Delimited.h"
#include "query/FieldTable.h"
#include "settings/Glob.h"

#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <stdexcept>

using namespace quarry::platform;

namespace {

constexpr int kPendingMilliseconds = 1000;
// The gap between the clicked item's text and the grid below it.
constexpr double kBelowItemTwips = 60;

// Where a grid starting at `position` with `extent` ends up when it is moved
// back one twip at a time while it reaches `limit` or beyond. Computed in one
// step; the result is the same as the walk.
double backedOffFrom(double position, double extent, double limit)
{
    const double overshoot = position + extent - limit;
    return overshoot >= 0 ? position - (std::floor(overshoot) + 1) : position;
}

int selectedRow(const kwQuarryPrivate* d)
{
    const int row = d->lvwData->selectedRow();
    if (row < 0)
        throw std::logic_error(kwQuarry::tr("No item is selected in the object list.").toStdString());
    return row;
}

// Timer ticks: pending becomes shown, shown becomes hidden.
void tmrTip_Timer(kwQuarryPrivate* d)
{
    if (!d->grdTooltip->isHidden()) {
        d->tmrTip->stop();
        d->grdTooltip->hide();
        return;
    }
    d->grdTooltip->show();
    d->grdTooltip->raise();
    const qint64 delay = qint64(Glob::Options().lngToolTipDelay) * 1000;
    d->tmrTip->setInterval(int(std::clamp<qint64>(delay, 0, INT_MAX)));
}

// The pointer over the grid holds it where it is.
void grdTooltip_MouseMove(kwQuarryPrivate* d)
{
    d->tmrTip->stop();
}

// SQLite itself takes all three quotes, but its ODBC driver reads ` and [
// quotes as plain text, so a ;, ? or {fn inside them breaks its parsing of
// the statement. The look-up names the same object in double quotes.
QString lookUpName(const quarry::Connection& connection, const QString& object)
{
    if (connection.DbmsName() != u"SQLite" || object.startsWith(u'"'))
        return object;
    QStringList parts = quarry::db::splitQualifiedName(object);
    for (QString& part : parts)
        part = Delimited(part, QStringLiteral("\""));
    return parts.join(u'.');
}

} // namespace

namespace quarry::query {

void SortFieldRows(kwQuarry& control, FieldRows& rows)
{
    QVariantList table;
    table.reserve(qsizetype(rows.size()));
    for (const auto& [name, type] : rows)
        table.append(QVariant(QStringList{name, type}));
    QVariant data(table);
    if (!control.Sort_Array(data))
        return;
    FieldRows sorted;
    sorted.reserve(rows.size());
    for (const QVariant& row : data.toList()) {
        const QStringList cells = row.toStringList();
        sorted.push_back({cells.value(0), cells.value(1)});
    }
    rows = std::move(sorted);
}

} // namespace quarry::query

bool kwQuarry::Show_ToolTip()
{
    return d->trap(QStringLiteral("Show_ToolTip"), [&] {
        if (!Glob::Options().blnToolTips)
            return true;
        Grid* grid = d->grdTooltip;
        grid->hide();

        // The list's rectangle in the control counts the splitter's position
        // and the bar and pane before the list.
        const QRectF list = GeometryTwips(d->lvwData, this);
        const QRectF splitter = GeometryTwips(d->kwSplitData, this);
        const QSizeF extent = GeometryTwips(grid, this).size();
        const double width = extent.width();
        const double height = extent.height();
        const int row = selectedRow(d.get());
        const QRectF item = d->lvwData->itemRect(row);

        const double left = backedOffFrom(list.left() + d->PointerX, width, list.right());
        const double top = backedOffFrom(
            list.top() + item.top() + TextHeight(this, d->lvwData->model()->item(row).text) + kBelowItemTwips,
            height, splitter.bottom());

        // Rounding to whole pixels must not put the grid back on its limit.
        MoveTwipsShortOf(grid, {left, top}, {list.right(), splitter.bottom()});

        d->tmrTip->setInterval(kPendingMilliseconds);
        d->tmrTip->start();
        return true;
    });
}

bool kwQuarry::Get_Fields()
{
    d->panel1->setText(tr("Retrieving Object information ..."));
    quarry::Connection* connection = nullptr;
    QString sql;
    try {
        // A failed look-up must not leave the previous object's fields behind.
        d->ObjectFields.clear();
        if (d->ObjectRecordset && d->ObjectRecordset->State() != quarry::adStateClosed)
            d->ObjectRecordset->Close();
        if (d->CurrentDataType != dkDataTable && d->CurrentDataType != dkDataView)
            throw std::logic_error(tr("Fields are listed for tables and views only.").toStdString());
        connection = &d->connection(Glob::CurrentDataSource());
        sql = QStringLiteral("SELECT * FROM ") + lookUpName(*connection, d->SelectedObject);
        // Described, never executed: no row is read.
        d->ObjectRecordset = connection->Execute(sql);

        quarry::query::FieldRows fields;
        for (const quarry::Field& field : d->ObjectRecordset->FieldList()) {
            if (Allowed_DataType(field.Type))
                fields.push_back({field.Name, QString::number(field.Type)});
        }
        if (Glob::Options().blnToolTipSort)
            quarry::query::SortFieldRows(*this, fields);
        d->ObjectFields = std::move(fields);
        d->panel1->setText(tr("Ready ..."));
        return true;
    } catch (const std::exception& error) {
        if (connection && connection->errors().Count() > 0)
            Show_SQLError(sql, connection->errors().Item(0).Description);
        else
            d->raiseError(QStringLiteral("Get_Fields"), error);
        kwQuarryPrivate::ignoreErrors([&] { d->dropIfDead(Glob::CurrentDataSource()); });
    }
    d->panel1->setText(tr("Ready ..."));
    return false;
}

QVariant kwQuarry::Popluate_ToolTip()
{
    return d->trapValue<QVariant>(QStringLiteral("Popluate_ToolTip"), QVariant(), [&]() -> QVariant {
        const Glob::BrowserOptions& options = Glob::Options();
        if (!options.blnToolTips)
            return true;
        Grid* grid = d->grdTooltip;
        GridModel* cells = grid->grid();
        const int n = int(d->ObjectFields.size());
        const double rowHeight = grid->rowHeightTwips(0);
        const double allInOne = rowHeight * n;

        const double listHeight = GeometryTwips(d->lvwData).height();
        const double itemTop = d->lvwData->itemRect(selectedRow(d.get())).top();
        int columns = 1;
        if (listHeight > 0) {
            while (listHeight <= (itemTop + allInOne) / columns)
                ++columns;
        } else {
            // A list without height would never stop the count: one field per column.
            columns = std::max(1, n);
        }
        const int rows = (n + columns - 1) / columns;

        cells->setRows(0);
        cells->setCols(columns);
        cells->setRows(rows);
        int k = 0;
        for (int col = 0; col < columns; ++col) {
            for (int row = 0; row < rows; ++row, ++k) {
                if (k >= n)
                    continue;
                const auto& [name, type] = d->ObjectFields[size_t(k)];
                QString text = name;
                if (options.blnToolTipTypes)
                    text += QStringLiteral("  [") + Field_Type(type.toInt()) + u']';
                cells->setText(row, col, text);
            }
        }

        grid->fitColumns(0, columns - 1);
        double width = 0;
        for (int col = 0; col < columns; ++col)
            width += grid->colWidth(col);
        const QRectF at = GeometryTwips(grid);
        SetGeometryTwips(grid, {at.left(), at.top(), width, rowHeight * rows});
        return true;
    });
}

// aData holds a QStringList, or a QVariantList whose rows are QStringLists
// (name, type) or single texts; rows move whole and sort by their first text.
bool kwQuarry::Sort_Array(QVariant& aData)
{
    return d->trap(QStringLiteral("Sort_Array"), [&] {
        const auto byKey = [](const auto& keys) {
            std::vector<qsizetype> order(keys.size());
            std::iota(order.begin(), order.end(), 0);
            std::stable_sort(order.begin(), order.end(),
                             [&](qsizetype a, qsizetype b) { return keys[size_t(a)] < keys[size_t(b)]; });
            return order;
        };

        if (aData.typeId() == QMetaType::QStringList) {
            const QStringList texts = aData.toStringList();
            std::vector<QString> keys;
            for (const QString& text : texts)
                keys.push_back(text.toLower());
            QStringList sorted;
            for (qsizetype i : byKey(keys))
                sorted.append(texts[i]);
            aData = sorted;
            return true;
        }
        if (aData.typeId() == QMetaType::QVariantList) {
            const QVariantList rows = aData.toList();
            std::vector<QString> keys;
            for (const QVariant& row : rows) {
                const bool table =
                    row.typeId() == QMetaType::QStringList || row.typeId() == QMetaType::QVariantList;
                keys.push_back((table ? row.toStringList().value(0) : row.toString()).toLower());
            }
            QVariantList sorted;
            for (qsizetype i : byKey(keys))
                sorted.append(rows[i]);
            aData = sorted;
            return true;
        }
        throw std::invalid_argument(
            tr("Type mismatch: Sort_Array sorts a list of texts or of rows.").toStdString());
    });
}

void kwQuarryPrivate::connectTooltipHandlers()
{
    // The grid's size is the sum of its cells; a frame would cut the last ones off.
    grdTooltip->setFrameShape(QFrame::NoFrame);
    QObject::connect(tmrTip, &QTimer::timeout, q,
                     [this] { handle("tmrTip_Timer", [&] { tmrTip_Timer(this); }); });
    QObject::connect(grdTooltip, &Grid::pointerMoved, q,
                     [this] { handle("grdTooltip_MouseMove", [&] { grdTooltip_MouseMove(this); }); });
}
