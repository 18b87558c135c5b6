#pragma once

#include <QFile>
#include <QString>
#include <sys/stat.h>

namespace tavrin {

// What stands at a path, the path itself and not what a link points to.
enum class PathKind { Nothing, Socket, SymLink, Other };

inline PathKind pathKind(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return PathKind::Nothing;
    if (S_ISSOCK(info.st_mode))
        return PathKind::Socket;
    return S_ISLNK(info.st_mode) ? PathKind::SymLink : PathKind::Other;
}

} // namespace tavrin
