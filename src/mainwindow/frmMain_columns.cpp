// The list's columns from the column layout of the current server version.
#include "mainwindow/frmMain.h"

#include "columns/ColumnLayout.h"
#include "connection/TorrentListModel.h"
#include "mainwindow/SettingsKeys.h"
#include "platform/SettingsStore.h"

#include <QHeaderView>
#include <QTreeView>

namespace tavrin {

void frmMain::BuildColumns()
{
    columns::parse(m_domColInfoDefault, columns::defaultText(m_bVersion3));
    QString stored = m_settings.read(m_bVersion3 ? keys::version3Cols : keys::version2Cols);
    if (stored.isEmpty())
        stored = columns::serialize(m_domColInfoDefault);
    columns::parse(m_domColInfo, stored);

    QStringList captions;
    QList<int> widths;
    for (int position = 1;; ++position) {
        const pugi::xml_node col = columns::elementAt(m_domColInfo, position);
        if (!col)
            break;
        if (!columns::isShown(col))
            continue;
        captions.append(columns::key(col));
        const pugi::xml_attribute width = col.attribute("width");
        widths.append(width ? toPixels(width.as_double()) : -1);
    }
    m_model->setColumns(captions);
    for (int i = 0; i < widths.size(); ++i) {
        if (widths.at(i) >= 0)
            lv->header()->resizeSection(i, widths.at(i));
        else
            lv->header()->resizeSection(i, lv->header()->defaultSectionSize());
    }
}

void frmMain::mnuSwitchVersion_Click()
{
    m_bVersion3 = !m_bVersion3;
    m_settings.write(keys::version3, m_bVersion3 ? QStringLiteral("true") : QStringLiteral("false"));
    mnuSwitchVersion->setText(m_bVersion3 ? QStringLiteral("Switch to Kestrun Version 2")
                                          : QStringLiteral("Switch to Kestrun Version 3"));
    BuildColumns();
}

} // namespace tavrin
