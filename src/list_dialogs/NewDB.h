#pragma once
#include <QDialog>

// Placeholder until this window is built.
class NewDB : public QDialog {
    Q_OBJECT
public:
    explicit NewDB(QWidget* parent = nullptr);
    static void showModal();
};
