#pragma once
#include <QAbstractListModel>
#include <QString>
#include <vector>

// The entries of a sorted list box: plain strings kept in alphabetical order
// without regard to case (for all letters), equal entries in the order added.
// Entries added one by one are gathered and merged in one sort when next read,
// so filling a list of a million entries stays n log n.
class SortedStringModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void add(const QString& entry);
    void clear();
    // Merges pending entries. keepRow is a row before the merge; returns where it
    // is afterwards (-1 stays -1).
    int flush(int keepRow = -1);
    bool hasPending() const { return !pending_.empty(); }
    int count();
    QString entry(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static bool lessThan(const QString& a, const QString& b);

private:
    std::vector<QString> entries_;
    std::vector<QString> pending_;
};
