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
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/TreeView.h"
#include "query/Delimited.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <QLabel>
#include <QTimer>

#include <chrono>

using quarry::platform::ListItem;

namespace {

// A listing that ends within this shows complete at once, as if read in
// the click; a longer one shows its first rows and goes on while the
// window answers.
constexpr std::chrono::milliseconds kListedWithin{40};

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
    // A pending tooltip would come up over the new items with the old fields.
    d->tmrTip->stop();
    d->grdTooltip->hide();
    d->LastLookUp.clear();
    // A listing under way gives way; the status it kept is the one to go back to.
    if (d->listingRun == 0)
        d->listingStatus = d->panel1->text();
    d->listingRun = 0;
    d->listingItems.clear();
    d->listingPath = std::exchange(d->nextListingPath, {});
    d->panel1->setText(tr("Retrieving Items ..."));
    d->lvwData->setEnabled(false);
    d->lvwData->hide();
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
    bool done = false;
    {
        const quarry::platform::BusyPointer busy(d->lvwData);
        done = d->lister->waitDone(d->listingRun, kListedWithin);
    }
    if (done)
        return d->finishListing(d->lister->take(d->listingRun));
    // Rows come on as they are read; what is there so far shows now.
    d->listingArrived(d->listingRun);
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
    lvwData->setCursor(Qt::BusyCursor);
    const bool first = listingItems.empty() && !batch.items.empty();
    std::move(batch.items.begin(), batch.items.end(), std::back_inserter(listingItems));
    if (first) {
        // The first screenful, to read while the rest comes; the whole list
        // is laid out once, when complete.
        lvwData->model()->setItems(listingItems);
        lvwData->show();
    }
}

void kwQuarryPrivate::stopListing()
{
    if (listingRun == 0)
        return;
    lister->cancel();
    listingRun = 0;
    listingItems.clear();
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
    std::move(batch.items.begin(), batch.items.end(), std::back_inserter(listingItems));
    lvwData->model()->setItems(std::exchange(listingItems, {}));
    bool result = false;
    if (!batch.error) {
        try {
            if (lvwData->count() > 0)
                lvwData->selectRow(0);
            // Through list mode and back, so the items are laid out anew.
            lvwData->setView(quarry::platform::ObjectList::List);
            lvwData->setView(Glob::Options().lngDataView);
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
