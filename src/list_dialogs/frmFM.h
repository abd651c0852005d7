#pragma once
#include <QDialog>

// Placeholder until this window is built.
class frmFM : public QDialog {
    Q_OBJECT
public:
    explicit frmFM(QWidget* parent = nullptr);
    static void showModal();
};
