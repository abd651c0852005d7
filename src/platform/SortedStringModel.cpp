#include "SortedStringModel.h"

#include <algorithm>

bool SortedStringModel::lessThan(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

void SortedStringModel::add(const QString& entry) { pending_.push_back(entry); }

void SortedStringModel::clear() {
    beginResetModel();
    entries_.clear();
    entries_.shrink_to_fit();
    pending_.clear();
    endResetModel();
}

int SortedStringModel::flush(int keepRow) {
    if (pending_.empty())
        return keepRow;
    std::stable_sort(pending_.begin(), pending_.end(), lessThan);
    beginResetModel();
    if (entries_.empty()) {
        entries_.swap(pending_);
    } else {
        std::vector<QString> merged;
        merged.reserve(entries_.size() + pending_.size());
        size_t i = 0;
        size_t j = 0;
        int kept = -1;
        while (i < entries_.size() || j < pending_.size()) {
            // Existing entries go before equal new ones, as a list box inserts.
            const bool takeOld = j == pending_.size() ||
                                 (i < entries_.size() && !lessThan(pending_[j], entries_[i]));
            if (takeOld) {
                if (static_cast<int>(i) == keepRow)
                    kept = static_cast<int>(merged.size());
                merged.push_back(std::move(entries_[i++]));
            } else {
                merged.push_back(std::move(pending_[j++]));
            }
        }
        entries_.swap(merged);
        keepRow = kept;
    }
    pending_.clear();
    pending_.shrink_to_fit();
    endResetModel();
    return keepRow;
}

int SortedStringModel::count() {
    flush();
    return static_cast<int>(entries_.size());
}

QString SortedStringModel::entry(int row) {
    flush();
    return row >= 0 && row < static_cast<int>(entries_.size()) ? entries_[row] : QString();
}

int SortedStringModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant SortedStringModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(entries_.size()))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return entries_[index.row()];
    return {};
}
