#include "NewDB.h"

NewDB::NewDB(QWidget* parent) : QDialog(parent) {}

void NewDB::showModal() {}
