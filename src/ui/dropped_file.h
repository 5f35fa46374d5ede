#pragma once

// What a drag over a window carries that the window can open: exactly one local file.

#include <QMimeData>
#include <QString>
#include <QUrl>

namespace faxlens::ui {

// The one local file of the drag, or the empty text.
inline QString DroppedFile(const QMimeData* data) {
    if (data == nullptr || data->urls().size() != 1 || !data->urls().front().isLocalFile())
        return {};
    return data->urls().front().toLocalFile();
}

} // namespace faxlens::ui
