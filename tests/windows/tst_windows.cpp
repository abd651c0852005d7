// SPDX-License-Identifier: GPL-3.0-or-later
// Every window as a person meets it: what lies under the pointer, whether each
// caption fits its control, the frame, and what a field filled by code shows.
#include "about/frmAbout.h"
#include "about/frmHelp.h"
#include "area_codes/frmAreaCodes.h"
#include "list_dialogs/NewDB.h"
#include "list_dialogs/frmCopyList.h"
#include "list_dialogs/frmFM.h"
#include "outlook_import/frmContacts.h"
#include "support/Harness.h"

#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QStyleOptionButton>

namespace {
// Opens the form of the row, shown, over the harness's application folder.
QWidget* open(Harness& h, std::unique_ptr<QWidget>& owned) {
    static Globals globals;
    QFETCH(QString, form);
    h.folder.install(QStringLiteral("AreaCodes.dat"));
    if (form == QLatin1String("pList"))
        return &h.startWith({{"Amy Adams", "Acme"}});
    h.folder.addList(QStringLiteral("Quillary.mdb"));
    const QHash<QString, std::function<void()>> opening = {
        {"frmFM", [&] { owned = std::make_unique<frmFM>(globals); }},
        {"NewDB", [&] { owned = std::make_unique<NewDB>(globals); }},
        {"frmCopyList", [&] { owned = std::make_unique<frmCopyList>(globals); }},
        {"frmAreaCodes", &frmAreaCodes::display},
        {"frmContacts", &frmContacts::display},
        {"frmAbout", &frmAbout::display},
        {"frmHelp", &frmHelp::display}};
    opening.value(form)();
    if (owned)
        owned->show();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == form && w->isVisible())
            return w;
    return nullptr;
}

// The part of a control its containers let show, in window coordinates.
QRect shownRect(QWidget* c, QWidget* w) {
    QRect r = c->rect();
    for (QWidget* p = c; p != w; p = p->parentWidget())
        r = r.translated(p->pos()) & p->parentWidget()->rect();
    return r;
}

// Records which widget a mouse press is dispatched to, and keeps it from acting.
// (The application drops the filter when the recorder goes.)
class PressRecorder : public QObject {
public:
    QWidget* receiver = nullptr;
    PressRecorder() { qApp->installEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override {
        const QEvent::Type t = e->type();
        const bool press = t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick;
        if (o->isWidgetType() && press)
            receiver = static_cast<QWidget*>(o);
        return o->isWidgetType() && (press || t == QEvent::MouseButtonRelease);
    }
};

// Pixels to spare beside a caption inside its control, the lesser of width and
// height; negative when it does not fit; INT_MAX for a control without caption.
int room(QWidget* c) {
    QString text;
    QRect box = c->contentsRect();
    int flags = Qt::TextShowMnemonic;
    if (auto* label = qobject_cast<QLabel*>(c)) {
        text = label->text();
        flags |= label->wordWrap() ? Qt::TextWordWrap : 0;
    } else if (auto* button = qobject_cast<QPushButton*>(c)) {
        text = button->text();
        QStyleOptionButton option;
        option.initFrom(button);
        box = c->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    } else if (auto* frame = qobject_cast<QGroupBox*>(c)) {
        text = frame->title();
    }
    if (text.isEmpty() || !c->isVisibleTo(c->window()))
        return INT_MAX;
    const QRect need = QFontMetrics(c->font()).boundingRect(box, flags, text);
    return qMin(box.width() - need.width(), box.height() - need.height());
}
} // namespace

class tst_windows : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->testAttribute(Qt::WA_DeleteOnClose))
                w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void clicksReachTheControlUnderThePointer_data() { windows(); }
    // The centre and the four inner corners of every button, field and list, clicked
    // in the window: the press reaches that control, never a label or picture over it.
    void clicksReachTheControlUnderThePointer() {
        Harness h;
        std::unique_ptr<QWidget> owned;
        QWidget* w = open(h, owned);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QList<QWidget*> controls;
        for (QWidget* c : w->findChildren<QWidget*>())
            if (c->isVisibleTo(w) &&
                (qobject_cast<QAbstractButton*>(c) || qobject_cast<QLineEdit*>(c) ||
                 qobject_cast<QAbstractScrollArea*>(c)))
                controls << c;
        if (controls.isEmpty())
            QSKIP("nothing in this window takes a click");
        // Where the layout lays two controls over each other by a pixel or three,
        // the corner moves inward past the other one.
        const auto inOther = [&](QWidget* c, QPoint p) {
            return std::any_of(controls.cbegin(), controls.cend(), [&](QWidget* o) {
                return o != c && !o->isAncestorOf(c) && shownRect(o, w).contains(p);
            });
        };
        PressRecorder recorder;
        for (QWidget* c : controls) {
            const QRect r = shownRect(c, w);
            QList<QPoint> points = {r.center()};
            for (const QPoint in : {QPoint(1, 1), QPoint(-1, 1), QPoint(1, -1), QPoint(-1, -1)}) {
                const QPoint corner(in.x() > 0 ? r.left() : r.right(),
                                    in.y() > 0 ? r.top() : r.bottom());
                int inset = 2;
                while (inset < 6 && inOther(c, corner + in * inset))
                    ++inset;
                points << corner + in * inset;
            }
            for (const QPoint p : points) {
                recorder.receiver = nullptr;
                QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, p);
                const QWidget* got = recorder.receiver;
                const QString at = QStringLiteral(" at %1,%2").arg(p.x()).arg(p.y());
                const QWidget* owner = got && (got == c || c->isAncestorOf(got)) ? c
                                       : got                                     ? got
                                                                                 : w;
                QCOMPARE(owner->objectName() + at, c->objectName() + at);
            }
        }
    }
    void everyTextCanBeRead_data() { windows(); }
    // Every caption of a label, button or frame fits inside its control, measured
    // with the font the control draws it in; a long value put into a field by code
    // shows its beginning.
    void everyTextCanBeRead() {
        Harness h;
        std::unique_ptr<QWidget> owned;
        QWidget* w = open(h, owned);
        for (QWidget* c : w->findChildren<QWidget*>())
            QVERIFY2(room(c) >= 0, qPrintable(c->objectName()));
        for (QLineEdit* field : w->findChildren<QLineEdit*>()) {
            field->setText(
                QStringLiteral("Baden-W\u00fcrttemberg, Landkreis Breisgau-Hochschwarzwald"));
            QVERIFY2(field->cursorPosition() == 0, qPrintable(field->objectName()));
        }
    }
    void frame_data() { windows(); }
    // A window of fixed size cannot be resized and offers no maximize button, and a
    // minimize button only where it has one; in a sizable one the controls keep
    // their places when it is resized.
    void frame() {
        QFETCH(bool, sizable);
        Harness h;
        std::unique_ptr<QWidget> owned;
        QWidget* w = open(h, owned);
        const Qt::WindowFlags f = w->windowFlags();
        // A plain window that asks for none of its frame buttons gets them all.
        const bool allButtons = (f & Qt::WindowType_Mask) == Qt::Window &&
                                !(f & (Qt::CustomizeWindowHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint));
        QCOMPARE(allButtons || f.testFlag(Qt::WindowMaximizeButtonHint), sizable);
        QTEST(allButtons || f.testFlag(Qt::WindowMinimizeButtonHint), "minimize");
        QCOMPARE(w->minimumSize() != w->maximumSize(), sizable);
        // Named controls only: the size grip follows the corner.
        QList<QWidget*> controls =
            w->findChildren<QWidget*>(QRegularExpression(QStringLiteral(".")));
        QList<QRect> places;
        for (QWidget* c : controls)
            places << c->geometry();
        w->resize(w->size() + QSize(120, 80));
        for (QWidget* c : controls)
            QCOMPARE(c->geometry(), places.takeFirst());
    }

private:
    static void windows() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("sizable");
        // The main window and the import window are fixed and can be minimized.
        QTest::addColumn<bool>("minimize");
        const auto is = [](const char* form, const QStringList& names) {
            return names.contains(QLatin1String(form));
        };
        for (const char* form : {"pList", "frmFM", "NewDB", "frmCopyList", "frmAreaCodes",
                                 "frmContacts", "frmAbout", "frmHelp"})
            QTest::newRow(form) << QString::fromLatin1(form) << is(form, {"frmCopyList", "frmHelp"})
                                << is(form, {"frmCopyList", "frmHelp", "pList", "frmContacts"});
    }
};

QTEST_MAIN(tst_windows)
#include "tst_windows.moc"
