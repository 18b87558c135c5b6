#pragma once

#include <QObject>
#include <QStringList>

class QWidget;

namespace tavrin {

// Takes links dropped on the widgets it watches (URLs or lines of text) in place of the
// widgets' own drop handling, and passes on the ones that may be added.
class LinkDrops : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Drops on `target` come here from now on.
    void watch(QWidget* target);

Q_SIGNALS:
    // The dropped links that passed the check, in order.
    void dropped(const QStringList& links);
    // Why a dropped link was refused.
    void refused(const QString& reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace tavrin
