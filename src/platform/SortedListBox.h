// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "SortedStringModel.h"

#include <QListView>

// A sorted list box: code adds plain string entries, the box keeps them in
// alphabetical order without regard to case. Changing the selected entry, by
// mouse, keyboard or code, emits clicked(); a mouse press emits mouseDown()
// with the button and the position in twips. Only the left button changes the
// selection; the focus arriving changes nothing; a click never deselects.
class SortedListBox : public QListView {
    Q_OBJECT
public:
    explicit SortedListBox(QWidget* parent = nullptr);

    void addItem(const QString& entry);
    void addItemUtf8(QByteArrayView entry);
    void clear();
    int listCount();
    QString list(int index);
    // -1 when nothing is selected.
    int listIndex();
    // Selects an entry (-1 clears the selection); emits clicked() when it changes.
    void setListIndex(int index);
    // The selected entry's text; empty with nothing selected.
    QString text();
    SortedStringModel* entries() { return model_; }

signals:
    void clicked();
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint twips);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void flush();
    void scheduleFlush();
    void currentRowChanged(const QModelIndex& current);

    SortedStringModel* model_;
    bool silent_ = false;
    int lastRow_ = -1;
    bool flushQueued_ = false;
};
