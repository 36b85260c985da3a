// The object list's answers to the user: a click names the object of the next
// query and gathers its fields, a double-click or Enter hands its query to the
// host, a right-click offers the table menu, a header click sorts, and moving
// off the item hides the field tooltip.
#include "control/kwQuarryPrivate.h"

#include "objects/ListedObject.h"
#include "platform/widgets/BusyPointer.h"
#include "platform/widgets/Grid.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/Prompts.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/Twips.h"
#include "query/Delimited.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeView>

#include <cmath>
#include <optional>
#include <stdexcept>

using quarry::platform::ListItem;
using quarry::platform::ObjectListModel;

namespace {

// Sort keys: 0 the name, n sub-item n. "Owner" sorts by the owner, "Create
// Date" by the date key the listing keeps for it.
constexpr int kOwnerKey = 1;
using quarry::objects::kDateSortKey;

// The owner's sub-item, as the listing fills it.
constexpr int kOwner = 1;

// Beyond the item's text box, the pointer may stray this far (twips) before
// the tooltip goes: to the right, and below.
constexpr double kSlackRight = 300;
constexpr double kSlackBelow = 60;

constexpr int kRightButtonCode = 2;

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return kRightButtonCode;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

QString currentDelimiter(const kwQuarryPrivate* d)
{
    return d->delimiterOf(Glob::CurrentDataSource());
}

// The delimited name of a listed item, with its owner in front where the
// list shows one (procedures are named without).
QString qualifiedName(const kwQuarryPrivate* d, int row)
{
    const QString delimiter = currentDelimiter(d);
    const QString name = Delimited(d->lvwData->model()->item(row).text, delimiter);
    const QString owner = d->lvwData->model()->subItem(row, kOwner);
    if (owner.isEmpty() || d->CurrentDataType == kwQuarry::dkDataStoredProc)
        return name;
    return Delimited(owner, delimiter) + u'.' + name;
}

void hideTooltip(kwQuarryPrivate* d)
{
    d->tmrTip->stop();
    d->grdTooltip->hide();
}

void itemClick(kwQuarryPrivate* d, int row)
{
    std::optional<quarry::platform::BusyPointer> busy;
    d->trap(QStringLiteral("lvwData_ItemClick"), [&] {
        d->QueryFromTree = false;
        // Ctrl+click took the selection away: nothing is chosen, nothing to show.
        if (d->lvwData->selectedRow() != row) {
            hideTooltip(d);
            return true;
        }
        // The clicked item, as it was when clicked: letting events run may refill the list.
        const QString text = d->lvwData->model()->item(row).text;
        quarry::platform::Prompts::current().DoEvents();
        if (d->lvwData->selectedRow() != row || d->lvwData->model()->item(row).text != text)
            return true;
        emit d->q->QuerySelected(d->treeModel->fullPath(d->selectedNode()) + QStringLiteral(" : ") + text);

        busy.emplace(d->lvwData);
        d->tmrTip->stop();

        const bool procedure = d->CurrentDataType == kwQuarry::dkDataStoredProc;
        const QString qualified = qualifiedName(d, row);
        // The same name of another data source, kind or owner is another object.
        const QString lookUp = QStringLiteral("%1\n%2\n%3")
                                   .arg(Glob::CurrentDataSource())
                                   .arg(int(d->CurrentDataType))
                                   .arg(qualified);
        d->ClickedObject = Delimited(text, currentDelimiter(d));
        d->SelectedObject = qualified;
        if (lookUp != d->LastLookUp) {
            d->LastLookUp.clear();
            if (procedure) {
                // A link lost under the look-up shows in the tree.
                auto lost = qScopeGuard([d] {
                    kwQuarryPrivate::ignoreErrors([d] { d->dropIfDead(Glob::CurrentDataSource()); });
                });
                if (!d->q->Get_Parameters())
                    return true;
                lost.dismiss();
            } else {
                if (!d->q->Get_Fields())
                    return true;
                if (!d->q->Popluate_ToolTip().toBool())
                    return true;
            }
            // A grid left unfilled (tooltips off) is no look-up to show again.
            if (procedure || Glob::Options().blnToolTips)
                d->LastLookUp = lookUp;
        }
        if (!procedure)
            d->q->Show_ToolTip();
        return true;
    });
}

void doubleClick(kwQuarryPrivate* d)
{
    d->trap(QStringLiteral("lvwData_DblClick"), [&] {
        d->QueryFromTree = false;
        const int row = d->lvwData->selectedRow();
        if (d->lvwData->count() < 1 || row < 0)
            return true;
        // The item the user sees selected, whatever gesture chose it last (a
        // refill selects the first item without a click).
        d->SelectedObject = qualifiedName(d, row);
        d->RunMaxRecords = 0;
        d->RunAutoRun = true;
        d->RunShowSQL = false;
        d->q->Run_Query();
        return true;
    });
}

void keyUp(kwQuarryPrivate* d, int key)
{
    // Qt tells the main keyboard's Return from the keypad's Enter; both are key code 13.
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        doubleClick(d);
}

void mouseDown(kwQuarryPrivate* d, QPointF twips)
{
    d->handle("lvwData_MouseDown", [&] {
        d->PointerX = std::nearbyint(twips.x()); // the default rounding mode sends halves to even
    });
}

void pointerMoved(kwQuarryPrivate* d, QPointF twips)
{
    using Steps = kwQuarryPrivate;
    bool tipShown = true;
    Steps::ignoreErrors([&] { tipShown = d->tmrTip->isActive() || d->grdTooltip->isVisible(); });
    if (!tipShown)
        return;

    // A failed read leaves its value at 0 and the test still runs.
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    int row = -1;
    Steps::ignoreErrors([&] { row = d->lvwData->selectedRow(); });
    Steps::ignoreErrors([&] {
        const QRectF item = d->lvwData->itemRect(row);
        left = item.left();
        top = item.top();
    });
    Steps::ignoreErrors([&] {
        const QString text = d->lvwData->model()->item(row).text;
        width = quarry::platform::TextWidth(d->q, text);
        height = quarry::platform::TextHeight(d->q, text);
    });

    const double x = twips.x();
    const double y = twips.y();
    const bool outside =
        x > left + width + kSlackRight || x < left || y > top + height + kSlackBelow || y < top;
    if (!outside)
        return;
    Steps::ignoreErrors([&] { d->grdTooltip->hide(); });
    Steps::ignoreErrors([&] { d->tmrTip->stop(); });
}

void mouseUp(kwQuarryPrivate* d, Qt::MouseButton button)
{
    d->trap(QStringLiteral("lvwData_MouseUp"), [&] {
        d->QueryFromTree = false;
        d->mnuTables[0]->setVisible(true);
        const int row = d->lvwData->selectedRow();
        if (buttonCode(button) != kRightButtonCode || d->lvwData->count() < 1 || row < 0)
            return true;

        d->ClickedObject = Delimited(d->lvwData->model()->item(row).text, currentDelimiter(d));
        // The owner stays in front: without it the menu's commands open the
        // same name on the search path, which may be another table or none.
        d->SelectedObject = qualifiedName(d, row);
        hideTooltip(d);
        quarry::platform::Prompts::current().DoEvents();

        const bool open = d->CurrentDataType != kwQuarry::dkDataStoredProc && Glob::Options().blnOpenSQL;
        d->mnuTables[0]->setVisible(open);
        d->mnuTables[1]->setVisible(open);
        d->mnuTables[2]->setVisible(true);
        d->mnuTables[3]->setVisible(true);
        // Not exec(): the handler returns at once and the chosen item's command runs on its own.
        d->mnuTable->popup(QCursor::pos());
        return true;
    });
}

int sortKeyFor(int column)
{
    switch (column) {
    case 1:
        return 0;
    case 2:
        return kOwnerKey;
    default:
        return kDateSortKey;
    }
}

void columnClick(kwQuarryPrivate* d, int column)
{
    d->trap(QStringLiteral("lvwData_ColumnClick"), [&] {
        ObjectListModel* model = d->lvwData->model();
        if (column < 1 || column > model->columns())
            throw std::out_of_range("Index out of bounds");
        const int key = sortKeyFor(column);
        if (model->sortKey() == key)
            model->setSortOrder(model->sortOrder() == 0 ? 1 : 0);
        else
            model->setSortKey(key);

        // The last, hidden column keeps whatever icon it has.
        for (int header = 0; header < model->columns() - 1; ++header)
            model->setColumnIcon(header, 0);
        model->setColumnIcon(column - 1, model->sortOrder() == 0 ? 1 : 2);
        return true;
    });
}

} // namespace

void kwQuarryPrivate::connectListHandlers()
{
    using quarry::platform::ObjectList;
    QObject::connect(lvwData, &ObjectList::itemClick, q, [this](int row) { itemClick(this, row); });
    // Only on an item: a double-click on empty space has nothing to open.
    QObject::connect(lvwData, &ObjectList::itemDoubleClick, q, [this] { doubleClick(this); });
    QObject::connect(lvwData, &ObjectList::keyUp, q,
                     [this](int key, Qt::KeyboardModifiers) { keyUp(this, key); });
    QObject::connect(
        lvwData, &ObjectList::mouseDown, q,
        [this](Qt::MouseButton, Qt::KeyboardModifiers, QPointF twips) { mouseDown(this, twips); });
    QObject::connect(
        lvwData, &ObjectList::pointerMoved, q,
        [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPointF twips) { pointerMoved(this, twips); });
    QObject::connect(
        lvwData, &ObjectList::mouseUp, q,
        [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPointF) { mouseUp(this, button); });
    QObject::connect(lvwData, &ObjectList::columnClick, q,
                     [this](int section) { columnClick(this, section + 1); });

    // Run traps its own errors.
    QObject::connect(mnuTables[0], &QAction::triggered, q, [this] { q->Run(0); });
    QObject::connect(mnuTables[2], &QAction::triggered, q, [this] { q->Run(1); });
    QObject::connect(mnuTables[3], &QAction::triggered, q, [this] { q->Run(2); });
}
