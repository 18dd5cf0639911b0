#include "vexportpage.h"

VExportPage::VExportPage(QWidget* parent) : QFrame(parent) {}
