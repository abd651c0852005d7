// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAbstractListModel>
#include <QString>
#include <QStringDecoder>
#include <memory>
#include <string>
#include <vector>

// The entries of a sorted list box: plain strings kept in list order (see
// ListOrder). Entries added one by one are gathered and merged in one sort
// when next read, so filling a list of a million entries stays n log n; names
// that arrive in order (as a database index hands them over) are only checked,
// not sorted. The texts live in one buffer, not one allocation each, so a
// million entries take tens of megabytes.
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
    bool hasPending() const { return sorted_.size() < entries_.size(); }
    int count();
    QString entry(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static bool lessThan(QStringView a, QStringView b);

private:
    struct Span {
        quint32 start; // where the entry begins in the text buffer
        quint32 length;
    };
    char16_t* reserveText(size_t more);
    void added(size_t length, bool ascii);
    QString textOf(quint32 id) const;
    QStringView viewOf(quint32 id) const;
    std::vector<quint32> sortedPending();
    void forgetPending();

    QStringDecoder utf8_{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    std::unique_ptr<char16_t[]> text_; // every entry's characters, in the order added
    size_t textSize_ = 0;
    size_t textCapacity_ = 0;
    std::vector<Span> entries_;   // in the order added; an entry's id is its index
    std::vector<quint32> sorted_; // entry ids in list order (the merged entries)

    // Pending entries that came after a later name in list order; the others
    // are already in order. lastInOrder_ is the latest of those (if any).
    std::vector<quint32> outOfOrder_;
    qint64 lastInOrder_ = -1;
    bool lastAscii_ = true;
    std::string lastKey_; // its primary key, once needed
    bool lastKeyMade_ = false;
};
