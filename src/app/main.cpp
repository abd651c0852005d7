#include "main_window/pList.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillary"));
    pList::startProgram();
    return QApplication::exec();
}
