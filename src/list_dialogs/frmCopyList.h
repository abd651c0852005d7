#pragma once
#include <QDialog>

// Placeholder until this window is built.
class frmCopyList : public QDialog {
    Q_OBJECT
public:
    explicit frmCopyList(QWidget* parent = nullptr);
    static void showDialog();
};
