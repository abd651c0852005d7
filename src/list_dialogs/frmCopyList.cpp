#include "frmCopyList.h"

frmCopyList::frmCopyList(QWidget* parent) : QDialog(parent) {}

void frmCopyList::showDialog() {}
