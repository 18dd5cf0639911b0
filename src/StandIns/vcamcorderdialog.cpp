#include "vcamcorderdialog.h"

#include "VRichMessageBox.h"

VCamcorderDialog::VCamcorderDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

void VCamcorderDialog::show(bool& shown)
{
    shown = false;
    ExecPromptMessageBox(tr("No camcorder is connected"), QDialogButtonBox::Ok, QMessageBox::Information);
}
