#include <quarry/kwQuarry.h>

#include "control/kwQuarryPrivate.h"
#include "dialogs/frmOptions.h"
#include "platform/LibraryLocation.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/Splitter.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"
#include "settings/Glob.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMetaType>
#include <QResizeEvent>
#include <QStatusBar>
#include <QToolBar>

#ifndef QUARRY_VERSION
#define QUARRY_VERSION "0.0.0"
#endif

kwQuarry::kwQuarry(QWidget* parent)
    : QWidget(parent)
{
    // Hosts may connect RunQuery and NewQuery across threads or by name.
    qRegisterMetaType<quarry::Connection>();
    qRegisterMetaType<kwQuarry::dkDataType>();
    d = std::make_unique<kwQuarryPrivate>(this);
}

kwQuarry::~kwQuarry() = default;

bool kwQuarry::Print_Preview()
{
    return false;
}

bool kwQuarry::Refresh()
{
    // Only a node without children names a category to list again.
    kwQuarryPrivate::ignoreErrors([this] {
        const QModelIndexList selected = d->tvwData->selectionModel()->selectedIndexes();
        if (selected.isEmpty())
            return;
        QModelIndex node = selected.first();
        if (d->treeModel->rowCount(node) == 0)
            Get_DataObjects(node);
    });
    return false;
}

bool kwQuarry::Show_Options()
{
    frmOptions& dialog = frmOptions::instance();
    dialog.setCalledFrom(this);
    dialog.exec();
    return true;
}

bool kwQuarry::Show_ToolbarMenu()
{
    return true;
}

void kwQuarry::UnloadFlter()
{
    using Steps = kwQuarryPrivate;
    Steps::ignoreErrors([this] { d->objectRecordset().Close(); });
    // Everything closes: a listing waiting on a server is not waited for.
    Steps::ignoreErrors([this] {
        d->stopListing(false);
        d->lister->waitIdle(std::nullopt, true);
    });
    for (size_t number = 0; number < d->Connections.size(); ++number) {
        Steps::ignoreErrors([this, number] { d->connection(int(number)).Close(); });
        d->Connections[number].reset();
    }
    d->ObjectRecordset.reset();
    Steps::ignoreErrors([this] { d->kwSplitData->setFirstPane(nullptr); });
    Steps::ignoreErrors([this] { d->kwSplitData->setSecondPane(nullptr); });
}

void kwQuarry::setContact(const QString& contact)
{
    Glob::Reporter().setContact(contact);
}

bool kwQuarry::Init()
{
    try {
        // Set up first, so that a bad stored value found while loading is
        // shown to the user, not only printed.
        quarry::platform::ErrorReporter& reporter = Glob::Reporter();
        reporter.setAppInfo(
            {QStringLiteral("Quarry"), quarry::platform::LibraryFolder(), QStringLiteral(QUARRY_VERSION)});
        reporter.setTitle(tr("Dabrook Error"));
        reporter.setShowMessages(true);

        Glob::setAppTitle(QStringLiteral("Dabrook"));
        // Settings that cannot be read were reported; the browser still
        // opens, with the defaults, rather than blank.
        if (Glob::Read_INI())
            Glob::Get_Options();

        d->Initialized = false;
        d->CurrentDataType = dkDataTable;

        if (!Set_Options(true, true, false))
            return false;
        d->pressViewButton(Glob::Options().lngDataView);
        if (!d->Set_Grids())
            return false;
        d->mnuDisconnect->setVisible(false);
        d->staStatus->show();
        d->panel2->setToolTip(tr("Row count"));
        if (!d->Refresh_Data())
            return false;

        d->tvwData->show();
        d->lvwData->show();
        d->Initialized = true;
        d->kwSplitData->setLocked(false);
        d->UserControl_Resize();
        d->kwSplitData->show();
        // Every busy pointer of ours is restored by its guard; any override
        // still in force is the host's to take back.
        unsetCursor();
        return true;
    } catch (const quarry::DatabaseError& error) {
        Glob::Reporter().ReportError(QStringLiteral("Init"), error.Description());
    } catch (const std::exception& error) {
        Glob::Reporter().ReportError(QStringLiteral("Init"), QString::fromUtf8(error.what()));
    }
    return false;
}

int kwQuarry::QueryTotal() const
{
    return d->lvwData->count();
}

bool kwQuarry::stOpenSQL() const
{
    return Glob::Options().blnOpenSQL;
}
