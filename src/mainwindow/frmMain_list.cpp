// The torrent list: status replies fill and refresh it.
#include "mainwindow/frmMain.h"

namespace tavrin {

void frmMain::ProcessStatusReply(const QByteArray& reply)
{
    WriteLog(QStringLiteral("Got Message: ") + QString::fromLatin1(reply));
}

} // namespace tavrin
