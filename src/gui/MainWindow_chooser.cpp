// Change Columns: the column chooser over the working layout.
#include "gui/MainWindow.h"

#include "core/columns/ColumnLayout.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/ColumnChooserDialog.h"

namespace tavrin {

void MainWindow::mnuChangeColumns_Click()
{
    // No owner: the dialog is a window of its own, modal over the whole program.
    ColumnChooserDialog dialog;
    dialog.setLayouts(&m_domColInfo, &m_domColInfoDefault);
    dialog.exec();
    if (dialog.wasCancelled())
        return;
    m_settings.write(m_bVersion3 ? keys::version3Cols : keys::version2Cols,
                     columns::serialize(m_domColInfo));
    BuildColumns();
}

} // namespace tavrin
