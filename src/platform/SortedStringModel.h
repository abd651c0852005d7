#pragma once
#include <QAbstractListModel>
#include <QString>
#include <QStringDecoder>
#include <vector>

// The entries of a sorted list box: plain strings kept in alphabetical order
// without regard to case or accents (an accent only decides between otherwise
// equal names), equal entries in the order added. Entries added one by one are
// gathered and merged in one sort when next read, so filling a list of a
// million entries stays n log n. The texts live in one buffer, not one
// allocation each, so a million entries take tens of megabytes.
class SortedStringModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void add(const QString& entry);
    // The same for an entry given as UTF-8 text.
    void addUtf8(QByteArrayView entry);
    void clear();
    // Merges pending entries. keepRow is a row before the merge; returns where it
    // is afterwards (-1 stays -1).
    int flush(int keepRow = -1);
    bool hasPending() const { return sorted_.size() < starts_.size(); }
    int count();
    QString entry(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static bool lessThan(const QString& a, const QString& b);

private:
    QString textOf(quint32 id) const;
    QStringView viewOf(quint32 id) const;
    std::vector<quint32> sortedPending();

    QStringDecoder utf8_{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    std::vector<char16_t> text_;   // every entry's characters, in the order added
    std::vector<quint32> starts_;  // where each entry begins in text_
    std::vector<quint32> lengths_; // and how long it is
    std::vector<quint32> sorted_;  // entry ids in list order (the merged entries)
};
