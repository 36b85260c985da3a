// The results grid's model: column names and rows held in plain vectors,
// filled in batches from a live forward-only recordset as the view scrolls.
#pragma once

#include <quarry/Database.h>

#include <QAbstractTableModel>
#include <QString>
#include <QVariant>

#include <vector>

namespace dabrook {

class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The raw value of a cell (an invalid QVariant for NULL).
    static constexpr int ValueRole = Qt::UserRole;
    static constexpr int IsNullRole = Qt::UserRole + 1;
    // The text a NULL cell shows; its font and colour tell it from a text "NULL".
    static QString nullText() { return QStringLiteral("NULL"); }

    explicit ResultsModel(QObject* parent = nullptr);

    // Runs `sql` on `connection` and reads the first batch. A statement
    // without a result set leaves the model without columns. Throws
    // quarry::DatabaseError with the driver's text; the model is then empty.
    void execute(const quarry::Connection& connection, const QString& sql, qint64 maxRecords = 0);
    // Takes over an already open recordset and reads the first batch.
    void setRecordset(const quarry::Recordset& recordset, qint64 maxRecords = 0);
    // Forgets rows and columns and closes the recordset.
    void clear();

    int batchSize() const { return m_batchSize; }
    void setBatchSize(int rows) { m_batchSize = qMax(1, rows); }
    qint64 maxRecords() const { return m_maxRecords; }
    // True while the recordset may still deliver rows.
    bool hasPendingRows() const;
    // The driver's text when reading a later batch failed; "" otherwise.
    QString fetchError() const { return m_fetchError; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // Reading a batch failed; the rows read so far stay.
    void fetchFailed(const QString& description);

private:
    // Reads up to one batch into `into`; the failure's text, or "".
    QString readRows(std::vector<std::vector<QVariant>>& into);
    void readBatch();
    void finishBatch(const QString& failure);
    void endReset();
    void closeRecordset() noexcept;

    struct Column
    {
        QString Name;
        int Type = 0;
    };

    std::vector<Column> m_columns;
    std::vector<std::vector<QVariant>> m_rows;
    quarry::Recordset m_recordset;
    bool m_live = false;
    // Set while the model's own change signals are out: no fetching then.
    bool m_notifying = false;
    qint64 m_maxRecords = 0;
    int m_batchSize = 256;
    QString m_fetchError;
};

} // namespace dabrook
