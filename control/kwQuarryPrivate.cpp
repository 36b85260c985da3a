#include "control/kwQuarryPrivate.h"

#include "platform/widgets/Grid.h"
#include "platform/widgets/ImageList.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/Pictures.h"
#include "platform/widgets/Splitter.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"
#include "platform/widgets/ViewIcons.h"
#include "settings/DataSources.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include <stdexcept>

using namespace quarry::platform;

kwQuarryPrivate::kwQuarryPrivate(kwQuarry* control)
    : q(control)
{
    createImages();
    createToolBar();

    kwSplitData = new Splitter(q);
    kwSplitData->setObjectName(QStringLiteral("kwSplitData"));
    kwSplitData->hide();

    treeModel = new TreeModel(q);
    treeModel->setObjectName(QStringLiteral("tvwDataModel"));
    treeModel->setImageList(imgBrowser);
    tvwData = new TreeView(kwSplitData);
    tvwData->setObjectName(QStringLiteral("tvwData"));
    tvwData->setModel(treeModel);
    tvwData->hide();

    lvwData = new ObjectList(kwSplitData);
    lvwData->setObjectName(QStringLiteral("lvwData"));
    lvwData->setImageLists(imgBrowser, imgBrowserLarge, imgSort);
    lvwData->hide();

    // Laid over the list beside the clicked item, so a child of the control itself.
    grdTooltip = new Grid(q);
    grdTooltip->setObjectName(QStringLiteral("grdTooltip"));
    grdTooltip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdTooltip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdTooltip->setFocusPolicy(Qt::NoFocus);
    grdTooltip->hide();

    tmrTip = new QTimer(q);
    tmrTip->setObjectName(QStringLiteral("tmrTip"));

    staStatus = new QStatusBar(q);
    staStatus->setObjectName(QStringLiteral("staStatus"));
    staStatus->setSizeGripEnabled(false);
    panel1 = new QLabel(staStatus);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel2 = new QLabel(staStatus);
    panel2->setObjectName(QStringLiteral("Panel2"));
    staStatus->addWidget(panel1, 1);
    staStatus->addPermanentWidget(panel2);
    staStatus->hide();

    createMenus();
    connectHandlers();
    lister = std::make_unique<quarry::objects::ObjectLister>(
        q, [this](int run) { handle("Get_DataObjects", [&] { listingArrived(run); }); });
}

void kwQuarryPrivate::connectHandlers()
{
    QObject::connect(tvwData, &TreeView::nodeClick, q,
                     [this](const QModelIndex& node) { tvwData_NodeClick(node); });
    QObject::connect(tvwData, &QTreeView::expanded, q, [this](const QModelIndex& node) {
        handle("tvwData_Expand", [&] { tvwData_Expand(node); });
    });
    QObject::connect(tvwData, &TreeView::pointerMoved, q,
                     [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPointF twips) {
                         handle("tvwData_MouseMove", [&] { tvwData_MouseMove(twips); });
                     });
    QObject::connect(mnuConnect, &QAction::triggered, q,
                     [this] { handle("mnuConnect_Click", [&] { connectCommand(); }); });
    QObject::connect(mnuDisconnect, &QAction::triggered, q,
                     [this] { handle("mnuDisconnect_Click", [&] { disconnectCommand(); }); });
    QObject::connect(tlbData, &QToolBar::actionTriggered, q, [this](QAction* button) {
        handle("tlbData_ButtonClick", [&] { tlbData_ButtonClick(button); });
    });
    QObject::connect(tlbData, &QWidget::customContextMenuRequested, q, [this] { q->Show_ToolbarMenu(); });
    tlbData->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(kwSplitData, &Splitter::moved, q,
                     [this] { handle("kwSplitData_Moved", [&] { kwSplitData_Moved(); }); });
    connectListHandlers();
    connectTooltipHandlers();
    connectMenuHandlers();
}

quarry::Connection& kwQuarryPrivate::connection(int number)
{
    quarry::Connection& slot = connectionSlot(number);
    if (listingRun != 0 && listingSource == number)
        stopListing();
    lister->waitIdle(slot);
    return slot;
}

quarry::Connection& kwQuarryPrivate::connectionSlot(int number)
{
    if (number < 0 || size_t(number) >= Connections.size())
        throw std::out_of_range("Subscript out of range");
    std::optional<quarry::Connection>& slot = Connections[size_t(number)];
    if (!slot)
        slot.emplace();
    return *slot;
}

QString kwQuarryPrivate::delimiterOf(int number) const
{
    if (number < 1 || number > Glob::kDataSourceRows)
        throw std::out_of_range("Subscript out of range");
    const QString own = Glob::aDataSources()[size_t(number)][Glob::dsDelimiter];
    if (!own.isEmpty())
        return own;
    const QString database = size_t(number) < Connections.size() && Connections[size_t(number)]
                                 ? Connections[size_t(number)]->IdentifierQuote()
                                 : QString();
    return database.size() == 1 ? database : QStringLiteral("\"");
}

quarry::Recordset& kwQuarryPrivate::objectRecordset()
{
    if (!ObjectRecordset)
        ObjectRecordset.emplace();
    return *ObjectRecordset;
}

void kwQuarryPrivate::raiseError(const QString& procedure, const std::exception& error)
{
    const auto* database = dynamic_cast<const quarry::DatabaseError*>(&error);
    const QString description = database ? database->Description() : QString::fromUtf8(error.what());
    // Copies: whatever a handler writes into its arguments stays with the handler.
    emit q->ErrHandle(QString(procedure), QString(description));
}

void kwQuarryPrivate::createImages()
{
    const auto picture = [this](const char* name, QStyle::StandardPixmap fallback) {
        return svgPicture(QStringLiteral(":/quarry/icons/%1.svg").arg(QLatin1String(name)), fallback, q);
    };
    imgBrowser = new ImageList(QSize(16, 16), q);
    imgBrowser->setObjectName(QStringLiteral("imgBrowser"));
    // 1 data source, 2-4 the categories, 5-7 the object kinds, 8 spare, 9 connected data source.
    imgBrowser->add(picture("datasource", QStyle::SP_DriveNetIcon));
    imgBrowser->add(picture("folder-tables", QStyle::SP_DirIcon));
    imgBrowser->add(picture("folder-views", QStyle::SP_DirLinkIcon));
    imgBrowser->add(picture("folder-procedures", QStyle::SP_DirOpenIcon));
    imgBrowser->add(picture("table", QStyle::SP_FileIcon));
    imgBrowser->add(picture("view", QStyle::SP_FileLinkIcon));
    imgBrowser->add(picture("procedure", QStyle::SP_MediaPlay));
    imgBrowser->add(picture("fields", QStyle::SP_FileDialogDetailedView));
    imgBrowser->add(picture("datasource-connected", QStyle::SP_DriveHDIcon));

    imgBrowserLarge = new ImageList(QSize(32, 32), q);
    imgBrowserLarge->setObjectName(QStringLiteral("imgBrowserLarge"));
    imgBrowserLarge->add(picture("table", QStyle::SP_FileIcon));
    imgBrowserLarge->add(picture("view", QStyle::SP_FileLinkIcon));
    imgBrowserLarge->add(picture("procedure", QStyle::SP_MediaPlay));

    imgSort = new ImageList(QSize(16, 16), q);
    imgSort->setObjectName(QStringLiteral("ImgSort"));
    imgSort->add(picture("sort-ascending", QStyle::SP_ArrowUp));
    imgSort->add(picture("sort-descending", QStyle::SP_ArrowDown));
}

void kwQuarryPrivate::createToolBar()
{
    tlbData = new QToolBar(q);
    tlbData->setObjectName(QStringLiteral("tlbData"));
    tlbData->setMovable(false);
    tlbData->setFloatable(false);
    tlbData->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    viewButtons = new QActionGroup(tlbData);
    viewButtons->setExclusive(true);

    struct Button
    {
        const char* key;
        const char* caption;
        const char* tooltip;
        QStyle::StandardPixmap picture;
    };
    static constexpr Button buttons[] = {
        // The four view modes draw their own pictures.
        {"Large", QT_TRANSLATE_NOOP("kwQuarry", "Large"), QT_TRANSLATE_NOOP("kwQuarry", "Large Icons"),
         QStyle::SP_CustomBase},
        {"Small", QT_TRANSLATE_NOOP("kwQuarry", "Small "), QT_TRANSLATE_NOOP("kwQuarry", "Small Icons"),
         QStyle::SP_CustomBase},
        {"List", QT_TRANSLATE_NOOP("kwQuarry", "List"), QT_TRANSLATE_NOOP("kwQuarry", "List"),
         QStyle::SP_CustomBase},
        {"Report", QT_TRANSLATE_NOOP("kwQuarry", "Details"), QT_TRANSLATE_NOOP("kwQuarry", "Details"),
         QStyle::SP_CustomBase},
        {"Options", QT_TRANSLATE_NOOP("kwQuarry", "Browse options"),
         QT_TRANSLATE_NOOP("kwQuarry", "Browser options"), QStyle::SP_FileDialogInfoView},
    };
    for (size_t i = 0; i < std::size(buttons); ++i) {
        QAction* action = tlbData->addAction(
            i < 4 ? viewModeIcon(int(i), q->palette())
                  : svgPicture(QStringLiteral(":/quarry/icons/options.svg"), buttons[i].picture, q),
            kwQuarry::tr(buttons[i].caption));
        action->setObjectName(QString::fromLatin1(buttons[i].key));
        action->setToolTip(kwQuarry::tr(buttons[i].tooltip));
        if (i < 4) {
            action->setCheckable(true);
            viewButtons->addAction(action);
        }
        toolButtons[i] = action;
    }
}

void kwQuarryPrivate::createMenus()
{
    const auto item = [](QMenu* menu, const char* name, const char* caption) {
        const bool separator = QLatin1String(caption) == QLatin1String("-");
        // A separator's "-" is its kind, not a text: styles print a separator's text beside its line.
        QAction* action = separator ? menu->addSeparator() : menu->addAction(kwQuarry::tr(caption));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };

    mnuData = new QMenu(kwQuarry::tr("Browser"), q);
    mnuData->setObjectName(QStringLiteral("mnuData"));
    mnuConnect = item(mnuData, "mnuConnect", QT_TRANSLATE_NOOP("kwQuarry", "Connect"));
    mnuDisconnect = item(mnuData, "mnuDisconnect", QT_TRANSLATE_NOOP("kwQuarry", "Disconnect"));
    mnuDatCap1 = item(mnuData, "mnuDatCap1", "-");
    mnuNewDataSource = item(mnuData, "mnuNewDataSource", QT_TRANSLATE_NOOP("kwQuarry", "&New Data Source"));
    mnuEditDataSource =
        item(mnuData, "mnuEditDataSource", QT_TRANSLATE_NOOP("kwQuarry", "&Edit Data Source properties"));
    mnuDeleteDataSource =
        item(mnuData, "mnuDeleteDataSource", QT_TRANSLATE_NOOP("kwQuarry", "&Delete Data Source"));
    mnuDatCap2 = item(mnuData, "mnuDatCap2", "-");
    mnuQuery = item(mnuData, "mnuQuery", QT_TRANSLATE_NOOP("kwQuarry", "&Query"));

    mnuTable = new QMenu(kwQuarry::tr("Table"), q);
    mnuTable->setObjectName(QStringLiteral("mnuTable"));
    mnuTables[0] = item(mnuTable, "mnuTables0", QT_TRANSLATE_NOOP("kwQuarry", "&Open"));
    mnuTables[1] = item(mnuTable, "mnuTables1", "-");
    mnuTables[2] = item(mnuTable, "mnuTables2", QT_TRANSLATE_NOOP("kwQuarry", "Return &all rows"));
    mnuTables[3] = item(mnuTable, "mnuTables3", QT_TRANSLATE_NOOP("kwQuarry", "Return &top ..."));
}
