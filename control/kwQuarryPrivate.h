// The state one kwQuarry holds for its lifetime, its child widgets, and the
// one error pattern its procedures share.
#pragma once

#include "objects/ObjectLister.h"
#include "platform/widgets/ListOrder.h"
#include "platform/widgets/ObjectListModel.h"

#include <quarry/Database.h>
#include <quarry/kwQuarry.h>

#include <QString>

#include <array>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QAction;
class QActionGroup;
class QModelIndex;
class QPointF;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;

namespace quarry::platform {
class Grid;
class ImageList;
class ObjectList;
class Splitter;
class TreeModel;
class TreeView;
} // namespace quarry::platform

class kwQuarryPrivate
{
public:
    explicit kwQuarryPrivate(kwQuarry* q);

    static kwQuarryPrivate* get(kwQuarry* control) { return control->d.get(); }

    // Runs one procedure body: a failure raises ErrHandle with the procedure's
    // name and the error's description, and the procedure returns false.
    template <class Body> bool trap(const QString& procedure, Body&& body);
    // The same for procedures that give back something other than a Boolean.
    template <class Result, class Body>
    Result trapValue(const QString& procedure, Result failed, Body&& body);
    // An event handler without a result: a failure is reported the same way
    // and never reaches the event loop, which would end the host.
    template <class Body> void handle(const char* procedure, Body&& body);
    // One step of a procedure that ignores its errors and goes on.
    template <class Step> static void ignoreErrors(Step&& step) noexcept;
    // ErrHandle with the procedure's name and the error's description.
    void raiseError(const QString& procedure, const std::exception& error);

    // The connection of data-source slot `number`; an empty slot first gets a
    // new, closed connection. Throws std::out_of_range outside the slots.
    // A listing on that connection is stopped first.
    quarry::Connection& connection(int number);
    // The same slot, for the listing itself and for looks that never touch the driver.
    quarry::Connection& connectionSlot(int number);
    // The quote around names for data source `number`: its own delimiter, or
    // with none given, the one its database uses (never none: an unquoted
    // name would be read as SQL). Throws for a number that names no row.
    QString delimiterOf(int number) const;
    // Closes data source `number`'s connection when its link is found gone.
    void dropIfDead(int number);
    // Created when first touched.
    quarry::Recordset& objectRecordset();

    // The object list's listing: rows as they come, the end, a stop.
    void listingArrived(int run);
    void showFirstRows();
    bool finishListing(quarry::objects::ListingBatch batch);
    // Takes rows into the listing, ordering them on the way.
    void absorb(std::vector<quarry::platform::ListItem> items);
    // `askServer` as ObjectLister::cancel's.
    void stopListing(bool askServer = true);

    // The data-source tree: building it, connecting, and its event handling.
    bool Refresh_Data();
    void connectCommand();
    void disconnectCommand();
    void tvwData_Expand(const QModelIndex& node);
    void tvwData_NodeClick(const QModelIndex& node);
    void tvwData_MouseMove(QPointF twips);
    // The tree's selected node, or an invalid index.
    QModelIndex selectedNode() const;
    // The category a node lists: "Tables", "Views" or "Stored Procedures",
    // read off the tree's own nodes whatever language they show; for a node
    // of another model, its text.
    static QString categoryOf(const QModelIndex& node);
    // The data-source number a data-source node's key carries ("a12" gives 12).
    int sourceNumber(const QModelIndex& dataSourceNode) const;

    // Options applied to the layout, the toolbar and the splitter.
    bool Set_Grids();
    void UserControl_Resize();
    void tlbData_ButtonClick(QAction* button);
    void kwSplitData_Moved();
    // Presses view button 1 to 4 and shows the list that way, without the
    // button's command (which would save the mode again).
    void pressViewButton(int lngDataView);

    kwQuarry* const q;

    // Child widgets, each carrying its name as objectName.
    QToolBar* tlbData = nullptr;
    QActionGroup* viewButtons = nullptr;
    std::array<QAction*, 5> toolButtons{}; // Large, Small, List, Report, Options
    quarry::platform::TreeView* tvwData = nullptr;
    quarry::platform::TreeModel* treeModel = nullptr;
    quarry::platform::ObjectList* lvwData = nullptr;
    quarry::platform::Grid* grdTooltip = nullptr;
    QTimer* tmrTip = nullptr;
    QStatusBar* staStatus = nullptr;
    QLabel* panel1 = nullptr;
    QLabel* panel2 = nullptr;
    quarry::platform::Splitter* kwSplitData = nullptr;
    quarry::platform::ImageList* imgBrowser = nullptr;
    quarry::platform::ImageList* imgBrowserLarge = nullptr;
    quarry::platform::ImageList* imgSort = nullptr;

    QMenu* mnuData = nullptr;
    QAction* mnuConnect = nullptr;
    QAction* mnuDisconnect = nullptr;
    QAction* mnuDatCap1 = nullptr;
    QAction* mnuNewDataSource = nullptr;
    QAction* mnuEditDataSource = nullptr;
    QAction* mnuDeleteDataSource = nullptr;
    QAction* mnuDatCap2 = nullptr;
    QAction* mnuQuery = nullptr;
    QMenu* mnuTable = nullptr;
    std::array<QAction*, 4> mnuTables{};

    // Control state shared by the browser's procedures.
    std::vector<std::optional<quarry::Connection>> Connections;
    // Seconds a browsing call may wait for a server (statements are
    // cancelled then; an unanswering server loses the link 2 s later).
    int commandTimeout = 10;
    std::optional<quarry::Recordset> ObjectRecordset;
    kwQuarry::dkDataType CurrentDataType = kwQuarry::dkDataTable;
    QString CategoryPath;
    bool Initialized = false;
    int TipSourceNumber = 0;
    bool QueryFromTree = false;
    QString SelectedObject;
    QString ClickedObject;
    // Data source and qualified name of the last successful field look-up:
    // the same name in another data source or schema is another object, and
    // a failed look-up is tried again on the next click.
    QString LastLookUp;
    double PointerX = 0;
    int RunMaxRecords = 0;
    bool RunAutoRun = false;
    bool RunShowSQL = false;
    // Rows of (field name, ADO type code as decimal text).
    std::vector<std::array<QString, 2>> ObjectFields;

    // The listing under way (0 none), its data source, the status it
    // replaced, the rows so far, and the category path reported when
    // nothing is listed (set by the click that starts it).
    int listingRun = 0;
    int listingSource = 0;
    QString listingStatus;
    std::vector<quarry::platform::ListItem> listingItems;
    std::optional<quarry::platform::ListOrder> listingOrder; // of the rows so far
    QString listingPath;
    QString nextListingPath;
    // Last: it stops, before anything else goes, the listing that uses the connections.
    std::unique_ptr<quarry::objects::ObjectLister> lister;

private:
    void createImages();
    void createToolBar();
    void createMenus();
    void connectHandlers();
    // Each subsystem wires its own handlers, in its own folder.
    void connectListHandlers();
    void connectTooltipHandlers();
    void connectMenuHandlers();
};

template <class Body> bool kwQuarryPrivate::trap(const QString& procedure, Body&& body)
{
    return trapValue<bool>(procedure, false, std::forward<Body>(body));
}

template <class Result, class Body>
Result kwQuarryPrivate::trapValue(const QString& procedure, Result failed, Body&& body)
{
    try {
        return body();
    } catch (const std::exception& error) {
        raiseError(procedure, error);
    } catch (...) {
        raiseError(procedure, std::runtime_error(kwQuarry::tr("Unexpected error").toStdString()));
    }
    return failed;
}

template <class Body> void kwQuarryPrivate::handle(const char* procedure, Body&& body)
{
    trap(QString::fromLatin1(procedure), [&] {
        body();
        return true;
    });
}

template <class Step> void kwQuarryPrivate::ignoreErrors(Step&& step) noexcept
{
    try {
        step();
    } catch (...) {
    }
}
