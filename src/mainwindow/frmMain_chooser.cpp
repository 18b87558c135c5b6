// Change Columns: the column chooser over the working layout.
#include "mainwindow/frmMain.h"

#include "columns/ColumnLayout.h"
#include "columns/frmColumnChange.h"
#include "mainwindow/SettingsKeys.h"
#include "platform/SettingsStore.h"

namespace tavrin {

void frmMain::mnuChangeColumns_Click()
{
    // No owner: the dialog is a window of its own, modal over the whole program.
    frmColumnChange dialog;
    dialog.m_domColInfo = &m_domColInfo;
    dialog.m_domColInfoDefault = &m_domColInfoDefault;
    dialog.exec();
    if (dialog.m_bCancel)
        return;
    m_settings.write(m_bVersion3 ? keys::version3Cols : keys::version2Cols,
                     columns::serialize(m_domColInfo));
    BuildColumns();
}

} // namespace tavrin
