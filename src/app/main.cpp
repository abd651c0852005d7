#include "main_window/pList.h"

#include "platform/Allocator.h"

#include <QApplication>

int main(int argc, char** argv) {
    Allocator::keepLargeBlocks();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillary"));
    pList::startProgram();
    return QApplication::exec();
}
