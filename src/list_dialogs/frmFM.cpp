#include "frmFM.h"

frmFM::frmFM(QWidget* parent) : QDialog(parent) {}

void frmFM::showModal() {}
