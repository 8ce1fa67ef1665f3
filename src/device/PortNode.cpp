#include "device/PortNode.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>

#include <QFile>
#endif

std::optional<PortNode> InspectPortNode(const QString& path) {
#ifdef Q_OS_UNIX
    PortNode node;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    node.exists = ::stat(name.constData(), &st) == 0;
    node.accessible = node.exists && ::access(name.constData(), R_OK | W_OK) == 0;
    if (node.exists) {
        std::array<char, 1024> buffer{};
        struct group entry {};
        struct group* found = nullptr;
        if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
            node.group = QString::fromLocal8Bit(found->gr_name);
    }
    return node;
#else
    Q_UNUSED(path);
    return std::nullopt;
#endif
}
