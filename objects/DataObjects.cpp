// The object list filled with one category of the current data source: its
// tables, views or stored procedures, each with owner and date. A listing
// that takes long shows its first rows while the rest is read; the count,
// the selection and Refreshed come once it is complete.
#include "control/kwQuarryPrivate.h"
#include "objects/ListedObject.h"
#include "objects/ObjectLister.h"

#include "platform/LocaleText.h"
#include "platform/widgets/BusyPointer.h"
#include "platform/widgets/Grid.h"
#include "platform/widgets/ListOrder.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/TreeView.h"
#include "query/Delimited.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <numeric>

using quarry::platform::ListItem;

namespace {

// A listing that ends within this shows complete at once, as if read in
// the click; a longer one shows its first rows and goes on while the
// window answers.
constexpr std::chrono::milliseconds kListedWithin{40};
// More than any view shows at once.
constexpr size_t kFirstRows = 512;

} // namespace

ListItem quarry::objects::ListedObject(const QString& name, int largeIcon, int smallIcon,
                                       const QString& owner, const QDateTime& date, QStringList* ownerOnly)
{
    // Sub-items left out read as empty: most objects of a large catalog have no date.
    ListItem entry{name, {}, largeIcon, smallIcon};
    if (date.isValid())
        entry.subItems = {owner, quarry::platform::GeneralDate(date),
                          quarry::platform::FixedPatternDate(date), date.toString(Qt::ISODate)};
    else if (!owner.isEmpty() && !ownerOnly)
        entry.subItems = {owner};
    else if (!owner.isEmpty()) {
        if (ownerOnly->size() != 1 || ownerOnly->first() != owner)
            *ownerOnly = {owner};
        entry.subItems = *ownerOnly;
    }
    return entry;
}

bool kwQuarry::Get_DataObjects(QModelIndex& Nodx)
{
    // A pending tooltip would come up over the new items with the old fields.
    d->tmrTip->stop();
    d->grdTooltip->hide();
    d->LastLookUp.clear();
    // A listing under way gives way; the status it kept is the one to go back to.
    if (d->listingRun == 0)
        d->listingStatus = d->panel1->text();
    d->listingRun = 0;
    d->listingItems.clear();
    d->listingOrder.emplace(*d->lvwData->model());
    d->listingPath = std::exchange(d->nextListingPath, {});
    d->panel1->setText(tr("Retrieving Items ..."));
    // Panel 2 counts the list, which is emptied: an older count would stand beside the new listing.
    d->panel2->clear();
    // Emptied, not hidden: the splitter would give the tree its place until the list is back.
    d->lvwData->setEnabled(false);
    d->lvwData->clear();

    const int number = Glob::CurrentDataSource();
    d->listingSource = number;
    try {
        quarry::objects::ListingRequest request{d->connectionSlot(number), kwQuarryPrivate::categoryOf(Nodx),
                                                Glob::Options().blnQueryTables};
        d->listingRun = d->lister->start(std::move(request));
    } catch (const std::exception&) {
        quarry::objects::ListingBatch failed;
        failed.done = true;
        failed.error = std::current_exception();
        return d->finishListing(std::move(failed));
    }
    {
        // Rows are ordered as they come, while the rest is read.
        const quarry::platform::BusyPointer busy(d->lvwData);
        const auto deadline = std::chrono::steady_clock::now() + kListedWithin;
        for (;;) {
            quarry::objects::ListingBatch batch = d->lister->waitBatch(d->listingRun, deadline);
            if (batch.done)
                return d->finishListing(std::move(batch));
            if (batch.items.empty())
                break;
            d->absorb(std::move(batch.items));
        }
    }
    // The rest comes while the window answers; what is there so far shows now.
    d->lvwData->setCursor(Qt::BusyCursor);
    d->showFirstRows();
    return true;
}

void kwQuarryPrivate::listingArrived(int run)
{
    if (run == 0 || run != listingRun)
        return;
    quarry::objects::ListingBatch batch = lister->take(run);
    if (batch.done) {
        finishListing(std::move(batch));
        return;
    }
    absorb(std::move(batch.items));
    showFirstRows();
}

void kwQuarryPrivate::showFirstRows()
{
    if (lvwData->count() > 0 || listingItems.empty() || !listingOrder)
        return;
    // The first screenful in order so far, to read while the rest comes; the
    // whole list is laid out once, when complete.
    const std::vector<int>& order = listingOrder->order();
    const size_t shown = std::min<size_t>(order.size(), kFirstRows);
    std::vector<ListItem> first;
    first.reserve(shown);
    for (size_t i = 0; i < shown; ++i)
        first.push_back(listingItems[size_t(order[i])]);
    std::vector<int> inOrder(shown);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    lvwData->model()->setItems(std::move(first), inOrder);
    lvwData->show();
}

void kwQuarryPrivate::absorb(std::vector<ListItem> items)
{
    if (listingItems.empty())
        listingItems = std::move(items);
    else
        std::move(items.begin(), items.end(), std::back_inserter(listingItems));
    if (listingOrder)
        listingOrder->add(listingItems);
}

void kwQuarryPrivate::stopListing(bool askServer)
{
    if (listingRun == 0)
        return;
    lister->cancel(askServer);
    listingRun = 0;
    listingItems.clear();
    listingOrder.reset();
    lvwData->clear();
    lvwData->unsetCursor();
    lvwData->show();
    lvwData->setEnabled(true);
    panel1->setText(listingStatus);
    panel2->clear();
    SelectedObject.clear();
}

bool kwQuarryPrivate::finishListing(quarry::objects::ListingBatch batch)
{
    listingRun = 0;
    const int number = listingSource;
    absorb(std::move(batch.items));
    // Ordered batch by batch while the rest was read, unless the sorting has changed since.
    if (listingOrder && listingOrder->holdsFor(*lvwData->model()))
        lvwData->model()->setItems(std::exchange(listingItems, {}), listingOrder->order());
    else
        lvwData->model()->setItems(std::exchange(listingItems, {}));
    listingOrder.reset();
    bool result = false;
    if (!batch.error) {
        try {
            // Laid out anew once in the mode shown: the detour through list
            // mode of old laid out every item twice more. Before the first
            // item is selected, which would lay out the old mode's way first.
            lvwData->setView(Glob::Options().lngDataView);
            if (lvwData->count() > 0)
                lvwData->selectRow(0);
            q->Size_Cols();
            result = true;
        } catch (const std::exception&) {
            batch.error = std::current_exception();
        }
    }
    lvwData->unsetCursor();
    lvwData->show();
    lvwData->setEnabled(true);

    const int count = lvwData->count();
    panel1->setText(listingStatus);
    // A single object reads "1 item", not the always-plural "1 items" of old.
    panel2->setText(u' ' + (count == 1 ? kwQuarry::tr("%1 item") : kwQuarry::tr("%1 items"))
                               .arg(quarry::platform::GroupedCount(count)));
    tvwData->setEnabled(true);
    ignoreErrors([&] {
        SelectedObject =
            count > 0 ? Delimited(lvwData->model()->item(0).text, delimiterOf(number)) : QString();
    });
    if (result) {
        emit q->Refreshed();
    } else {
        if (!batch.quiet) {
            if (!batch.driverError.isEmpty()) {
                q->Show_SQLError(Glob::aDataSources()[size_t(number)][Glob::dsConnection], batch.driverError);
            } else {
                try {
                    std::rethrow_exception(batch.error);
                } catch (const std::exception& error) {
                    raiseError(QStringLiteral("Get_DataObjects"), error);
                } catch (...) {
                    raiseError(QStringLiteral("Get_DataObjects"),
                               std::runtime_error(kwQuarry::tr("Unexpected error").toStdString()));
                }
            }
        }
        ignoreErrors([&] { dropIfDead(number); });
    }
    if (count == 0 && !listingPath.isEmpty())
        emit q->QuerySelected(listingPath);
    return result;
}
