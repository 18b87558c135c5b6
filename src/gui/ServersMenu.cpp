#include "gui/ServersMenu.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrin {

ServersMenu::ServersMenu(SavedServers& servers, std::function<void(QDialog&)> runDialog,
                         QWidget* parent)
    : QMenu(tr("Servers"), parent), m_servers(servers), m_runDialog(std::move(runDialog))
{
    setObjectName(QStringLiteral("serversMenu"));
    connect(this, &QMenu::aboutToShow, this, &ServersMenu::rebuild);
    rebuild();
}

void ServersMenu::rebuild()
{
    clear();
    QAction* save = addAction(tr("Save Current Server..."), this, &ServersMenu::saveCurrent);
    save->setObjectName(QStringLiteral("saveServerAction"));
    QAction* manageAction = addAction(tr("Manage Servers..."), this, &ServersMenu::manage);
    manageAction->setObjectName(QStringLiteral("manageServersAction"));
    const QStringList names = m_servers.names();
    manageAction->setEnabled(!names.isEmpty());
    if (!names.isEmpty())
        addSeparator();
    for (const QString& name : names) {
        // "&" would mark a shortcut key; a name shows as it was typed.
        QAction* item = addAction(QString(name).replace(u'&', QStringLiteral("&&")));
        item->setObjectName(QStringLiteral("savedServer"));
        item->setData(name);
        item->setEnabled(m_pickingEnabled);
        connect(item, &QAction::triggered, this, [this, name] {
            if (const std::optional<SavedServer> server = m_servers.find(name))
                Q_EMIT picked(*server);
        });
    }
}

void ServersMenu::saveCurrent()
{
    SavedServer server = current ? current() : SavedServer{};
    QInputDialog dialog(parentWidget());
    dialog.setObjectName(QStringLiteral("saveServerDialog"));
    dialog.setWindowTitle(tr("Save Current Server"));
    dialog.setLabelText(tr("Name:"));
    dialog.setTextValue(server.host);
    m_runDialog(dialog);
    if (dialog.result() != QDialog::Accepted)
        return;
    server.name = dialog.textValue().trimmed();
    if (const std::optional<QString> problem = SavedServers::nameProblem(server.name)) {
        QMessageBox told(QMessageBox::Warning, tr("Save Current Server"), *problem, QMessageBox::Ok,
                         parentWidget());
        told.setObjectName(QStringLiteral("serverNameProblem"));
        m_runDialog(told);
        return;
    }
    m_servers.save(server);
    rebuild();
}

void ServersMenu::manage()
{
    QDialog dialog(parentWidget());
    dialog.setObjectName(QStringLiteral("manageServersDialog"));
    dialog.setWindowTitle(tr("Manage Servers"));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("serverList"));
    list->setAccessibleName(tr("Saved servers"));
    auto* problem = new QLabel(&dialog);
    problem->setObjectName(QStringLiteral("problemLabel"));
    problem->setTextFormat(Qt::PlainText);
    auto* rename = new QPushButton(tr("Rename"), &dialog);
    auto* remove = new QPushButton(tr("Delete"), &dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->addButton(rename, QDialogButtonBox::ActionRole);
    buttons->addButton(remove, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(problem);
    layout->addWidget(buttons);

    const auto fill = [this, list] {
        list->clear();
        for (const QString& name : m_servers.names()) {
            auto* item = new QListWidgetItem(name, list);
            item->setData(Qt::UserRole, name);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        }
    };
    fill();
    list->setCurrentRow(0);
    connect(rename, &QPushButton::clicked, list, [list] {
        if (QListWidgetItem* item = list->currentItem())
            list->editItem(item);
    });
    connect(remove, &QPushButton::clicked, list, [this, list, fill] {
        if (QListWidgetItem* item = list->currentItem()) {
            m_servers.remove(item->data(Qt::UserRole).toString());
            fill();
        }
    });
    // An edited name renames the server; a name that cannot be used is said and undone.
    connect(list, &QListWidget::itemChanged, list,
            [this, list, problem, fill](QListWidgetItem* item) {
                const QString from = item->data(Qt::UserRole).toString();
                const QString to = item->text().trimmed();
                if (to == from)
                    return;
                if (const std::optional<QString> why = SavedServers::nameProblem(to))
                    problem->setText(*why);
                else if (!m_servers.rename(from, to))
                    problem->setText(tr("A server is already saved as \"%1\".").arg(to));
                else
                    problem->clear();
                QMetaObject::invokeMethod(list, fill, Qt::QueuedConnection);
            });
    m_runDialog(dialog);
    rebuild();
}

} // namespace tavrin
