// The results grid's model: column names and rows held in plain vectors,
// filled in batches, as the view scrolls, from a query running elsewhere.
#pragma once

#include "app/QueryRunner.h"

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
    // The exact text a value shows: shortest round-trip floating point,
    // decimals as the database wrote them, ISO dates, a hex preview of binary.
    static QString displayText(const QVariant& value, int type);

    explicit ResultsModel(QObject* parent = nullptr);

    // A new result: its columns (none for a statement without rows) and first
    // rows; `atEnd` when no more will come.
    void begin(const std::vector<ResultColumn>& columns, const std::vector<ResultRow>& rows, bool atEnd,
               qint64 maxRecords = 0);
    // Rows that fetchMore() asked for.
    void append(const std::vector<ResultRow>& rows, bool atEnd);
    // Reading more rows failed: the rows so far stay, no more are asked for.
    void fail(const QString& description);
    // Forgets rows and columns.
    void clear();

    int batchSize() const { return m_batchSize; }
    void setBatchSize(int rows) { m_batchSize = qMax(1, rows); }
    qint64 maxRecords() const { return m_maxRecords; }
    // True while the result may still deliver rows.
    bool hasPendingRows() const;
    // True while asked-for rows have not arrived.
    bool isFetching() const { return m_fetching; }
    // The driver's text when reading a later batch failed; "" otherwise.
    QString fetchError() const { return m_fetchError; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // The view wants up to `rows` more rows; answered by append() or fail().
    void moreWanted(int rows);
    // Reading a batch failed; the rows read so far stay.
    void fetchFailed(const QString& description);

private:
    std::vector<ResultColumn> m_columns;
    std::vector<ResultRow> m_rows;
    bool m_atEnd = true;
    bool m_fetching = false;
    qint64 m_maxRecords = 0;
    int m_batchSize = 256;
    QString m_fetchError;
};

} // namespace dabrook
