// kwQuarry: the embeddable database browser. A host places it on a window,
// calls Init once, listens to its five signals and calls UnloadFlter before
// it lets the control go.
#pragma once

#include <quarry/Database.h>
#include <quarry/quarry_export.h>

#include <QModelIndex>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>

class kwQuarryPrivate;

class QUARRY_EXPORT kwQuarry : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int QueryTotal READ QueryTotal)
    Q_PROPERTY(bool stOpenSQL READ stOpenSQL)

public:
    // The kind of a data object, as the tree's categories name it.
    enum dkDataType : int
    {
        dkDataTable = 0,
        dkDataView = 1,
        dkDataStoredProc = 2
    };
    Q_ENUM(dkDataType)

    explicit kwQuarry(QWidget* parent = nullptr);
    ~kwQuarry() override;

    // Published members, in the order hosts have always seen them.
    Q_INVOKABLE bool Allowed_DataType(int lngType);
    Q_INVOKABLE bool Connect_DataSource();
    Q_INVOKABLE QString Field_Type(int lngType);
    // Fills the field table with the selected procedure's parameters. The one
    // member without a trap of its own: a provider that cannot describe the
    // procedure throws quarry::DatabaseError to the caller.
    Q_INVOKABLE bool Get_Parameters();
    Q_INVOKABLE bool Print_Preview();
    Q_INVOKABLE bool Refresh();
    Q_INVOKABLE bool Run(int lngType);
    Q_INVOKABLE bool Run_Query();
    Q_INVOKABLE bool Show_Options();
    Q_INVOKABLE bool Show_SQLError(QString strSQl, QString strDescription);
    Q_INVOKABLE bool Show_ToolbarMenu();
    Q_INVOKABLE bool Show_ToolTip();
    Q_INVOKABLE QString Format_Value(int lngType);
    Q_INVOKABLE bool Get_Fields();
    // A QVariant holding a bool.
    Q_INVOKABLE QVariant Popluate_ToolTip();
    // Sorts `aData` in place, case ignored: a QStringList, or a QVariantList of QStringList rows by cell 0.
    Q_INVOKABLE bool Sort_Array(QVariant& aData);
    Q_INVOKABLE void UnloadFlter();
    // `Nodx` is a category node of the tree model behind tvwData, whatever
    // language it shows; of any other model, an index whose text is "Tables",
    // "Views" or "Stored Procedures".
    // The catalog is read on a thread of its own. A listing that ends within
    // a moment is complete on return, and the result says whether it
    // succeeded; a longer one shows its first rows, returns true, and goes on
    // while the window answers: Refreshed comes when it is complete, an error
    // through ErrHandle. Another listing, Disconnect or UnloadFlter stops it.
    Q_INVOKABLE bool Get_DataObjects(QModelIndex& Nodx);
    Q_INVOKABLE bool Set_MenuText();
    Q_INVOKABLE bool Size_Cols();
    Q_INVOKABLE bool Set_Options(bool blnDataChanged = false, bool blnChartChanged = false,
                                 bool blnDataSourceChanged = false);
    Q_INVOKABLE bool Init();

    // Who users should tell about an error, in the host's words (for example
    // "the help desk, extension 4100"): error boxes end "Please report this
    // to <contact>." Empty, the default, leaves the sentence out. Shared by
    // every control of the calling thread; may be set before or after Init.
    void setContact(const QString& contact);

    // Number of items in the object list.
    int QueryTotal() const;
    // Whether the user may edit the text of a query.
    bool stOpenSQL() const;

    // Wide enough for the toolbar's buttons and for the data-source names at
    // the user's split.
    QSize sizeHint() const override;

signals:
    // A listing is complete: counted, its first item selected.
    void Refreshed();
    void QuerySelected(QString strQuery);
    void ErrHandle(QString strSub, QString strDescription);
    // Published for hosts that connect to it; the control never raises it.
    void NewQuery(quarry::Connection adoConnection, QString strSQl);
    void RunQuery(quarry::Connection adoConnection, QString strSQl, QString strQueryName,
                  kwQuarry::dkDataType dkCurrentDataType, int lngMaxRecords, bool blnAutoRun, bool blnShowSQL,
                  QString strDelimter, bool blnOptions);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class kwQuarryPrivate;
    std::unique_ptr<kwQuarryPrivate> d;
};

Q_DECLARE_METATYPE(quarry::Connection)
