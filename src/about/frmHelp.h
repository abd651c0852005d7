// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPointer>
#include <QWidget>

class QLabel;

// The help window: a heading and one body text, opened from the About box.
// Sizable; the controls keep their places when it is resized.
class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(QWidget* parent = nullptr);
    ~frmHelp() override;

    // Loads the window if it is not loaded and shows it, or brings it forward.
    static void display();
    // The loaded window, null when none is loaded.
    static frmHelp* instance();

    void Form_Load();

    QLabel* lblHelp1 = nullptr;
    QLabel* lblhelp2 = nullptr;

private:
    static QPointer<frmHelp> s_instance;
};
