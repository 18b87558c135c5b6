// Help: the update check and the About box.
#include "mainwindow/frmMain.h"

namespace tavrin {

void frmMain::mnuAbout_Click() {}

void frmMain::mnuCheckNewVersion_Click() {}

} // namespace tavrin
