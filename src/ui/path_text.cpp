#include "ui/path_text.h"

#include <QFile>

namespace faxlens::ui {

QString TrimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text.at(first) == u' ')
        ++first;
    while (end > first && text.at(end - 1) == u' ')
        --end;
    return text.mid(first, end - first);
}

std::string NativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString PathText(const std::string& nativePath) {
    return QFile::decodeName(QByteArray::fromStdString(nativePath));
}

} // namespace faxlens::ui
