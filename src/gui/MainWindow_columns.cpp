// The list's columns from the column layout of the current server version.
#include "gui/MainWindow.h"

#include "core/columns/ColumnLayout.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/torrents/TorrentListModel.h"

#include <QAction>
#include <QHeaderView>
#include <QTreeView>

namespace tavrin {

void MainWindow::BuildColumns()
{
    columns::parse(m_domColInfoDefault, columns::defaultText(m_bVersion3));
    QString stored = m_settings.read(m_bVersion3 ? keys::version3Cols : keys::version2Cols);
    if (stored.isEmpty())
        stored = columns::serialize(m_domColInfoDefault);
    // Text that does not parse leaves the working document empty: no columns, on purpose.
    columns::parse(m_domColInfo, stored);

    const QList<columns::ColumnHeader> headers = columns::columnHeaders(m_domColInfo);
    QStringList captions;
    for (const columns::ColumnHeader& header : headers)
        captions.append(header.caption);
    // Setting the columns also empties the rows; the next status reply fills them again.
    m_model->setColumns(captions);
    for (qsizetype i = 0; i < headers.size(); ++i)
        lv->header()->resizeSection(static_cast<int>(i), toPixels(headers.at(i).widthTwips));
}

void MainWindow::mnuSwitchVersion_Click()
{
    m_bVersion3 = !m_bVersion3;
    m_settings.write(keys::version3,
                     m_bVersion3 ? QStringLiteral("true") : QStringLiteral("false"));
    mnuSwitchVersion->setText(m_bVersion3 ? QStringLiteral("Switch to Kestrun Version 2")
                                          : QStringLiteral("Switch to Kestrun Version 3"));
    BuildColumns();
}

} // namespace tavrin
