// Change Columns: the column chooser over the working layout.
#include "mainwindow/frmMain.h"

namespace tavrin {

void frmMain::mnuChangeColumns_Click() {}

} // namespace tavrin
