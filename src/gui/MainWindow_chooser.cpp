// Change Columns: the column chooser over the working layout.
#include "gui/MainWindow.h"

#include "core/columns/ColumnLayout.h"
#include "gui/ColumnChooserDialog.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

namespace tavrin {

void MainWindow::mnuChangeColumns_Click()
{
    // No owner: the dialog is a window of its own, modal over the whole program.
    ColumnChooserDialog dialog;
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
